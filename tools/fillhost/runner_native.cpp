// The native side of the fill runner: the core is linked in, the chooser is
// the native choice provider and message boxes are the POSIX layer's records.
#include "chooser/posix/choice_provider.h"
#include "host/entry.h"
#include "platform/posix/platform_posix_test.h"
#include "tools/fillhost/runner_platform.h"

namespace fillhost {

EntryPoint loadPlugin(const char*, std::string*) {
  // Any non-zero instance: the string table is compiled in.
  host::attachModule(reinterpret_cast<void*>(1));
  return ENTRYPOINT1;
}

void unloadPlugin() { host::detachModule(); }

void chooseTexture(const FillCase& fillCase, const std::string& texturePath) {
  chooser::ProvidedChoice choice;
  choice.status = fillCase.chooserStatus;
  choice.fileName = texturePath;
  choice.sizeChoice = fillCase.sizeChoice;
  choice.tileOrigin = fillCase.tileOrigin;
  chooser::provideChoice(choice);
}

void forgetMessageBoxes() { platform::test::clearMessages(); }

int messageBoxesShown() { return static_cast<int>(platform::test::messages().size()); }

char pathSeparator() { return '/'; }

}  // namespace fillhost
