#include "platform/messages.h"

#include <cstdarg>
#include <cstdio>

#include "platform/module_instance.h"
#include "platform/platform.h"
#include "platform/utf8.h"

namespace platform {

ModuleHandle moduleInstance = nullptr;

namespace {
// Message boxes come only from the host's thread.
int quietDepth = 0;
}  // namespace

QuietMessages::QuietMessages() { ++quietDepth; }
QuietMessages::~QuietMessages() { --quietDepth; }

int showTableMessage(unsigned id, unsigned boxType) {
  static char text[256];
  if (moduleInstance == nullptr || quietDepth > 0) return -1;
  WindowHandle owner = activeWindow();
  loadString(moduleInstance, id, text, sizeof text);
  return messageBox(owner, text, "", boxType);
}

constexpr std::size_t kFormattedUnits = 511;

int showTableMessageFormatted(unsigned id, unsigned boxType, ...) {
  static char format[256];
  // Room for 511 characters of three bytes each in UTF-8.
  static char text[3 * kFormattedUnits + 1];
  if (moduleInstance == nullptr || quietDepth > 0) return -1;
  WindowHandle owner = activeWindow();
  loadString(moduleInstance, id, format, sizeof format);
  va_list arguments;
  va_start(arguments, boxType);
  // vsnprintf stops short of the end and always terminates.
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  // As many characters as the boxes always showed, whatever their bytes.
  cutUtf8ToUnits(text, kFormattedUnits);
  return messageBox(owner, text, "", boxType);
}

}  // namespace platform
