// The one conversion between the core's UTF-8 paths and Windows' UTF-16:
// names in any script and plane convert both ways unchanged, anything not
// well formed converts to nothing (or U+FFFD where asked), and nothing is
// written past the buffer.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/utf8.h"

namespace {

using platform::BadSequences;

struct Name {
  const char* utf8;
  std::u16string utf16;
};

TEST(Utf8Test, NamesInAnyScriptConvertBothWaysUnchanged) {
  const Name names[] = {
      {"C:\\TEX\\MARBLE.TIF", u"C:\\TEX\\MARBLE.TIF"},
      {"\xD0\xA2\xD0\xB5\xD0\xBA\xD1\x81\xD1\x82\xD1\x83\xD1\x80\xD1\x8B", u"\u0422\u0435\u043A\u0441\u0442\u0443\u0440\u044B"},
      {"\xE7\xB4\x8B\xE7\x90\x86\\brick.tif", u"\u7D0B\u7406\\brick.tif"},
      {"\xF0\x9F\xA7\xB1 bricks", u"\U0001F9F1 bricks"},
      {"\xEF\xBF\xBF\xF4\x8F\xBF\xBF\xC2\x80", u"\uFFFF\U0010FFFF\u0080"},
      {"", u""},
  };
  for (const Name& name : names) {
    char16_t wide[64];
    char back[64];
    ASSERT_EQ(platform::utf8ToUtf16(name.utf8, wide, 64), static_cast<long>(name.utf16.size())) << name.utf8;
    EXPECT_EQ(std::u16string(wide), name.utf16);
    ASSERT_EQ(platform::utf16ToUtf8(wide, back, sizeof back), static_cast<long>(std::string(name.utf8).size()));
    EXPECT_STREQ(back, name.utf8);
    EXPECT_TRUE(platform::isUtf8(name.utf8));
  }
}

// Each row is refused as a path, and shown with U+FFFD in place of each bad
// byte when only shown.
TEST(Utf8Test, MalformedUtf8IsRefusedOrReplaced) {
  struct Row {
    const char* what;
    const char* bytes;
    std::u16string shown;
  };
  const Row rows[] = {
      {"stray continuation", "a\x80" "b", u"a\uFFFDb"},
      {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"overlong three bytes", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"overlong four bytes", "\xF0\x80\x80\xAF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"encoded high surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"encoded low surrogate", "x\xED\xBF\xBF", u"x\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"F5 lead", "\xF5\x80", u"\uFFFD\uFFFD"},
      {"cut before the end", "ab\xE7\xB4", u"ab\uFFFD\uFFFD"},
      {"cut before the next", "\xE7\xB4z", u"\uFFFD\uFFFDz"},
      {"ANSI (1251) Cyrillic", "\xD2\xE5\xEA\xF1\xF2", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
  };
  for (const Row& row : rows) {
    char16_t wide[16] = {u'?'};
    EXPECT_EQ(platform::utf8ToUtf16(row.bytes, wide, 16), -1) << row.what;
    EXPECT_EQ(wide[0], u'\0') << row.what;
    EXPECT_FALSE(platform::isUtf8(row.bytes)) << row.what;
    ASSERT_EQ(platform::utf8ToUtf16(row.bytes, wide, 16, BadSequences::replace), static_cast<long>(row.shown.size()))
        << row.what;
    EXPECT_EQ(std::u16string(wide), row.shown) << row.what;
  }
}

TEST(Utf8Test, LoneSurrogatesAreRefusedOrReplaced) {
  const std::u16string rows[] = {u"a\xD800", u"\xD800z", u"\xDC00", u"\xDBFF\xDBFF\xDC00"};
  for (const std::u16string& row : rows) {
    char out[16] = "?";
    EXPECT_EQ(platform::utf16ToUtf8(row.c_str(), out, sizeof out), -1);
    EXPECT_STREQ(out, "");
    EXPECT_GT(platform::utf16ToUtf8(row.c_str(), out, sizeof out, BadSequences::replace), 0);
    EXPECT_NE(std::string(out).find("\xEF\xBF\xBD"), std::string::npos);
  }
}

// A result one unit or byte too long for the buffer is refused whole, never
// cut short into another name.
TEST(Utf8Test, WhatDoesNotFitIsRefusedWhole) {
  char16_t wide[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(platform::utf8ToUtf16("abc", wide, 4), 3);
  EXPECT_EQ(platform::utf8ToUtf16("abcd", wide, 4), -1);
  EXPECT_EQ(wide[0], u'\0');
  EXPECT_EQ(platform::utf8ToUtf16("ab\xF0\x9F\xA7\xB1", wide, 4), -1);  // the pair needs units 3 and 4
  char narrow[4] = "xx";
  EXPECT_EQ(platform::utf16ToUtf8(u"\u7D0B", narrow, 4), 3);
  EXPECT_EQ(platform::utf16ToUtf8(u"a\u7D0B", narrow, 4), -1);
  EXPECT_STREQ(narrow, "");
}

// The longest path Windows opens without "\\?\": 260 units, in UTF-8 within
// the core's path buffers whatever the script; one unit more is no path.
TEST(Utf8Test, WidePathTakesUpTo260Units) {
  std::string cjk;
  for (int i = 0; i < 260; ++i) cjk += "\xE7\xB4\x8B";
  EXPECT_LT(cjk.size(), platform::kPathBytes);
  const platform::WidePath longest(cjk.c_str());
  ASSERT_TRUE(longest.ok());
  EXPECT_EQ(std::u16string(longest.get()).size(), 260u);
  EXPECT_FALSE(platform::WidePath((cjk + "a").c_str()).ok());
  EXPECT_FALSE(platform::WidePath(std::string(261, 'a').c_str()).ok());
  EXPECT_FALSE(platform::WidePath(nullptr).ok());
  EXPECT_FALSE(platform::WidePath("\xC0\xAF").ok());
}

TEST(Utf8Test, CutsAtWholeCharacters) {
  struct Row {
    const char* text;
    const char* kept;
  };
  for (const Row& row : {Row{"ab\xE7\xB4", "ab"}, Row{"ab\xE7", "ab"}, Row{"ab\xE7\xB4\x8B", "ab\xE7\xB4\x8B"},
                         Row{"a\xF0\x9F\xA7", "a"}, Row{"a\xD0", "a"}, Row{"abc", "abc"}, Row{"", ""}}) {
    char text[16];
    std::snprintf(text, sizeof text, "%s", row.text);
    platform::cutUtf8AtCharacter(text);
    EXPECT_STREQ(text, row.kept) << row.text;
  }

  char text[] = "ab\xF0\x9F\xA7\xB1\xE7\xB4\x8B";
  platform::cutUtf8ToUnits(text, 3);
  EXPECT_STREQ(text, "ab");
  char again[] = "ab\xF0\x9F\xA7\xB1\xE7\xB4\x8B";
  platform::cutUtf8ToUnits(again, 4);
  EXPECT_STREQ(again, "ab\xF0\x9F\xA7\xB1");
}

}  // namespace
