// Long names kept in a file between processes: what one process keeps,
// the next lists without opening the files; a file that is not such a store
// is not used, whatever it holds.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "chooser/kept_long_names.h"
#include "platform/posix/profile_posix_test.h"
#include "tests/native/texture/texture_test.h"
#include "texture/info_line.h"
#include "texture/little_endian.h"
#include "texture/long_name_cache.h"
#include "texture/long_name_file.h"

using namespace texture;
using fixtures::TiffSpec;

namespace {

class KeptLongNamesTest : public TextureTest {
 protected:
  // Three library-like TIFFs and a BMP, as full paths.
  std::vector<std::string> writeLibrary() {
    std::vector<std::string> paths;
    for (const char* name : {"Slate", "Oak Planks", "Rippled Water"}) {
      TiffSpec layout;
      layout.path = dir.file(std::string(name) + ".tif");
      layout.description = name;
      paths.push_back(fixtures::writeTiff(layout));
    }
    paths.push_back(dir.file("plain.bmp"));
    std::ofstream(paths.back(), std::ios::binary) << "BM not really";
    return paths;
  }

  static std::string cached(const std::string& path, int* answer = nullptr) {
    char result[kLongNameBytes] = "";
    const int r = cachedTextureLongName(path.c_str(), result);
    if (answer != nullptr) *answer = r;
    return result;
  }

  static std::vector<std::uint8_t> bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  static void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
  }
};

TEST_F(KeptLongNamesTest, ANewProcessListsWithoutOpeningTheFiles) {
  const std::vector<std::string> paths = writeLibrary();
  std::vector<std::string> names;
  std::vector<int> answers;
  for (const std::string& path : paths) {
    int answer = 0;
    names.push_back(cached(path, &answer));
    answers.push_back(answer);
  }
  EXPECT_EQ(names[1], "Oak Planks");
  EXPECT_TRUE(longNamesChanged());
  const std::string kept = dir.file("kept.names");
  ASSERT_TRUE(saveLongNames(kept.c_str()));
  EXPECT_FALSE(longNamesChanged());
  EXPECT_FALSE(platform::pathExists((kept + ".new").c_str()));

  // As a new process: an empty store, then the kept file.
  forgetLongNames();
  ASSERT_TRUE(loadLongNames(kept.c_str()));
  EXPECT_EQ(longNamesRemembered(), paths.size());
  const long before = longNamesRead;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    int answer = -1;
    EXPECT_EQ(cached(paths[i], &answer), names[i]);
    EXPECT_EQ(answer, answers[i]);
  }
  EXPECT_EQ(longNamesRead, before);
  EXPECT_FALSE(longNamesChanged());

  // A file changed since it was kept is read again.
  TiffSpec layout;
  layout.path = paths[0];
  layout.description = "Slate, split along its grain";
  fixtures::writeTiff(layout);
  EXPECT_EQ(cached(paths[0]), "Slate, split along its grain");
  EXPECT_EQ(longNamesRead, before + 1);

  // Taking the file in again keeps what the store has read since.
  ASSERT_TRUE(loadLongNames(kept.c_str()));
  EXPECT_EQ(cached(paths[0]), "Slate, split along its grain");
  EXPECT_EQ(longNamesRead, before + 1);
}

