// Bitmap textures: row order, padding, colour tables and refusals.
#include <cstring>

#include "tests/native/texture/texture_test.h"
#include "texture/bmp.h"

using namespace texture;
using fixtures::BmpSpec;
using fixtures::Rgb;

namespace {

class BmpSourceTest : public TextureTest {
 protected:
  BmpSpec layout(const std::string& name, int width, int height, int bitCount) {
    BmpSpec s;
    s.path = dir.file(name);
    s.width = width;
    s.height = height;
    s.bitCount = bitCount;
    return s;
  }

  bool open(const BmpSpec& s) {
    fixtures::writeBmp(s);
    return openTextureSource(s.path.c_str(), &source) == 1;
  }
};

TEST_F(BmpSourceTest, TwentyFourBitRowsArePaddedStoredBottomUpAndDeliveredRedFirst) {
  BmpSpec s = layout("three.bmp", 3, 4, 24);
  ASSERT_TRUE(open(s));
  EXPECT_EQ(source.kind, kindBmp24);
  EXPECT_EQ(source.expansion, expansionNone);
  EXPECT_EQ(source.rowBytes, 12);
  EXPECT_EQ(source.bufferRowBytes, 9);
  EXPECT_EQ(source.bmpDataOffset, 54u);
  EXPECT_GT(source.bmpFile, 0);
  EXPECT_EQ(source.tiff, nullptr);

  // Texture row 0 is the last stored row; the first stored row, at the data
  // offset, is the bottom texture row.
  const std::vector<std::uint8_t> file = fixtures::readWholeFile(s.path);
  const std::uint8_t* lastStored = &file[54 + 3 * 12];
  std::vector<std::uint8_t> row0 = row(0);
  ASSERT_EQ(row0.size(), 9u);
  EXPECT_EQ(row0, (std::vector<std::uint8_t>{lastStored[2], lastStored[1], lastStored[0],
                                            lastStored[5], lastStored[4], lastStored[3],
                                            lastStored[8], lastStored[7], lastStored[6]}));
  for (int r = 0; r < 4; ++r) EXPECT_EQ(row(r), fixtures::expectedBmpRow(s, r)) << r;
}

TEST_F(BmpSourceTest, ReadsRowsInAnyOrder) {
  BmpSpec s = layout("odd.bmp", 5, 9, 24);
  s.dataOffset = 200;  // rows start at bfOffBits, not after the headers
  ASSERT_TRUE(open(s));
  for (int r : {8, 0, 4, 4, 7, 1}) EXPECT_EQ(row(r), fixtures::expectedBmpRow(s, r)) << r;
}

TEST_F(BmpSourceTest, NegativeHeightMeansTopDownRows) {
  BmpSpec s = layout("topdown.bmp", 3, -5, 24);
  ASSERT_TRUE(open(s));
  EXPECT_EQ(source.height, 5);
  const std::vector<std::uint8_t> file = fixtures::readWholeFile(s.path);
  std::vector<std::uint8_t> row0 = row(0);
  ASSERT_EQ(row0.size(), 9u);
  EXPECT_EQ(row0[0], file[54 + 2]);  // stored row 0, its first pixel's red
  for (int r = 0; r < 5; ++r) EXPECT_EQ(row(r), fixtures::expectedBmpRow(s, r)) << r;

  BmpSpec indexed = layout("topdown8.bmp", 7, -3, 8);
  texture::releaseTextureSource(&source);
  ASSERT_TRUE(open(indexed));
  for (int r = 0; r < 3; ++r) EXPECT_EQ(row(r), fixtures::expectedBmpRow(indexed, r)) << r;
}

TEST_F(BmpSourceTest, EightBitColourTableHoldsTheListedEntries) {
  BmpSpec all = layout("all.bmp", 4, 2, 8);
  ASSERT_TRUE(open(all));
  EXPECT_EQ(source.expansion, expansionColorTable);
  EXPECT_EQ(source.colorCount, 256);
  EXPECT_EQ(source.rowBytes, 12);  // the stored row expanded to RGB
  EXPECT_EQ(source.bufferRowBytes, 12);
  // The 1024 bytes of entries that follow the info header, as stored.
  const std::vector<std::uint8_t> file = fixtures::readWholeFile(all.path);
  EXPECT_EQ(std::memcmp(source.colorTable + kInfoHeaderBytes, &file[54], 1024), 0);
  EXPECT_EQ(std::memcmp(source.colorTable, &file[14], kInfoHeaderBytes), 0);
  releaseTextureSource(&source);

  BmpSpec sixteen = layout("sixteen.bmp", 4, 2, 8);
  sixteen.clrUsed = 16;
  sixteen.index = [](int x, int y) { return static_cast<std::uint8_t>(x * 5 + y); };
  ASSERT_TRUE(open(sixteen));
  EXPECT_EQ(source.colorCount, 16);
  EXPECT_EQ(std::memcmp(source.colorTable + kInfoHeaderBytes, &fixtures::readWholeFile(
                                                                  sixteen.path)[54], 64), 0);
  // Indices 0..15 come from the table; 16 and beyond are black, never bytes
  // from past the table.
  for (int r = 0; r < 2; ++r) EXPECT_EQ(row(r), fixtures::expectedBmpRow(sixteen, r)) << r;
  const std::vector<std::uint8_t> row1 = row(1);
  EXPECT_EQ(row1[9], 0);  // index 16
  EXPECT_EQ(row1[10], 0);
  EXPECT_EQ(row1[11], 0);
  const Rgb entry = fixtures::bmpPaletteEntry(sixteen, 6);  // index 6 at x = 1
  EXPECT_EQ(row1[3], entry.r);
  EXPECT_EQ(row1[4], entry.g);
  EXPECT_EQ(row1[5], entry.b);
}

TEST_F(BmpSourceTest, MoreThan256ListedColoursReadsOnly256) {
  BmpSpec s = layout("many.bmp", 16, 16, 8);
  s.clrUsed = 100000;
  s.paletteEntries = 256;
  s.dataOffset = 54 + 1024;
  ASSERT_TRUE(open(s));
  EXPECT_EQ(source.colorCount, 256);
  for (int r = 0; r < 16; ++r) EXPECT_EQ(row(r), fixtures::expectedBmpRow(s, r)) << r;
}

TEST_F(BmpSourceTest, TwentyFourBitFilesIgnoreAListedColourTable) {
  BmpSpec s = layout("listed.bmp", 2, 2, 24);
  s.clrUsed = 4;
  s.paletteEntries = 4;
  ASSERT_TRUE(open(s));
  EXPECT_EQ(source.expansion, expansionNone);
  EXPECT_EQ(source.colorCount, 0);
  EXPECT_EQ(row(1), fixtures::expectedBmpRow(s, 1));
}

TEST_F(BmpSourceTest, RowsOutsideTheTextureFailCleanly) {
  ASSERT_TRUE(open(layout("r.bmp", 4, 4, 24)));
  for (int r : {-1, 4, 32767, -32768}) EXPECT_TRUE(row(r).empty()) << r;
  EXPECT_TRUE(messageTexts().empty());
}

TEST_F(BmpSourceTest, ShortDataFailsOnlyWhereNothingIsLeft) {
  BmpSpec s = layout("cut.bmp", 3, 4, 24);
  s.truncateTo = 54 + 12 + 5;  // stored row 0 whole, row 1 partly
  ASSERT_TRUE(open(s));
  EXPECT_FALSE(row(3).empty());   // stored row 0
  std::vector<std::uint8_t> partial = row(2);  // stored row 1: the rest reads as zero
  ASSERT_EQ(partial.size(), 9u);
  EXPECT_EQ(partial[3], 0);  // pixel 1's red byte, past the cut
  EXPECT_TRUE(row(0).empty());
  EXPECT_TRUE(row(1).empty());
  EXPECT_TRUE(messageTexts().empty());
}

TEST_F(BmpSourceTest, RefusalsShowTheirMessageAndLeaveNothingOpen) {
  struct Case {
    const char* what;
    void (*spoil)(BmpSpec&);
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"compressed", [](BmpSpec& s) { s.compression = 1; }, {kUnsupported}},
      {"zero width", [](BmpSpec& s) { s.width = 0; }, {kUnsupported}},
      {"zero height", [](BmpSpec& s) { s.height = 0; }, {kUnsupported}},
      {"too tall", [](BmpSpec& s) { s.height = 32768; s.truncateTo = 4096; }, {kUnsupported}},
      {"too tall top-down", [](BmpSpec& s) { s.height = -40000; s.truncateTo = 4096; },
       {kUnsupported}},
      {"short palette", [](BmpSpec& s) { s.bitCount = 8; s.truncateTo = 54 + 1000; },
       {kUnsupported}},
  };
  for (const Case& c : cases) {
    BmpSpec s = layout("bad.bmp", 3, 3, 24);
    c.spoil(s);
    fixtures::writeBmp(s);
    platform::clearRecordedMessages();
    TextureSource local{};
    EXPECT_EQ(openTextureSource(s.path.c_str(), &local), 0) << c.what;
    EXPECT_EQ(messageTexts(), c.messages) << c.what;
    EXPECT_LE(local.bmpFile, 0) << c.what;
    EXPECT_EQ(local.colorTable, nullptr) << c.what;
    releaseTextureSource(&local);
  }
}

