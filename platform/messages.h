// Message boxes with texts from the library's string table.
#pragma once

namespace platform {

// Shows string `id` unchanged. Answers the box's result, or -1 (nothing
// shown) while the module instance is not known.
int showTableMessage(unsigned id, unsigned boxType);
// Shows string `id` used as a printf format with the arguments that follow;
// the text is cut at 511 characters (UTF-16 units, at a whole character).
int showTableMessageFormatted(unsigned id, unsigned boxType, ...);

// While one of these lives, neither shows anything (both answer -1): for work
// the user did not ask for in so many words, such as redrawing a swatch as
// they type, where a box for every keystroke would stand in their way.
class QuietMessages {
 public:
  QuietMessages();
  ~QuietMessages();
  QuietMessages(const QuietMessages&) = delete;
  QuietMessages& operator=(const QuietMessages&) = delete;
};

}  // namespace platform
