#include "host/messages.h"

#include <cstdarg>
#include <cstdio>

#include "host/module_state.h"
#include "platform/platform.h"

namespace host {

int showTableMessage(unsigned id, unsigned boxType) {
  static char text[256];
  if (moduleInstance == nullptr) return -1;
  platform::WindowHandle owner = platform::activeWindow();
  platform::loadString(moduleInstance, id, text, sizeof text);
  return platform::messageBox(owner, text, "", boxType);
}

int showTableMessageFormatted(unsigned id, unsigned boxType, ...) {
  static char format[256];
  static char text[512];
  if (moduleInstance == nullptr) return -1;
  platform::WindowHandle owner = platform::activeWindow();
  platform::loadString(moduleInstance, id, format, sizeof format);
  va_list arguments;
  va_start(arguments, boxType);
  // vsnprintf stops at 511 characters and always terminates.
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  return platform::messageBox(owner, text, "", boxType);
}

}  // namespace host
