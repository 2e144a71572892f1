// The INI reader's Windows profile rules, on real files.
#include <gtest/gtest.h>

#include "base/platform/ini_file.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using test::TempDir;

void Write(const std::string& path, const std::string& text) {
  test::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(IniFile, NamesAreCaseInsensitiveAndBlanksTrimmed) {
  TempDir dir;
  Write(dir.File("a.ini"), "\xEF\xBB\xBF; comment\r\n[Event_Set]\r\n  host_protocal  =  DAITO  \r\n[TEXT_SET]\r\nColorValue=255\r\n");
  const std::string path = dir.File("a.ini");
  EXPECT_EQ(GetPrivateProfileString("EVENT_SET", "Host_Protocal", "ERROR", 20, path), "DAITO");
  EXPECT_EQ(GetPrivateProfileString("event_set", "HOST_PROTOCAL", "ERROR", 20, path), "DAITO");
  EXPECT_EQ(GetPrivateProfileInt("TEXT_SET", "colorvalue", 0, path), 255u);
}

TEST(IniFile, DefaultsForMissingFilesSectionsAndKeys) {
  TempDir dir;
  Write(dir.File("a.ini"), "[S]\nk=v\n");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "D", 20, dir.File("none.ini")), "D");
  EXPECT_EQ(GetPrivateProfileString("T", "k", "D", 20, dir.File("a.ini")), "D");
  EXPECT_EQ(GetPrivateProfileString("S", "x", "D", 20, dir.File("a.ini")), "D");
  EXPECT_EQ(GetPrivateProfileInt("S", "x", 7, dir.File("a.ini")), 7u);
  EXPECT_EQ(GetPrivateProfileInt("S", "k", 7, dir.File("a.ini")), 0u);  // not a number
  EXPECT_TRUE(GetPrivateProfileSection("S", 100, dir.File("none.ini")).empty());
}

TEST(IniFile, ValuesAreCutToTheBufferAndUnquoted) {
  const CIniFile ini = CIniFile::Parse("[S]\nlong=abcdefghijklmnopqrstuvwxyz\nq=\"  quoted  \"\nempty=\n");
  EXPECT_EQ(ini.GetString("S", "long", "", 20), "abcdefghijklmnopqrs");
  EXPECT_EQ(ini.GetString("S", "q", "", 20), "  quoted  ");
  EXPECT_EQ(ini.GetString("S", "empty", "D", 20), "");
  EXPECT_EQ(ini.GetString("S", "long", "", 1), "");
  EXPECT_EQ(ini.GetString("S", "long", "", 0), "");
  EXPECT_EQ(ini.GetString("S", "missing", "defaultvalue", 5), "defa");
}

TEST(IniFile, SectionLinesInFileOrderWithFirstEqualsKept) {
  const CIniFile ini = CIniFile::Parse(
      "[EventCode_1]\n5=Start\n; not a code\n\n7=Stop\n3=A=B\nno equals here\n[Other]\nx=y\n[EventCode_1]\nlate=1\n");
  EXPECT_EQ(ini.GetSection("eventcode_1", 10000),
            (std::vector<std::string>{"5=Start", "7=Stop", "3=A=B", "no equals here"}));
  EXPECT_EQ(ini.GetString("EventCode_1", "3", "", 50), "A=B");
  EXPECT_EQ(ini.GetString("EventCode_1", "late", "none", 50), "none");  // first section only
}

TEST(IniFile, SectionLinesComeBackAsTrimmedKeyEqualsValue) {
  TempDir dir;
  Write(dir.File("codes.ini"), "[EventCode_2]\r\n  3 =  A=B  \r\n 4\t=\t\"quoted\"\r\n5=\r\n  loose text  \r\n");
  EXPECT_EQ(GetPrivateProfileSection("EventCode_2", 10000, dir.File("codes.ini")),
            (std::vector<std::string>{"3=A=B", "4=quoted", "5=", "loose text"}));
}

TEST(IniFile, SingleQuotesAreDroppedLikeDoubleQuotes) {
  const CIniFile ini = CIniFile::Parse("[S]\na=' x '\nb='mixed\"\nc='\nd=it's\n");
  EXPECT_EQ(ini.GetString("S", "a", "", 20), " x ");
  EXPECT_EQ(ini.GetString("S", "b", "", 20), "'mixed\"");
  EXPECT_EQ(ini.GetString("S", "c", "", 20), "'");
  EXPECT_EQ(ini.GetString("S", "d", "", 20), "it's");
}

TEST(IniFile, IntegersTakeASignAndAnEmptyValueGivesTheDefault) {
  const CIniFile ini = CIniFile::Parse("[S]\nempty=\nneg=-5\nplus=+12abc\nbig=16711935\nsign=-\n");
  EXPECT_EQ(ini.GetInt("S", "empty", 42), 42u);
  EXPECT_EQ(ini.GetInt("S", "neg", 42), static_cast<uint32_t>(-5));
  EXPECT_EQ(ini.GetInt("S", "plus", 42), 12u);
  EXPECT_EQ(ini.GetInt("S", "big", 42), 0x00FF00FFu);
  EXPECT_EQ(ini.GetInt("S", "sign", 42), 0u);
}

TEST(IniFile, SectionBufferLimitCutsTheLastLine) {
  const CIniFile ini = CIniFile::Parse("[S]\naaaa=1\nbbbb=2\ncccc=3\n");
  // 7 + 7 bytes for two lines with their NULs, then 3 bytes left before the
  // final NUL: the third line is cut to 2 characters.
  EXPECT_EQ(ini.GetSection("S", 18), (std::vector<std::string>{"aaaa=1", "bbbb=2", "cc"}));
  EXPECT_EQ(ini.GetSection("S", 15), (std::vector<std::string>{"aaaa=1", "bbbb=2"}));
  EXPECT_TRUE(ini.GetSection("S", 1).empty());
}

TEST(IniFile, GarbageAndBinaryInputParseWithoutHarm) {
  std::string garbage;
  uint32_t state = 99;
  for (int i = 0; i < 20000; ++i) garbage.push_back(static_cast<char>((state = state * 1664525 + 1013904223) >> 24));
  garbage += "\n[S]\nk=v";
  const CIniFile ini = CIniFile::Parse(garbage);
  EXPECT_EQ(ini.GetString("S", "k", "", 10), "v");
  const CIniFile unterminated = CIniFile::Parse("[S\nk=v\n[");
  EXPECT_EQ(unterminated.GetString("S", "k", "", 10), "v");
}

}  // namespace
}  // namespace bv
