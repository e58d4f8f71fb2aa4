#include "chooser/posix/choice_provider.h"

#include <cstring>

#include "chooser/texture_choice.h"

namespace chooser {
namespace {
ProvidedChoice provided;
int runs = 0;
}  // namespace

void provideChoice(const ProvidedChoice& choice) { provided = choice; }
int chooserRuns() { return runs; }

int showAboutDialog(platform::WindowHandle, platform::ModuleHandle) { return 0; }

int runTextureDialog(platform::WindowHandle, platform::ModuleHandle, TextureChoice* choice) {
  ++runs;
  if (provided.status != dialogChosen) return provided.status;
  // A path too long to carry is not cut short into another file's name: it
  // is carried as no name, which fails to open.
  std::size_t length = provided.fileName.size();
  if (length > kFileNameBytes - 1) length = 0;
  std::memcpy(choice->fileName, provided.fileName.data(), length);
  choice->fileName[length] = '\0';
  choice->options = provided.options;
  return dialogChosen;
}

}  // namespace chooser
