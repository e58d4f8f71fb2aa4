// texfill's own plumbing: documents in and out, the host driver's guard
// against bands outside the document, and the dialog-like listing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/native/support/texture_fixtures.h"
#include "tests/native/texfill/texfill_process.h"
#include "tools/hostdriver/host_driver.h"
#include "tools/texfill/document_io.h"
#include "tools/texfill/library_listing.h"
#include "tools/texfill/tiff_io.h"

namespace {

using texfill::Image;

TEST(TexfillDocuments, TiffLayoutsReadAsTheirPixels) {
  fixtures::TempDir dir;
  std::string error;
  // Written by texfill, then the layouts other programs write.
  for (int channels : {1, 3}) {
    const Image image = texfilltest::patternImage(37, 23, channels);
    const std::string path = dir.file("plain" + std::to_string(channels) + ".tif");
    ASSERT_TRUE(texfill::writeTiff(path, image, error)) << error;
    Image read;
    ASSERT_TRUE(texfill::readImageFile(path, read, error)) << error;
    EXPECT_EQ(read.channels, channels);
    EXPECT_TRUE(read.pixels == image.pixels);
  }
  fixtures::TiffSpec planar;
  planar.path = dir.file("planar.tif");
  planar.width = 9;
  planar.height = 5;
  planar.planarConfig = 2;
  planar.rowsPerStrip = 1;
  Image read;
  ASSERT_TRUE(texfill::readImageFile(fixtures::writeTiff(planar), read, error)) << error;
  for (int y = 0; y < 5; ++y) {
    const auto expected = fixtures::expectedTiffRow(planar, y);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), texfill::rowOf(read, y))) << y;
  }
  fixtures::TiffSpec white;
  white.path = dir.file("white.tif");
  white.samplesPerPixel = 1;
  white.photometric = 0;  // white is zero: stored 0 reads as 255
  white.data.assign(64, 0);
  ASSERT_TRUE(texfill::readImageFile(fixtures::writeTiff(white), read, error)) << error;
  EXPECT_EQ(read.pixels, std::vector<std::uint8_t>(64, 255));
}

TEST(TexfillDocuments, CancelledWriteKeepsTheOldFileAndLeavesNoTemporary) {
  fixtures::TempDir dir;
  std::string error;
  const std::string path = dir.file("out.png");
  const Image first = texfilltest::patternImage(10, 10, 3);
  ASSERT_TRUE(texfill::writeImageFile(path, first, error)) << error;
  const Image second = texfill::makeImage(10, 10, 3, 7);
  EXPECT_FALSE(texfill::writeImageFile(path, second, error, [] { return true; }));
  Image read;
  ASSERT_TRUE(texfill::readImageFile(path, read, error));
  EXPECT_TRUE(read.pixels == first.pixels);
  EXPECT_EQ(texfilltest::filesIn(dir.path()), std::vector<std::string>{"out.png"});
  EXPECT_FALSE(texfill::writeImageFile(dir.file("out.jpg"), first, error));
}

// A plug-in that, after a good first band, asks for a band reaching below
// the document: the host must refuse to hand it over, and still finish.
std::vector<std::int16_t> selectorsSeen;
void misbehavingEntry(std::int16_t selector, void* block, std::intptr_t*, std::int16_t* result) {
  auto* record = static_cast<host::FilterRecord*>(block);
  selectorsSeen.push_back(selector);
  *result = 0;
  if (selector == host::filterSelectorStart) {
    record->outRect = {0, 0, 1, 4};
    record->outHiPlane = 2;
  } else if (selector == host::filterSelectorContinue) {
    static_cast<std::uint8_t*>(record->outData)[0] = 99;
    record->outRect = {static_cast<std::int16_t>(record->outRect.top + 1), 0, 9, 4};
  }
}

TEST(TexfillHost, RefusesBandsOutsideTheDocumentAndStillFinishes) {
  selectorsSeen.clear();
  Image document = texfill::makeImage(4, 3, 3);
  hostdriver::HostDriver host(misbehavingEntry, hostdriver::packedView(document.pixels.data(), 4, 3, 3), 3);
  hostdriver::RunPlan plan;
  plan.end = hostdriver::LoopEnd::allSidesZero;
  const hostdriver::RunLog& outcome = host.run(plan);
  EXPECT_EQ(outcome.continueCalls, 1);
  EXPECT_NE(outcome.hostError.find("not inside the document"), std::string::npos);
  EXPECT_EQ(document.pixels[0], 99);
  const std::vector<std::int16_t> expected = {1, 2, 3, 4, 5};
  EXPECT_EQ(selectorsSeen, expected);
}

TEST(TexfillList, ShowsFilesAsTheDialogDoes) {
  fixtures::TempDir dir;
  fixtures::TiffSpec named;
  named.path = dir.file("Named.TIF");
  named.description = "Granite Slab;quarried";
  fixtures::writeTiff(named);
  fixtures::TiffSpec bare;
  bare.path = dir.file("bare.tif");
  fixtures::writeTiff(bare);
  fixtures::BmpSpec bmp;
  bmp.path = dir.file("picture.bmp");
  bmp.bitCount = 8;
  fixtures::writeBmp(bmp);
  fixtures::writeTextFile(dir.file("notes.txt"), "x");

  std::vector<texfill::LibraryEntry> entries;
  std::string error;
  ASSERT_TRUE(texfill::listLibrary(dir.path(), "tif", entries, error)) << error;
  ASSERT_EQ(entries.size(), 2u);  // sorted without regard to case
  EXPECT_EQ(entries[0].fileName, "bare.tif");
  EXPECT_EQ(entries[0].longName, "");
  EXPECT_EQ(entries[1].fileName, "Named.TIF");
  EXPECT_EQ(entries[1].longName, "Granite Slab");
  EXPECT_EQ(entries[1].infoLine, "TIFF (24 bit, 8x8)");

  entries.clear();
  ASSERT_TRUE(texfill::listLibrary(dir.path(), "all", entries, error)) << error;
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[2].fileName, "notes.txt");
  EXPECT_EQ(entries[2].infoLine, "");
  EXPECT_EQ(entries[3].fileName, "picture.bmp");
  EXPECT_EQ(entries[3].longName, "picture.bmp");  // not a TIFF: its own name
  EXPECT_EQ(entries[3].infoLine, "BMP (8 bit, 8x8)");
  EXPECT_FALSE(entries[3].highRes || entries[3].lowRes);
}

}  // namespace
