// What the terminal side needs from the system, one file a platform.
#pragma once

namespace texfill {

bool stderrIsTerminal();
void pauseMilliseconds(long ms);
// Blanks the progress bar's line and returns to its start.
void eraseBarLine();

}  // namespace texfill
