// Any bytes as the chooser's settings file: the keys read (the fill options
// each within its range, whatever is stored), then written and read back.
// Whatever the file held before, a value just written must read back as
// written, and writing the same values again must leave the file as it is.
#include <fstream>
#include <iterator>
#include <string>

#include "chooser/settings.h"
#include "platform/platform.h"
#include "platform/posix/profile_posix_test.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

std::string contentsOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::InputScope scope;
  chooser::loadSettingsNames(reinterpret_cast<void*>(1));
  const std::string path = fuzzing::writeInputFile(data, size, chooser::settingsFileName);
  const std::string directory = path.substr(0, path.rfind('/'));
  platform::test::setProfileDirectory(directory);

  chooser::readFilterIndexSetting();
  chooser::readPreviewSetting();
  chooser::readTileOriginSetting();
  platform::profileInt(chooser::settingsSection, chooser::kListViewKey, 0, chooser::settingsFileName);
  fill::FillOptions stored;
  chooser::readFillSettings(&stored);
  for (int i = 0; i < chooser::kFillSettingCount; ++i) {
    const chooser::FillSettingRule& rule = chooser::kFillSettingRules[i];
    const std::int32_t value = chooser::fillSettingValue(stored, static_cast<chooser::FillSetting>(i));
    if (value < rule.minimum || value > rule.maximum) fuzzing::fail("a stored fill option reads out of range");
  }

  // Written values come from the input's size so that every combination
  // turns up across a corpus.
  const bool origin = (size & 1) != 0;
  const chooser::DialogSettings written{(size & 2) != 0, (size & 4) != 0,
                                        static_cast<int>(size % 5)};
  chooser::writeTileOriginSetting(origin);
  chooser::writeDialogSettings(written);
  if (chooser::readTileOriginSetting() != origin) fuzzing::fail("tOn does not read back");
  if (chooser::readPreviewSetting() != written.previewChecked) fuzzing::fail("prv does not read back");
  const unsigned listView = platform::profileInt(chooser::settingsSection, chooser::kListViewKey,
                                                 7, chooser::settingsFileName);
  if (listView != (written.longNamesChecked ? 1u : 0u)) fuzzing::fail("fVw does not read back");
  if (chooser::readFilterIndexSetting() != static_cast<unsigned>(written.fileTypeIndex + 1)) {
    fuzzing::fail("fId does not read back");
  }
  fill::FillOptions options;
  options.angleDegrees = -static_cast<double>(size % 361);
  options.offsetX = -static_cast<std::int32_t>(size % (fill::kOffsetLimit + 1));
  chooser::writeFillSettings(options);
  fill::FillOptions read;
  chooser::readFillSettings(&read);
  if (read.angleDegrees != options.angleDegrees || read.offsetX != options.offsetX) {
    fuzzing::fail("a negative fill option does not read back");
  }

  // A second identical write changes nothing.
  const std::string once = contentsOf(path);
  chooser::writeDialogSettings(written);
  chooser::writeTileOriginSetting(origin);
  chooser::writeFillSettings(options);
  if (contentsOf(path) != once) fuzzing::fail("rewriting the same values changed the file");

  platform::test::setProfileDirectory("");
  return 0;
}
