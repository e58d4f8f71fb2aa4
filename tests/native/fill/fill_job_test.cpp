// A fill job owns everything of its run: two jobs with different textures
// and options, alive at once and filled band by band in turn, give the bytes
// each gives alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fill/fill_job.h"
#include "fill/result_codes.h"
#include "host/entry.h"
#include "tests/native/support/texture_fixtures.h"

namespace {

struct JobRun {
  fill::FillJob job{};
  fill::HostView view{};
  std::vector<std::uint8_t> document;
  int planes = 3;
  int width = 0;
};

// Start for a document of `width` x `height` in `imageMode`, filter
// rectangle (top, left)-(bottom, right).
void start(JobRun& run, const std::string& path, const fill::FillOptions& options, int width, int height,
           std::int16_t imageMode, fill::Rect16 filter) {
  run.planes = imageMode == 1 ? 1 : 3;
  run.width = width;
  run.document.assign(static_cast<std::size_t>(width) * height * run.planes, 0x5A);
  fill::clearFillJob(&run.job);
  path.copy(run.job.fileName, sizeof run.job.fileName - 1);
  run.job.options = options;
  run.view.filterRect = filter;
  run.view.planes = static_cast<std::int16_t>(run.planes);
  run.view.imageMode = imageMode;
  run.view.outRowBytes = width * run.planes;
  std::int16_t result = fill::noErr;
  fill::startFillJob(&run.job, run.view, &result);
  ASSERT_EQ(result, fill::noErr);
}

// One Continue; false once the bands have run out.
bool nextBand(JobRun& run) {
  const fill::Rect16 band = run.view.outRect;
  if (band.bottom <= band.top) return false;
  run.view.outData = run.document.data() + (static_cast<std::size_t>(band.top) * run.width + band.left) * run.planes;
  std::int16_t result = fill::noErr;
  fill::fillNextBand(&run.job, run.view, &result);
  EXPECT_EQ(result, fill::noErr);
  return result == fill::noErr;
}

TEST(FillJobTest, TwoJobsAtOnceEachGiveTheirOwnBytes) {
  host::attachModule(reinterpret_cast<void*>(1));
  fixtures::TempDir dir;
  fixtures::TiffSpec rgb;
  rgb.path = dir.file("high.tif");
  rgb.width = rgb.height = 512;
  fixtures::TiffSpec gray;
  gray.path = dir.file("low.tif");
  gray.width = gray.height = 128;
  gray.samplesPerPixel = 1;
  gray.photometric = 1;
  fixtures::writeTiff(rgb);
  fixtures::writeTiff(gray);

  // A reduction of the RGB library texture into an RGB selection, and an
  // enlargement of the gray one into a gray document anchored at the
  // selection.
  const fill::FillOptions reduced{.sizeChoice = fill::size128, .tileOrigin = fill::originDocument};
  const fill::FillOptions enlarged{.sizeChoice = fill::size512, .tileOrigin = fill::originSelection};
  const fill::Rect16 selection{13, 7, 190, 301};

  JobRun alone[2];
  start(alone[0], rgb.path, reduced, 320, 200, 3, selection);
  while (nextBand(alone[0])) {}
  start(alone[1], gray.path, enlarged, 320, 200, 1, selection);
  while (nextBand(alone[1])) {}

  JobRun together[2];
  start(together[0], rgb.path, reduced, 320, 200, 3, selection);
  start(together[1], gray.path, enlarged, 320, 200, 1, selection);
  bool more[2] = {true, true};
  while (more[0] || more[1]) {
    for (int i = 0; i < 2; ++i) {
      if (more[i]) more[i] = nextBand(together[i]);
    }
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(together[i].document, alone[i].document) << "job " << i;
    fill::releaseFillJob(&alone[i].job);
    fill::releaseFillJob(&together[i].job);
  }
  EXPECT_NE(alone[0].document, std::vector<std::uint8_t>(alone[0].document.size(), 0x5A));
}

}  // namespace
