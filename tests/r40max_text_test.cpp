// The three forms of an R40Max event text and where their labels come from.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/platform/ini_file.h"
#include "events/event_file_writer.h"
#include "events/r40max_text.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

// Every label its own short word, so a wrong choice shows in the text.
const char kLabelSection[] =
    "[R40Max/p]\n"
    "MachineTypeStr=Type\nMachineNumberStr=No\nStartTimeStr=From\nEndTimeStr=To\n"
    "TicketTypeStr=Counter\nTicketCntStr=Tickets\nBeadCntStr=Beads\nBeadCntStr2=Balls\n"
    "BigestPresentCntStr=Biggest\nBigPresentCntStr=Big\nMiddlePresentCntStr=Middle\nSmallPresentCntStr=Small\n"
    "MachineCounterStr=Counting\nMachineCounterStr2=Counting2\nMachinePosStr=Position\n"
    "BeadStr=bead\nTicketStr=ticket\nPointStr=point\nInInfoStr=ininfo\n";

R40MaxLabels Labels(const std::string& text = kLabelSection) {
  const CIniFile ini = CIniFile::Parse(text);
  return R40MaxLabels::Read(&ini);
}

R40MaxEventRecord Record(uint8_t kind, uint8_t machineClass, uint8_t counterType) {
  R40MaxEventRecord r;
  r.kind = kind;
  r.machineClass = machineClass;
  r.counterType = counterType;
  r.machineNumber = 1234;
  r.start = EventTime(2026, 3, 4, 9, 5, 7);
  r.end = EventTime(2026, 3, 4, 10, 0, 0);
  r.detail = EventTime(2026, 3, 4, 9, 30, 0);
  r.ticketCount = 11;
  r.beadCount = -22;
  r.biggestPrizeCount = 1;
  r.bigPrizeCount = 2;
  r.middlePrizeCount = 3;
  r.smallPrizeCount = 4;
  return r;
}

TEST(R40MaxText, ShortFormForStartOnlyRecordsOrWhenAskedFor) {
  const std::string expected = "Type:Counting\nNo:1234\nFrom:2026/3/4 9:5:7";
  EXPECT_EQ(FormatR40MaxEventText(Record(kR40MaxStartOnly, 1, 1), false, Labels()), expected);
  EXPECT_EQ(FormatR40MaxEventText(Record(kR40MaxComplete, 1, 1), true, Labels()), expected);
  // Start-only wins over every class, even one that has no other form.
  EXPECT_EQ(FormatR40MaxEventText(Record(kR40MaxStartOnly, 3, 1), false, Labels()),
            "Type:\nNo:1234\nFrom:2026/3/4 9:5:7");
}

TEST(R40MaxText, CounterFormForCompleteClassOneRecords) {
  EXPECT_EQ(FormatR40MaxEventText(Record(kR40MaxComplete, 1, 1), false, Labels()),
            "Type:Counting\nNo:1234\nFrom:2026/3/4  9:5:7\nTo:2026/3/4  10:0:0\nBeads:-22");
  EXPECT_EQ(FormatR40MaxEventText(Record(kR40MaxComplete, 1, 2), false, Labels()),
            "Type:Counting2\nNo:1234\nFrom:2026/3/4  9:5:7\nTo:2026/3/4  10:0:0\nBalls:-22");
}

TEST(R40MaxText, FullFormForCompleteClassTwoRecords) {
  EXPECT_EQ(FormatR40MaxEventText(Record(kR40MaxComplete, 2, 2), false, Labels()),
            "Type:Position\nNo:1234\nFrom:2026/3/4  9:5:7\nTo:2026/3/4  10:0:0\nCounter:ticket\nTickets:11\n"
            "Balls:-22\nBiggest:1\nBig:2\nMiddle:3\nSmall:4\n");
}

TEST(R40MaxText, CounterTypesNameTheirTextAndOthersNone) {
  const std::pair<uint8_t, std::string> cases[] = {
      {1, "Counter:bead\nTickets:11\nBeads:"}, {2, "Counter:ticket\nTickets:11\nBalls:"},
      {4, "Counter:point\nTickets:11\nBalls:"}, {8, "Counter:ininfo\nTickets:11\nBalls:"},
      {16, "Counter:\nTickets:11\nBalls:"},     {0, "Counter:\nTickets:11\nBalls:"},
  };
  for (const auto& [type, part] : cases) {
    const std::string text = FormatR40MaxEventText(Record(kR40MaxComplete, 2, type), false, Labels());
    EXPECT_NE(text.find(part), std::string::npos) << int{type} << ": " << text;
  }
}

TEST(R40MaxText, CompleteRecordOfAnotherClassHasNoText) {
  for (uint8_t machineClass : {0, 3, 255}) {
    EXPECT_EQ(FormatR40MaxEventText(Record(kR40MaxComplete, machineClass, 1), false, Labels()), "");
  }
  // Any kind but start-only counts as complete.
  EXPECT_EQ(FormatR40MaxEventText(Record(7, 3, 1), false, Labels()), "");
  EXPECT_EQ(FormatR40MaxEventText(Record(7, 1, 1), false, Labels()).substr(0, 14), "Type:Counting\n");
}

TEST(R40MaxText, WithoutTheLabelFileEveryLabelAndLookedUpTextReadsError) {
  const R40MaxLabels none = R40MaxLabels::Read(nullptr);
  EXPECT_EQ(FormatR40MaxEventText(Record(kR40MaxComplete, 2, 4), false, none),
            "ERROR:ERROR\nERROR:1234\nERROR:2026/3/4  9:5:7\nERROR:2026/3/4  10:0:0\nERROR:ERROR\nERROR:11\n"
            "ERROR:-22\nERROR:1\nERROR:2\nERROR:3\nERROR:4\n");
  // Texts that are not looked up stay empty.
  EXPECT_EQ(FormatR40MaxEventText(Record(kR40MaxComplete, 2, 16), false, none).find("ERROR:ERROR\nERROR:11"),
            std::string::npos);
  EXPECT_EQ(FormatR40MaxEventText(Record(kR40MaxStartOnly, 3, 1), false, none),
            "ERROR:\nERROR:1234\nERROR:2026/3/4 9:5:7");
}

TEST(R40MaxText, MissingKeysReadErrorAndLongLabelsAreCut) {
  const R40MaxLabels labels =
      Labels("[r40max/P]\nmachinetypestr=" + std::string(30, 'T') + "\nMachineNumberStr=\n");
  EXPECT_EQ(labels.machineType, std::string(19, 'T'));
  EXPECT_EQ(labels.machineNumber, "");
  EXPECT_EQ(labels.startTime, "ERROR");
  EXPECT_EQ(labels.inInfo, "ERROR");
}

TEST(R40MaxText, ExtremeNumbersPrintAsSignedDecimals) {
  R40MaxEventRecord r = Record(kR40MaxComplete, 1, 1);
  r.machineNumber = INT32_MIN;
  r.beadCount = INT32_MAX;
  r.start = EventTime(65535, 65535, 65535, 65535, 65535, 65535);
  EXPECT_EQ(FormatR40MaxEventText(r, false, Labels()),
            "Type:Counting\nNo:-2147483648\nFrom:65535/65535/65535  65535:65535:65535\nTo:2026/3/4  10:0:0\n"
            "Beads:2147483647");
}

}  // namespace
}  // namespace bv
