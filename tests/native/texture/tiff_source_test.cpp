// TIFF textures: expansion to RGB, compaction, compressed strips read in
// any order, the pre-roll and the refusals of the opener.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "tests/native/texture/texture_test.h"
#include "texture/tiff_file.h"

using namespace texture;
using fixtures::TiffSpec;

namespace {

class TiffSourceTest : public TextureTest {
 protected:
  TiffSpec layout(int width, int height, int samples, int photometric) {
    TiffSpec s;
    s.path = dir.file("t.tif");
    s.width = width;
    s.height = height;
    s.samplesPerPixel = samples;
    s.photometric = photometric;
    return s;
  }

  bool open(const TiffSpec& s) {
    fixtures::writeTiff(s);
    return openTextureSource(s.path.c_str(), &source) == 1;
  }
};

TEST_F(TiffSourceTest, RgbRowsAreDeliveredAsStored) {
  TiffSpec s = layout(9, 6, 3, 2);
  ASSERT_TRUE(open(s));
  EXPECT_EQ(source.kind, kindTiffRgb);
  EXPECT_EQ(source.expansion, expansionNone);
  EXPECT_EQ(source.rowBytes, 27);
  EXPECT_EQ(source.bufferRowBytes, 27);
  EXPECT_NE(source.tiff, nullptr);
  EXPECT_EQ(source.bmpFile, 0);
  for (int r : {5, 0, 3, 3, 1}) EXPECT_EQ(row(r), fixtures::expectedTiffRow(s, r)) << r;
}

TEST_F(TiffSourceTest, OneSampleRowsExpandByPhotometricInterpretation) {
  TiffSpec s = layout(3, 1, 1, 0);
  s.data = {0, 255, 7};
  ASSERT_TRUE(open(s));
  EXPECT_EQ(source.expansion, expansionInvertedGray);
  EXPECT_EQ(source.rowBytes, 9);
  EXPECT_EQ(row(0), (std::vector<std::uint8_t>{255, 255, 255, 0, 0, 0, 248, 248, 248}));
  releaseTextureSource(&source);

  for (int photometric : {1, 2}) {
    s.photometric = photometric;
    ASSERT_TRUE(open(s)) << photometric;
    EXPECT_EQ(source.expansion, expansionGray);
    EXPECT_EQ(row(0), (std::vector<std::uint8_t>{0, 0, 0, 255, 255, 255, 7, 7, 7}));
    releaseTextureSource(&source);
  }
}

TEST_F(TiffSourceTest, PaletteEntriesKeepTheHighByteOfEachColourMapValue) {
  TiffSpec s = layout(2, 1, 1, 3);
  s.data = {5, 200};
  s.colormapValues = fixtures::tiffColormap(s);
  s.colormapValues[5] = 65535;            // red
  s.colormapValues[256 + 5] = 32768;      // green
  s.colormapValues[512 + 5] = 0;          // blue
  ASSERT_TRUE(open(s));
  EXPECT_EQ(source.expansion, expansionColorTable);
  EXPECT_EQ(source.colorCount, 256);
  const std::vector<std::uint8_t> delivered = row(0);
  ASSERT_EQ(delivered.size(), 6u);
  EXPECT_EQ(delivered[0], 255);
  EXPECT_EQ(delivered[1], 128);
  EXPECT_EQ(delivered[2], 0);
  EXPECT_EQ(delivered, fixtures::expectedTiffRow(s, 0));

  // The resampler's fetch, through the record it is given.
  std::vector<std::uint8_t> fetched(6);
  EXPECT_EQ(fetchSourceRow(&source, 0, fetched.data()), 0);
  EXPECT_EQ(fetched, delivered);
  EXPECT_EQ(fetchSourceRow(&source, 1, fetched.data()), -1);
}

TEST_F(TiffSourceTest, FourSamplesDropTheFourth) {
  TiffSpec s = layout(2, 1, 4, 2);
  s.data = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_TRUE(open(s));
  EXPECT_EQ(source.kind, kindTiffFourSamples);
  EXPECT_EQ(source.rowBytes, 8);
  EXPECT_EQ(source.bufferRowBytes, 6);
  EXPECT_EQ(row(0), (std::vector<std::uint8_t>{1, 2, 3, 5, 6, 7}));

  // Fetched rows have only 3 x width bytes of room.
  std::vector<std::uint8_t> fetched(6 + 1, 0xAB);
  EXPECT_EQ(fetchSourceRow(&source, 0, fetched.data()), 0);
  EXPECT_EQ(fetched, (std::vector<std::uint8_t>{1, 2, 3, 5, 6, 7, 0xAB}));
}

TEST_F(TiffSourceTest, FetchSourceRowWithoutAnOpenTiffFails) {
  TextureSource empty{};
  std::uint8_t destination[3];
  EXPECT_EQ(fetchSourceRow(&empty, 0, destination), -1);
  EXPECT_EQ(fetchSourceRow(nullptr, 0, destination), -1);
}

TEST_F(TiffSourceTest, RowsOutsideTheTextureFailCleanly) {
  ASSERT_TRUE(open(layout(4, 4, 1, 1)));
  std::uint8_t destination[12];
  for (int r : {-1, 4, 32767}) {
    EXPECT_TRUE(row(r).empty()) << r;
    EXPECT_EQ(fetchSourceRow(&source, r, destination), -1) << r;
  }
  EXPECT_TRUE(messageTexts().empty());
}

// Compressed strips of several rows, read in a scrambled order, must give
// the bytes a sequential read gives.
TEST_F(TiffSourceTest, CompressedStripsReadInAnyOrder) {
  struct Case {
    int size;
    int samples;
    int photometric;
    int compression;
    int rowsPerStrip;
  };
  for (const Case c : {Case{512, 3, 2, COMPRESSION_LZW, 16}, Case{128, 1, 1, COMPRESSION_LZW, 0},
                       Case{128, 1, 3, COMPRESSION_ADOBE_DEFLATE, 40},
                       Case{128, 4, 2, COMPRESSION_ADOBE_DEFLATE, 128}}) {
    TiffSpec s = layout(c.size, c.size, c.samples, c.photometric);
    s.compression = c.compression;
    s.rowsPerStrip = c.rowsPerStrip;
    ASSERT_TRUE(open(s)) << c.size;

    std::vector<std::vector<std::uint8_t>> sequential;
    for (int r = 0; r < c.size; ++r) sequential.push_back(row(r));
    for (int r = 0; r < c.size; ++r) ASSERT_EQ(sequential[r], fixtures::expectedTiffRow(s, r));

    std::vector<int> order(c.size);
    for (int r = 0; r < c.size; ++r) order[r] = r;
    std::mt19937 shuffle(1234);
    std::shuffle(order.begin(), order.end(), shuffle);
    order.resize(c.size == 512 ? 120 : order.size());
    for (int r : {1, 1, 0, c.size - 1, 2}) order.push_back(r);  // repeats and the edges
    for (int r : order) ASSERT_EQ(row(r), sequential[r]) << "row " << r << " of " << c.size;

    // The resampler's path too.
    std::vector<std::uint8_t> fetched(3 * static_cast<std::size_t>(c.size));
    for (int r : {77, 5, 90, 6}) {
      ASSERT_EQ(fetchSourceRow(&source, r, fetched.data()), 0);
      EXPECT_EQ(fetched, sequential[r]) << r;
    }
    releaseTextureSource(&source);
  }
}

TEST_F(TiffSourceTest, PrerollDecodesTheRowsBeforeTheStartingRow) {
  TiffSpec s = layout(64, 32, 3, 2);
  s.compression = COMPRESSION_LZW;
  s.rowsPerStrip = 32;
  ASSERT_TRUE(open(s));
  long before = tiffScanlinesRead;
  EXPECT_EQ(prerollTiff(&source, 10), 1);
  EXPECT_EQ(tiffScanlinesRead - before, 10);
  before = tiffScanlinesRead;
  EXPECT_EQ(row(10), fixtures::expectedTiffRow(s, 10));
  EXPECT_EQ(tiffScanlinesRead - before, 1);  // nothing left to skip
  releaseTextureSource(&source);

  ASSERT_TRUE(open(s));
  before = tiffScanlinesRead;
  EXPECT_EQ(prerollTiff(&source, 0), 1);
  EXPECT_EQ(tiffScanlinesRead, before);
  releaseTextureSource(&source);

  s.compression = COMPRESSION_NONE;
  ASSERT_TRUE(open(s));
  before = tiffScanlinesRead;
  EXPECT_EQ(prerollTiff(&source, 10), 0);
  EXPECT_EQ(tiffScanlinesRead, before);
  releaseTextureSource(&source);

  fixtures::BmpSpec bmp;
  bmp.path = dir.file("b.bmp");
  fixtures::writeBmp(bmp);
  ASSERT_EQ(openTextureSource(bmp.path.c_str(), &source), 1);
  EXPECT_EQ(prerollTiff(&source, 3), 0);
  TextureSource empty{};
  EXPECT_EQ(prerollTiff(&empty, 3), 0);
}

TEST_F(TiffSourceTest, PrescaledRowsComeFromMemory) {
  source.kind = kindPrescaled;
  source.scaledHeight = 2;
  source.bufferRowBytes = 3;
  source.rowBytes = 3;
  source.prescaled = static_cast<std::uint8_t*>(platform::allocateMemory(6));
  for (int i = 0; i < 6; ++i) source.prescaled[i] = static_cast<std::uint8_t>(10 + i);
  EXPECT_EQ(row(1), (std::vector<std::uint8_t>{13, 14, 15}));
  EXPECT_TRUE(row(2).empty());
  EXPECT_TRUE(row(-1).empty());
  source.kind = 5;
  EXPECT_TRUE(row(0).empty());
}

TEST_F(TiffSourceTest, OpenerRefusals) {
  struct Case {
    const char* what;
    TiffSpec layout;
    std::vector<std::string> messages;
  };
  TiffSpec planar = layout(8, 8, 3, 2);
  planar.planarConfig = 2;
  TiffSpec planarFour = layout(8, 8, 4, 2);
  planarFour.planarConfig = 2;
  TiffSpec tall = layout(1, 32768, 1, 1);
  TiffSpec deep = layout(8, 8, 3, 2);
  deep.bitsPerSample = 16;
  TiffSpec cmyk = layout(8, 8, 4, 5);
  const Case cases[] = {
      {"separate planes", planar, {kUnsupported}},
      {"separate planes, four samples", planarFour, {kUnsupported}},
      {"over 32767 rows", tall, {kUnsupported}},
      // Not described: refused with no message of the opener's own.
      {"16 bits", deep, {}},
      {"photometric 5", cmyk, {}},
  };
  for (const Case& c : cases) {
    TiffSpec s = c.layout;
    s.path = dir.file("bad.tif");
    fixtures::writeTiff(s);
    platform::clearRecordedMessages();
    TextureSource local{};
    EXPECT_EQ(openTextureSource(s.path.c_str(), &local), 0) << c.what;
    EXPECT_EQ(messageTexts(), c.messages) << c.what;
    EXPECT_EQ(local.tiff, nullptr) << c.what;
    EXPECT_EQ(local.colorTable, nullptr) << c.what;
    releaseTextureSource(&local);
  }

  // Tiles have no scanlines.
  const std::string tiledPath = dir.file("tiled.tif");
  TIFF* tiled = TIFFOpen(tiledPath.c_str(), "w");
  ASSERT_NE(tiled, nullptr);
  TIFFSetField(tiled, TIFFTAG_IMAGEWIDTH, 16u);
  TIFFSetField(tiled, TIFFTAG_IMAGELENGTH, 16u);
  TIFFSetField(tiled, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiled, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tiled, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiled, TIFFTAG_TILEWIDTH, 16u);
  TIFFSetField(tiled, TIFFTAG_TILELENGTH, 16u);
  std::vector<std::uint8_t> tile(16 * 16 * 3, 9);
  ASSERT_GT(TIFFWriteTile(tiled, tile.data(), 0, 0, 0, 0), 0);
  TIFFClose(tiled);
  platform::clearRecordedMessages();
  EXPECT_EQ(openTextureSource(tiledPath.c_str(), &source), 0);
  EXPECT_EQ(messageTexts(), std::vector<std::string>{kUnsupported});
  releaseTextureSource(&source);

  // A single plane is the same bytes either way and is read.
  TiffSpec onePlane = layout(5, 3, 1, 1);
  onePlane.planarConfig = 2;
  ASSERT_TRUE(open(onePlane));
  EXPECT_EQ(row(2), fixtures::expectedTiffRow(onePlane, 2));
}

TEST_F(TiffSourceTest, FilesThatCannotBeDescribedFailSilently) {
  TextureSource local{};
  EXPECT_EQ(openTextureSource(dir.file("missing.tif").c_str(), &local), 0);
  EXPECT_EQ(openTextureSource(nullptr, &local), 0);
  EXPECT_EQ(openTextureSource(fixtures::writeTextFile(dir.file("junk.tif"), "II*").c_str(),
                              &local),
            0);
  EXPECT_TRUE(messageTexts().empty());
  EXPECT_EQ(local.tiff, nullptr);
  releaseTextureSource(&local);
}

TEST_F(TiffSourceTest, OneSampleRowsNeedNoMemory) {
  // Gray rows are expanded in the destination itself.
  TiffSpec s = layout(4, 4, 1, 0);
  ASSERT_TRUE(open(s));
  platform::test::failAllocationAfter(1);
  EXPECT_EQ(row(1), fixtures::expectedTiffRow(s, 1));
  EXPECT_TRUE(messageTexts().empty());
  platform::test::failAllocationAfter(0);
  releaseTextureSource(&source);

  // The palette's colour table.
  s.photometric = 3;
  fixtures::writeTiff(s);
  platform::clearRecordedMessages();
  platform::test::failAllocationAfter(1);
  EXPECT_EQ(openTextureSource(s.path.c_str(), &source), 0);
  EXPECT_EQ(messageTexts(), std::vector<std::string>{kUnsupported});
  EXPECT_EQ(source.tiff, nullptr);
}

TEST_F(TiffSourceTest, ReleaseIsSafeAfterFailureAndTwice) {
  TextureSource local{};
  EXPECT_EQ(releaseTextureSource(&local), 0);
  EXPECT_EQ(openTextureSource(dir.file("none.tif").c_str(), &local), 0);
  EXPECT_EQ(releaseTextureSource(&local), 0);

  TiffSpec s = layout(4, 4, 1, 3);
  ASSERT_TRUE(open(s));
  source.rowBuffer = static_cast<std::uint8_t*>(platform::allocateMemory(source.rowBytes));
  EXPECT_EQ(releaseTextureSource(&source), 0);
  const TextureSource zero{};
  EXPECT_EQ(std::memcmp(&source, &zero, sizeof zero), 0);
  EXPECT_EQ(releaseTextureSource(&source), 0);
}

TEST(TiffMessages, LibraryTextsAreNotShown) {
  platform::clearRecordedMessages();
  fixtures::TempDir dir;
  // Opening a non-TIFF makes libtiff complain through its error handler.
  EXPECT_EQ(openTiffForReading(fixtures::writeTextFile(dir.file("x.tif"), "not").c_str()),
            nullptr);
  // A name far longer than the 256-byte text the handlers format into.
  EXPECT_EQ(openTiffForReading(dir.file(std::string(400, 'q') + ".tif").c_str()), nullptr);
  EXPECT_TRUE(platform::recordedMessages().empty());
}

}  // namespace
