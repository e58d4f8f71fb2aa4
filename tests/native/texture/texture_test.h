// Shared set-up of the texture tests: message boxes recorded and visible,
// injected failures off, and no heap block of the core left behind.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/module_instance.h"
#include "platform/posix/message_log.h"
#include "platform/posix/platform_posix_test.h"
#include "tests/native/support/texture_fixtures.h"
#include "texture/long_name_cache.h"
#include "texture/texture_source.h"

class TextureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedInstance_ = platform::moduleInstance;
    static int anyModule;
    platform::moduleInstance = &anyModule;  // messages are shown only for a known module
    platform::clearRecordedMessages();
    platform::test::failAllocationAfter(0);
    platform::test::failReadAfter(0);
    texture::clearTextureSource(&source);
    // The long-name store lives as long as the process; a test that fills it
    // must not look as if it had leaked, nor one that empties it as if it
    // had freed someone else's blocks.
    texture::forgetLongNames();
    blocksAtStart_ = platform::test::blocksOutstanding();
  }

  void TearDown() override {
    texture::releaseTextureSource(&source);
    texture::forgetLongNames();
    platform::test::failAllocationAfter(0);
    platform::test::failReadAfter(0);
    EXPECT_EQ(platform::test::blocksOutstanding(), blocksAtStart_) << "heap blocks leaked";
    platform::moduleInstance = savedInstance_;
  }

  static std::vector<std::string> messageTexts() {
    std::vector<std::string> texts;
    for (const auto& m : platform::recordedMessages()) texts.push_back(m.text);
    return texts;
  }

  // Reads texture row `row` through readTextureRow into a buffer of the
  // record's rowBytes and answers the delivered bytes (empty on failure).
  std::vector<std::uint8_t> row(std::int32_t r) {
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(source.rowBytes) + 16, 0xCD);
    if (!texture::readTextureRow(&source, buffer.data(), r)) return {};
    buffer.resize(static_cast<std::size_t>(source.bufferRowBytes));
    return buffer;
  }

  fixtures::TempDir dir;
  texture::TextureSource source{};

 private:
  void* savedInstance_ = nullptr;
  long blocksAtStart_ = 0;
};

inline const std::string kUnsupported = "Unsupported file format";
inline const std::string kReadError = "Error while reading file";
inline const std::string kOutOfMemory = "Out of Memory";
