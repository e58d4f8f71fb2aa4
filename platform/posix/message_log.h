// Message boxes of native builds: nothing is shown, each is recorded for
// whoever drives the plug-in (texfill prints them, tests read them).
#pragma once

#include <string>
#include <vector>

namespace platform {

struct RecordedMessage {
  std::string text;
  std::string caption;
  unsigned type;
};

// Every message box shown since the last clearRecordedMessages(), oldest first.
const std::vector<RecordedMessage>& recordedMessages();
void clearRecordedMessages();

}  // namespace platform
