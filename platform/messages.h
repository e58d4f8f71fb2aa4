// Message boxes with texts from the library's string table.
#pragma once

namespace platform {

// Shows string `id` unchanged. Answers the box's result, or -1 (nothing
// shown) while the module instance is not known.
int showTableMessage(unsigned id, unsigned boxType);
// Shows string `id` used as a printf format with the arguments that follow;
// the text is cut at 511 characters.
int showTableMessageFormatted(unsigned id, unsigned boxType, ...);

}  // namespace platform
