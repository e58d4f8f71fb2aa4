// Runs every case of a case list through the plug-in and prints one line per
// case:
//   name <FNV-1a-64 of the document> result=<code> bands=<n> progress=<hash> boxes=<n>
// followed by " problem=..." items when the run went wrong in a way no
// comparison would catch (unexpected result, writes outside the filter
// rectangle, a band a host would refuse).
//
//   fill_cases [--plugin PLUGIN.8BF] CASES [TEXTURE_DIR]
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/fillhost/case_list.h"
#include "tools/fillhost/fill_host.h"
#include "tools/hostdriver/plugin_binding.h"

namespace {

#if defined(_WIN32)
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

std::string directoryOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::uint64_t progressHash(const fillhost::FillOutcome& outcome) {
  std::uint64_t hash = fillhost::fnv1a64(nullptr, 0);
  for (const auto& [done, total] : outcome.log.progress) {
    const std::int32_t pair[2] = {done, total};
    hash = fillhost::fnv1a64(pair, sizeof pair, hash);
  }
  return hash;
}

// Message boxes the run showed. Not the "Cannot find file " box with which
// the Windows dialog reports its own failure: the native chooser has no
// dialog to show it.
int messageBoxes() {
  int boxes = 0;
  for (const std::string& text : hostdriver::takePluginMessages()) {
    if (text != "Cannot find file ") ++boxes;
  }
  return boxes;
}

// One word for the line: spaces become dashes.
std::string problemWord(std::string text) {
  for (char& c : text) {
    if (c == ' ') c = '-';
  }
  return " problem=" + text;
}

std::string problemsOf(const fillhost::FillCase& fillCase, const fillhost::FillOutcome& outcome,
                       int boxes, const std::string& choiceProblems) {
  std::string problems;
  const int result = outcome.log.result();
  if (result != fillCase.expectedResult) {
    problems += " problem=result-" + std::to_string(result) + "-expected-" +
                std::to_string(fillCase.expectedResult);
  }
  if (fillCase.expectedBoxes >= 0 && boxes != fillCase.expectedBoxes) {
    problems += " problem=boxes-expected-" + std::to_string(fillCase.expectedBoxes);
  }
  if (outcome.outsideChanged) problems += " problem=wrote-outside-filter-rectangle";
  if (outcome.transparencyWrong) {
    problems += fillhost::transparencyWritten(fillCase.request) ? " problem=transparency-not-opaque"
                                                                 : " problem=wrote-host-transparency";
  }
  if (!outcome.log.hostError.empty()) problems += problemWord(outcome.log.hostError);
  if (!choiceProblems.empty()) problems += problemWord("chooser: " + choiceProblems);
  return problems;
}

}  // namespace

int main(int argc, char** argv) {
  std::string plugin;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--plugin") == 0 && i + 1 < argc) {
      plugin = argv[++i];
    } else {
      positional.push_back(argv[i]);
    }
  }
  if (positional.empty() || positional.size() > 2) {
    std::fprintf(stderr, "usage: fill_cases [--plugin PLUGIN.8BF] CASES [TEXTURE_DIR]\n");
    return 2;
  }
  bool readOk = false;
  const std::string text = fillhost::readTextFile(positional[0], &readOk);
  if (!readOk) {
    std::fprintf(stderr, "fill_cases: cannot read %s\n", positional[0].c_str());
    return 2;
  }
  std::vector<fillhost::FillCase> cases;
  std::string error;
  if (!fillhost::parseCaseList(text, &cases, &error)) {
    std::fprintf(stderr, "fill_cases: %s: %s\n", positional[0].c_str(), error.c_str());
    return 2;
  }
  const std::string textureDirectory = positional.size() > 1 ? positional[1] : directoryOf(positional[0]);

  const hostdriver::EntryPoint entry = hostdriver::bindPlugin(plugin, error);
  if (entry == nullptr) {
    std::fprintf(stderr, "fill_cases: %s\n", error.c_str());
    return 2;
  }

  int troubled = 0;
  for (const fillhost::FillCase& fillCase : cases) {
    // A texture in a folder of the texture directory is named with "/".
    std::string texture = fillCase.texture;
    for (char& c : texture) c = c == '/' ? kPathSeparator : c;
    hostdriver::choosePluginTexture(
        {fillCase.chooserStatus, textureDirectory + kPathSeparator + texture, fillCase.options});
    hostdriver::takePluginMessages();
    hostdriver::takeChoiceProblems();
    const fillhost::FillOutcome outcome = fillhost::runFill(entry, fillCase.request);
    const int boxes = messageBoxes();
    const std::string problems = problemsOf(fillCase, outcome, boxes, hostdriver::takeChoiceProblems());
    if (!problems.empty()) ++troubled;
    std::printf("%s %016" PRIx64 " result=%d bands=%d progress=%016" PRIx64 " boxes=%d%s\n",
                fillCase.name.c_str(),
                fillhost::fnv1a64(outcome.document.data(), outcome.document.size()),
                outcome.log.result(), outcome.log.continueCalls, progressHash(outcome),
                boxes, problems.c_str());
    std::fflush(stdout);
  }
  hostdriver::unbindPlugin();
  return troubled == 0 ? 0 : 1;
}
