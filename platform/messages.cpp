#include "platform/messages.h"

#include <cstdarg>
#include <cstdio>

#include "platform/module_instance.h"
#include "platform/platform.h"

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

int showTableMessageFormatted(unsigned id, unsigned boxType, ...) {
  static char format[256];
  static char text[512];
  if (moduleInstance == nullptr || quietDepth > 0) return -1;
  WindowHandle owner = activeWindow();
  loadString(moduleInstance, id, format, sizeof format);
  va_list arguments;
  va_start(arguments, boxType);
  // vsnprintf stops at 511 characters and always terminates.
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  return messageBox(owner, text, "", boxType);
}

}  // namespace platform