// Each row breaks a valid kept file of one entry; the hash is made right
// again afterwards unless the row is about the hash, so that the check
// behind it is the one that must refuse.
TEST_F(KeptLongNamesTest, AFileThatIsNoStoreIsNotUsed) {
  const std::string texture = writeLibrary()[0];
  cached(texture);
  const std::string kept = dir.file("kept.names");
  ASSERT_TRUE(saveLongNames(kept.c_str()));
  const std::vector<std::uint8_t> good = bytesOf(kept);
  const std::size_t body = 20;
  const std::size_t pathBytes = readLittle16(good.data() + body);
  const std::size_t answerAt = body + 2 + pathBytes + 16;
  ASSERT_EQ(good.size(), answerAt + 2 + std::strlen("Slate"));

  struct Row {
    const char* what;
    std::size_t at;  // byte to change
    int value;       // its new value; -1: cut the file there (at the end: a byte added)
    bool rehash;
  };
  const Row rows[] = {
      {"empty file", 0, -1, false},
      {"header cut short", 12, -1, false},
      {"another magic", 6, '3', true},
      {"path not UTF-8", body + 3, 0xC0, true},
      {"body cut short", good.size() - 1, -1, false},
      {"a byte past the body", good.size(), 'x', false},
      {"a byte after the last entry", good.size(), 'x', true},
      {"body changed under its hash", answerAt + 3, 'Z', false},
      {"count above the store's size", 9, 0x40, true},
      {"two entries counted, one there", 8, 2, true},
      {"path of no bytes", body, 0, true},
      {"path longer than the body", body + 1, 0x03, true},
      {"path over 1023 bytes", body + 1, 0x04, true},
      {"zero byte in the path", body + 3, 0, true},
      {"answer neither 0 nor 1", answerAt, 2, true},
      {"long name of 64 bytes", answerAt + 1, 64, true},
      {"long name past the body", answerAt + 1, 6, true},
      {"zero byte in the long name", answerAt + 3, 0, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<std::uint8_t> bytes = good;
    if (row.value < 0) {
      bytes.resize(row.at);
    } else if (row.at == bytes.size()) {
      bytes.push_back(static_cast<std::uint8_t>(row.value));
      // Rehashed, the byte belongs to the body.
      if (row.rehash) writeLittle32(bytes.data() + 12, readLittle32(bytes.data() + 12) + 1);
    } else {
      bytes[row.at] = static_cast<std::uint8_t>(row.value);
    }
    if (row.rehash) {
      std::uint32_t hash = 2166136261u;
      for (std::size_t i = body; i < bytes.size(); ++i) hash = (hash ^ bytes[i]) * 16777619u;
      writeLittle32(bytes.data() + 16, hash);
    }
    writeBytes(kept, bytes);
    forgetLongNames();
    EXPECT_FALSE(loadLongNames(kept.c_str()));
    EXPECT_EQ(longNamesRemembered(), 0u);
  }
  writeBytes(kept, good);
  EXPECT_TRUE(loadLongNames(kept.c_str()));
}

// Paths are kept in UTF-8, whatever their script. A file of the earlier
// releases (paths in the ANSI code page) is still read: its ASCII paths are
// taken, the others read again, and the next save is UTF-8.
TEST_F(KeptLongNamesTest, PathsInAnyScriptRoundTripAndAnAnsiFileIsStillRead) {
  const std::string folder = dir.file("\xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82\xD1\x83\xD1\x80\xD1\x8B \xE7\xB4\x8B\xE7\x90\x86");
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  TiffSpec layout;
  layout.path = folder + "/\xF0\x9F\xA7\xB1 brick.tif";
  layout.description = "Brick";
  const std::string wide = fixtures::writeTiff(layout);
  const std::string ascii = writeLibrary()[0];
  EXPECT_EQ(cached(wide), "Brick");
  EXPECT_EQ(cached(ascii), "Slate");
  const std::string kept = dir.file("kept.names");
  ASSERT_TRUE(saveLongNames(kept.c_str()));
  std::vector<std::uint8_t> bytes = bytesOf(kept);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "OVMXLN2\n");

  forgetLongNames();
  ASSERT_TRUE(loadLongNames(kept.c_str()));
  long before = longNamesRead;
  EXPECT_EQ(cached(wide), "Brick");
  EXPECT_EQ(cached(ascii), "Slate");
  EXPECT_EQ(longNamesRead, before);

  // The same entries under the earlier magic: the body and its hash are
  // unchanged.
  bytes[6] = '1';
  writeBytes(kept, bytes);
  forgetLongNames();
  ASSERT_TRUE(loadLongNames(kept.c_str()));
  EXPECT_EQ(longNamesRemembered(), 1u);
  before = longNamesRead;
  EXPECT_EQ(cached(ascii), "Slate");
  EXPECT_EQ(longNamesRead, before);
  EXPECT_EQ(cached(wide), "Brick");
  EXPECT_EQ(longNamesRead, before + 1);
  ASSERT_TRUE(saveLongNames(kept.c_str()));
  EXPECT_EQ(bytesOf(kept)[6], '2');
}

TEST_F(KeptLongNamesTest, AFileThatCannotBeWrittenLeavesTheOldOne) {
  cached(writeLibrary()[0]);
  EXPECT_FALSE(saveLongNames(dir.file("no-such-folder/kept.names").c_str()));
  EXPECT_TRUE(longNamesChanged());
  // A folder in the file's place: the part written beside it is removed.
  const std::string blocked = dir.file("blocked.names");
  ASSERT_EQ(::mkdir(blocked.c_str(), 0700), 0);
  ::mkdir((blocked + "/inside").c_str(), 0700);
  EXPECT_FALSE(saveLongNames(blocked.c_str()));
  EXPECT_FALSE(platform::pathExists((blocked + ".new").c_str()));
  EXPECT_TRUE(longNamesChanged());
}

// The dialog's side: the file in "<local data>/Oriel", written after a
// listing that read files, taken in before the next.
TEST_F(KeptLongNamesTest, TheDialogKeepsItsNamesInTheUsersLocalData) {
  fixtures::TempDir localData;
  platform::test::setUserDataFolder(localData.path());
  const std::vector<std::string> paths = writeLibrary();
  chooser::takeKeptLongNames();  // nothing kept yet
  for (const std::string& path : paths) cached(path);
  chooser::keepLongNames();
  const std::string kept = localData.file("Oriel/OrielVMX.names");
  EXPECT_TRUE(platform::pathExists(kept.c_str()));

  forgetLongNames();
  chooser::takeKeptLongNames();
  const long before = longNamesRead;
  EXPECT_EQ(cached(paths[2]), "Rippled Water");
  EXPECT_EQ(longNamesRead, before);
  platform::test::setUserDataFolder("");
  std::remove(kept.c_str());
  ::rmdir(localData.file("Oriel").c_str());
}

}  // namespace
