#include <gtest/gtest.h>

#include "playback/legacy_text.h"

namespace bv {
namespace {

TEST(LegacyText, KeepsValidUtf8AndReadsOtherBytesAsLatin1) {
  EXPECT_EQ(LegacyTextToUtf8("Gate 1"), "Gate 1");
  EXPECT_EQ(LegacyTextToUtf8("\xE5\x85\xA5\xE5\x8F\xA3"), "\xE5\x85\xA5\xE5\x8F\xA3");
  EXPECT_EQ(LegacyTextToUtf8("caf\xE9"), "caf\xC3\xA9");
  // A lead byte at the very end, an overlong form and a surrogate are not UTF-8.
  EXPECT_EQ(LegacyTextToUtf8("a\xC3"), "a\xC3\x83");
  EXPECT_EQ(LegacyTextToUtf8("\xC0\x80"), "\xC3\x80\xC2\x80");
  EXPECT_EQ(LegacyTextToUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");
}

}  // namespace
}  // namespace bv