// Headers whose sizes overflow 32-bit row or file arithmetic are written by hand.
TEST_F(BmpSourceTest, SizesBeyond32BitsAreRefused) {
  auto header = [](std::int32_t width, std::int32_t height, std::uint32_t offset) {
    std::vector<std::uint8_t> h(54, 0);
    auto put32 = [&](int at, std::uint32_t v) {
      for (int i = 0; i < 4; ++i) h[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    h[0] = 'B';
    h[1] = 'M';
    put32(10, offset);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    h[26] = 1;
    h[28] = 24;
    return h;
  };
  struct Case {
    std::int32_t width;
    std::int32_t height;
    std::uint32_t offset;
  };
  for (const Case c : {Case{0x7FFFFFFF, 1, 54}, Case{0x30000000, 1, 54},
                       Case{100000, 30000, 54}, Case{4, 4, 0xFFFFFFF0u},
                       Case{-5, 4, 54}, Case{4, INT32_MIN, 54}}) {
    const std::string path = fixtures::writeRawFile(dir.file("huge.bmp"),
                                                    header(c.width, c.height, c.offset));
    platform::clearRecordedMessages();
    TextureSource local{};
    EXPECT_EQ(openTextureSource(path.c_str(), &local), 0) << c.width << "x" << c.height;
    EXPECT_EQ(messageTexts(), std::vector<std::string>{kUnsupported});
    releaseTextureSource(&local);
  }
}

TEST_F(BmpSourceTest, HeaderFailuresOfTheOpener) {
  BmpSpec s = layout("h.bmp", 2, 2, 24);
  fixtures::writeBmp(s);

  // A file that vanished between the dialog and the open.
  TextureSource local{};
  EXPECT_EQ(openBmp(dir.file("gone.bmp").c_str(), &local), 0);
  EXPECT_EQ(messageTexts(), std::vector<std::string>{"Cannot find file " + dir.file("gone.bmp")});

  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::string message;
  };
  std::vector<std::uint8_t> good = fixtures::readWholeFile(s.path);
  std::vector<std::uint8_t> notBm = good;
  notBm[1] = 'A';
  std::vector<std::uint8_t> bigInfo = good;
  bigInfo[14] = 108;
  std::vector<std::uint8_t> fourBit = good;
  fourBit[28] = 4;
  const Case cases[] = {
      {"short file header", {good.begin(), good.begin() + 13}, kReadError},
      {"not BM", notBm, kUnsupported},
      {"short info header", {good.begin(), good.begin() + 50}, kUnsupported},
      {"info header not 40 bytes", bigInfo, kUnsupported},
      {"four bits", fourBit, kUnsupported},
  };
  for (const Case& c : cases) {
    const std::string path = fixtures::writeRawFile(dir.file("h2.bmp"), c.bytes);
    platform::clearRecordedMessages();
    local = {};
    EXPECT_EQ(openBmp(path.c_str(), &local), 0) << c.what;
    EXPECT_EQ(messageTexts(), std::vector<std::string>{c.message}) << c.what;
    EXPECT_EQ(local.bmpFile, 0) << c.what;
    EXPECT_EQ(local.colorTable, nullptr) << c.what;
  }
}

TEST_F(BmpSourceTest, MemoryFailures) {
  BmpSpec s = layout("m.bmp", 3, 3, 8);
  fixtures::writeBmp(s);

  // The info header block.
  platform::test::failAllocationAfter(1);
  EXPECT_EQ(openTextureSource(s.path.c_str(), &source), 0);
  EXPECT_EQ(messageTexts(), std::vector<std::string>{kOutOfMemory});
  platform::test::failAllocationAfter(0);
  releaseTextureSource(&source);

  // Growing it for the colour table.
  platform::clearRecordedMessages();
  platform::test::failAllocationAfter(2);
  EXPECT_EQ(openTextureSource(s.path.c_str(), &source), 0);
  EXPECT_EQ(messageTexts(), std::vector<std::string>{kUnsupported});
  platform::test::failAllocationAfter(0);
  releaseTextureSource(&source);

  // Indexed rows are expanded in the row buffer itself: reading one needs
  // no memory, so a heap that has run dry does not stop the fill.
  platform::clearRecordedMessages();
  ASSERT_EQ(openTextureSource(s.path.c_str(), &source), 1);
  platform::test::failAllocationAfter(1);
  EXPECT_EQ(row(0), fixtures::expectedBmpRow(s, 0));
  EXPECT_TRUE(messageTexts().empty());
  platform::test::failAllocationAfter(0);
}

TEST_F(BmpSourceTest, ReadFailuresFailTheRow) {
  BmpSpec s = layout("f.bmp", 3, 3, 24);
  ASSERT_TRUE(open(s));
  platform::test::failReadAfter(1);
  EXPECT_TRUE(row(1).empty());
  platform::test::failReadAfter(0);
  EXPECT_EQ(row(1), fixtures::expectedBmpRow(s, 1));
  EXPECT_TRUE(messageTexts().empty());
}

}  // namespace
