// The event configuration of a backup's directory: maker, colour, code table
// and machine-number label, read from real INI files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "events/event_configuration.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using test::TempDir;

void WriteText(const std::string& path, const std::string& text) {
  test::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// The backup directory as the engine keeps it: with its trailing separator.
std::string DirectoryOf(const TempDir& dir) { return dir.path() + "/"; }

void WriteMaker(const TempDir& dir, const std::string& maker, const std::string& colour = "255") {
  WriteText(dir.File(kEventIniName), "[EVENT_SET]\r\nHost_Protocal=" + maker + "\r\n[TEXT_SET]\r\nColorValue=" +
                                         colour + "\r\n");
}

std::vector<std::string> TableTexts(const CEventCodeTable& table, int upTo) {
  std::vector<std::string> texts;
  for (int code = 0; code < upTo; ++code) texts.push_back(table.Text(code));
  return texts;
}

TEST(EventConfiguration, EachMakerSelectsItsCodeSectionByExactName) {
  TempDir dir;
  WriteText(dir.File(kEventCodeIniName),
            "[EventCode_1]\n1=daito\n[EventCode_2]\n1=daikoku\n[EventCode_3]\n1=dynam\n[EventCode_4]\n1=zeusis\n");
  const std::pair<const char*, const char*> cases[] = {
      {"DAITO", "daito"}, {"DAIKOKU", "daikoku"}, {"DYNAM", "dynam"}, {"zeusis", "zeusis"},
      {"daito", ""},      {"ZEUSIS", ""},         {"DAITO2", ""},     {"ERROR", ""},
  };
  for (const auto& [maker, text] : cases) {
    WriteMaker(dir, maker);
    EventConfiguration config;
    LoadEventConfiguration(DirectoryOf(dir), &config);
    EXPECT_EQ(config.codeTable.Text(0), text) << maker;
    EXPECT_EQ(config.codeTable.Count(), *text ? 1 : 0) << maker;
  }
}

TEST(EventConfiguration, MissingFilesAndKeysGiveTheDefaults) {
  TempDir dir;
  EventConfiguration config;
  config.textColour = 0x123456;
  LoadEventConfiguration(DirectoryOf(dir), &config);
  EXPECT_EQ(config.textColour, 0u);
  EXPECT_EQ(config.machineLabel, "No.");
  EXPECT_EQ(config.codeTable.Count(), 0);

  // Files present, keys missing: the maker defaults to "ERROR", selecting nothing.
  WriteText(dir.File(kEventIniName), "[EVENT_SET]\nOther=DAITO\n");
  WriteText(dir.File(kEventCodeIniName), "[EventCode_1]\n0=Start\n[Text]\nOther=x\n");
  LoadEventConfiguration(DirectoryOf(dir), &config);
  EXPECT_EQ(config.textColour, 0u);
  EXPECT_EQ(config.machineLabel, "No.");
  EXPECT_EQ(config.codeTable.Count(), 0);
}

TEST(EventConfiguration, ColourAndLabelAreReadFromTheirSections) {
  TempDir dir;
  WriteMaker(dir, "DAITO", "16711935");
  WriteText(dir.File(kEventCodeIniName), "[Text]\nSTR_TEXT_MACHINE_NUM = Machine\n[EventCode_1]\n0=Start\n");
  EventConfiguration config;
  LoadEventConfiguration(DirectoryOf(dir), &config);
  EXPECT_EQ(config.textColour, 0x00FF00FFu);
  EXPECT_EQ(config.machineLabel, "Machine");
}

TEST(EventConfiguration, LinePositionNotKeyGivesTheCode) {
  TempDir dir;
  WriteMaker(dir, "DAITO");
  WriteText(dir.File(kEventCodeIniName), "[EventCode_1]\n5=Start\n7=Stop\n");
  EventConfiguration config;
  LoadEventConfiguration(DirectoryOf(dir), &config);
  EXPECT_EQ(config.codeTable.Count(), 2);
  EXPECT_EQ(TableTexts(config.codeTable, 8), (std::vector<std::string>{"Start", "Stop", "", "", "", "", "", ""}));
}

TEST(EventConfiguration, TextIsEverythingAfterTheFirstEquals) {
  TempDir dir;
  WriteMaker(dir, "DYNAM");
  WriteText(dir.File(kEventCodeIniName), "[EventCode_3]\n3=A=B\nno equals\n4 =  spaced out  \n9=\n");
  EventConfiguration config;
  LoadEventConfiguration(DirectoryOf(dir), &config);
  EXPECT_EQ(TableTexts(config.codeTable, 4), (std::vector<std::string>{"A=B", "", "spaced out", ""}));
}

TEST(EventConfiguration, CodesOutsideTheLoadedEntriesHaveNoText) {
  TempDir dir;
  WriteMaker(dir, "DAITO");
  WriteText(dir.File(kEventCodeIniName),
            "[EventCode_1]\n0=a\n1=b\n2=c\n3=d\n[EventCode_2]\n0=x\n");
  EventConfiguration config;
  LoadEventConfiguration(DirectoryOf(dir), &config);
  ASSERT_EQ(config.codeTable.Text(3), "d");
  for (int32_t code : {-1, 100, 101, INT32_MIN, INT32_MAX}) EXPECT_EQ(config.codeTable.Text(code), "") << code;

  // A later open with a shorter section: entries past its lines keep their
  // bytes in the table, but are not counted and give no text.
  WriteMaker(dir, "DAIKOKU");
  LoadEventConfiguration(DirectoryOf(dir), &config);
  EXPECT_EQ(config.codeTable.Count(), 1);
  EXPECT_EQ(TableTexts(config.codeTable, 4), (std::vector<std::string>{"x", "", "", ""}));
}

TEST(EventConfiguration, OversizedSectionsAreCutToTheTable) {
  TempDir dir;
  WriteMaker(dir, "zeusis");
  std::string section = "[EventCode_4]\n";
  for (int i = 0; i < 150; ++i) section += std::to_string(i) + "=text " + std::to_string(i) + "\n";
  // Line 2 carries a text of 60 characters.
  section.replace(section.find("2=text 2\n"), 9, "2=" + std::string(60, 'L') + "\n");
  WriteText(dir.File(kEventCodeIniName), section);
  EventConfiguration config;
  LoadEventConfiguration(DirectoryOf(dir), &config);
  EXPECT_EQ(config.codeTable.Count(), 100);
  EXPECT_EQ(config.codeTable.Text(0), "text 0");
  EXPECT_EQ(config.codeTable.Text(2), std::string(49, 'L'));
  EXPECT_EQ(config.codeTable.Text(3), "text 3");
  EXPECT_EQ(config.codeTable.Text(99), "text 99");
  EXPECT_EQ(config.codeTable.Text(100), "");
}

TEST(EventConfiguration, SectionBeyondTheFetchBufferIsReadAsFarAsItFits) {
  TempDir dir;
  WriteMaker(dir, "DAITO");
  // 40 lines of 299 characters: the 10,000-byte buffer holds 33 whole ones
  // and part of the 34th.
  std::string section = "[EventCode_1]\n";
  for (int i = 0; i < 40; ++i) section += "k=" + std::string(297, static_cast<char>('a' + i % 26)) + "\n";
  WriteText(dir.File(kEventCodeIniName), section);
  EventConfiguration config;
  LoadEventConfiguration(DirectoryOf(dir), &config);
  EXPECT_EQ(config.codeTable.Count(), 34);
  EXPECT_EQ(config.codeTable.Text(33), std::string(49, 'h'));
}

TEST(EventConfiguration, LongLabelIsCutToItsBuffer) {
  TempDir dir;
  WriteText(dir.File(kEventCodeIniName), "[Text]\nSTR_TEXT_MACHINE_NUM=" + std::string(400, 'N') + "\n");
  EventConfiguration config;
  LoadEventConfiguration(DirectoryOf(dir), &config);
  EXPECT_EQ(config.machineLabel, std::string(255, 'N'));
}

TEST(EventConfiguration, GarbageAndTruncatedFilesFallBackToDefaults) {
  TempDir dir;
  std::vector<uint8_t> garbage(50000);
  uint32_t state = 7;
  for (uint8_t& b : garbage) b = static_cast<uint8_t>((state = state * 1103515245 + 12345) >> 24);
  test::WriteFileBytes(dir.File(kEventIniName), garbage);
  test::WriteFileBytes(dir.File(kEventCodeIniName), garbage);
  EventConfiguration config;
  LoadEventConfiguration(DirectoryOf(dir), &config);
  EXPECT_EQ(config.machineLabel, "No.");
  EXPECT_EQ(config.codeTable.Count(), 0);

  // Cut off in the middle of the maker's value and of the code section.
  WriteText(dir.File(kEventIniName), "[EVENT_SET]\nHost_Protocal=DAI");
  LoadEventConfiguration(DirectoryOf(dir), &config);
  EXPECT_EQ(config.codeTable.Count(), 0);
  WriteMaker(dir, "DAITO");
  WriteText(dir.File(kEventCodeIniName), "[EventCode_1]\n0=Start\n1=St");
  LoadEventConfiguration(DirectoryOf(dir), &config);
  EXPECT_EQ(TableTexts(config.codeTable, 2), (std::vector<std::string>{"Start", "St"}));
}

TEST(EventConfiguration, DirectoryInsteadOfFileReadsAsMissing) {
  TempDir dir;
  ASSERT_EQ(::mkdir(dir.File(kEventIniName).c_str(), 0755), 0);
  EventConfiguration config;
  LoadEventConfiguration(DirectoryOf(dir), &config);
  EXPECT_EQ(config.machineLabel, "No.");
  EXPECT_EQ(config.codeTable.Count(), 0);
}

}  // namespace
}  // namespace bv
