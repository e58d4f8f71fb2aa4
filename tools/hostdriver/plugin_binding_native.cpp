// The engine linked in: the chooser is the native choice provider, and
// message boxes are the POSIX platform layer's records.
#include "chooser/posix/choice_provider.h"
#include "host/entry.h"
#include "platform/posix/message_log.h"
#include "tools/hostdriver/plugin_binding.h"

namespace hostdriver {

EntryPoint bindPlugin(const std::string& pluginPath, std::string& error) {
  if (!pluginPath.empty()) {
    error = "a .8BF is loaded by the Windows build; this build has the engine linked in";
    return nullptr;
  }
  // The library's process attach: strings and messages need a module, and
  // any non-zero instance will do, as the string table is compiled in.
  host::attachModule(reinterpret_cast<void*>(1));
  return ENTRYPOINT1;
}

void unbindPlugin() { host::detachModule(); }

void choosePluginTexture(const PluginChoice& choice) {
  chooser::provideChoice({.status = choice.status, .fileName = choice.texturePath, .options = choice.options});
}

std::string takeChoiceProblems() { return ""; }

std::vector<std::string> takePluginMessages() {
  std::vector<std::string> texts;
  for (const platform::RecordedMessage& message : platform::recordedMessages()) {
    texts.push_back(message.text);
  }
  platform::clearRecordedMessages();
  return texts;
}

}  // namespace hostdriver
