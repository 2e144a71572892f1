#include <gtest/gtest.h>

#include <cstdlib>

#include "base/platform/legacy_text.h"

namespace bv {
namespace {

// Shift-JIS bytes as a Japanese Windows recorder writes them.
constexpr char kEntranceSjis[] = "\x93\xfc\x8c\xfb";              // 入口
constexpr char kEntranceUtf8[] = "\xE5\x85\xA5\xE5\x8F\xA3";
constexpr char kHallCamSjis[] = "\x83\x7a\x81\x5b\x83\x8b 1\x94\xd4";  // ホール 1番
constexpr char kHallCamUtf8[] = "\xE3\x83\x9B\xE3\x83\xBC\xE3\x83\xAB 1\xE7\x95\xAA";

TEST(LegacyText, AsciiAndValidUtf8StayAsTheyAre) {
  EXPECT_EQ(LegacyTextToUtf8("Gate 1"), "Gate 1");
  EXPECT_EQ(LegacyTextToUtf8(""), "");
  EXPECT_EQ(LegacyTextToUtf8(kEntranceUtf8), kEntranceUtf8);
}

TEST(LegacyText, OtherBytesAreShiftJisByDefault) {
  EXPECT_EQ(LegacyTextToUtf8(kEntranceSjis), kEntranceUtf8);
  EXPECT_EQ(LegacyTextToUtf8(kHallCamSjis), kHallCamUtf8);
  // Half-width katakana (one byte each) and the code page's own extensions:
  // NEC row 13 (circled 1) and the yen sign's position.
  EXPECT_EQ(LegacyTextToUtf8("\xb6\xd2\xd7"), "\xEF\xBD\xB6\xEF\xBE\x92\xEF\xBE\x97");  // ｶﾒﾗ
  EXPECT_EQ(LegacyTextToUtf8("\x87\x40"), "\xE2\x91\xA0");                          // ①
}

TEST(LegacyText, BytesWithoutACharacterBecomeReplacementCharacters) {
  // A lead byte cut off at the end, and a lead byte with an invalid trail.
  EXPECT_EQ(LegacyTextToUtf8("A\x93\xfc\x8c"), "A\xE5\x85\xA5\xEF\xBF\xBD");
  EXPECT_EQ(LegacyTextToUtf8("\x81\x20x"), "\xEF\xBF\xBD x");
  EXPECT_EQ(LegacyTextToUtf8("\xa0\xfd"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(LegacyText, AnotherCodePageCanBeNamed) {
  // Not in the default code page: read as Windows-1252 once named.
  ASSERT_TRUE(SetLegacyCodePage("CP1252"));
  EXPECT_EQ(LegacyCodePage(), "CP1252");
  EXPECT_EQ(LegacyTextToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_FALSE(SetLegacyCodePage("NO-SUCH-CODEPAGE"));
  EXPECT_EQ(LegacyCodePage(), "CP1252");
  ASSERT_TRUE(SetLegacyCodePage(kDefaultLegacyCodePage));
  EXPECT_EQ(LegacyTextToUtf8(kEntranceSjis), kEntranceUtf8);
}

}  // namespace
}  // namespace bv
