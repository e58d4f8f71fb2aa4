// Any bytes as the file whose preview the Open Texture dialog shows: the
// colour table and the bottom-up rows of its preview directory, loaded into
// a panel whose buffers are exactly their size, for both kinds of display
// and a panel smaller than the library's previews.
#include <cstring>

#include "chooser/posix/preview_display_test.h"
#include "chooser/preview_panel.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::InputScope scope;
  // The input's length picks the display and the panel, so that a corpus
  // covers each.
  const bool palette = (size & 1) != 0;
  const bool sixteenColours = (size & 2) != 0;
  const bool smallPanel = (size & 4) != 0;
  chooser::setNativeDisplay(palette, sixteenColours ? 4 : 24);
  const std::string path = fuzzing::writeInputFile(data, size, (size & 8) != 0 ? "preview.TIF" : "preview.tif");

  chooser::PreviewPanel panel;
  std::memset(&panel, 0, sizeof panel);
  const int side = smallPanel ? 61 : chooser::kPreviewSide;
  if (chooser::createPreviewPanel(&panel, nullptr, 4, 4, side, side - 3) == 0) {
    chooser::freePreviewPanel(&panel);
    return 0;
  }
  chooser::setPreviewEnabled(&panel, 1);
  chooser::loadPreview(&panel, path.c_str());
  chooser::loadPreview(&panel, path.c_str());
  chooser::loadPreview(&panel, "");
  chooser::freePreviewPanel(&panel);
  chooser::freePreviewPanel(&panel);
  chooser::test::clearInvalidations();
  chooser::setNativeDisplay(false, 24);
  return 0;
}
