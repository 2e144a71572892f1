// Looking up the hall event of a frame in real day files, with the event
// configuration and the R40Max labels read from real INI files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "events/event_file_writer.h"
#include "events/event_state.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using test::TempDir;

constexpr int kYear = 2026;
constexpr int kMonth = 3;
constexpr int kDay = 14;
constexpr COLORREF kColour = 0x0000FFFF;

void WriteText(const std::string& path, const std::string& text) {
  test::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

SYSTEMTIME At(int hour, int minute, int second, int day = kDay) {
  return EventTime(kYear, kMonth, day, hour, minute, second);
}

MachineEventRecord Machine(uint8_t camera, int32_t number, SYSTEMTIME start, SYSTEMTIME end, int32_t code) {
  MachineEventRecord r;
  r.camera = camera;
  r.machineNumber = number;
  r.start = start;
  r.end = end;
  r.eventCode = code;
  return r;
}

R40MaxEventRecord R40Max(uint8_t camera, SYSTEMTIME start, SYSTEMTIME detail, SYSTEMTIME end, uint8_t kind = 2,
                         uint8_t machineClass = 1) {
  R40MaxEventRecord r;
  r.camera = camera;
  r.kind = kind;
  r.machineClass = machineClass;
  r.counterType = 1;
  r.machineNumber = 501;
  r.beadCount = 4000;
  r.start = start;
  r.detail = detail;
  r.end = end;
  return r;
}

class HallEventLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteText(backup.File("ExternalEvent.ini"), "[EVENT_SET]\nHost_Protocal=DAITO\n[TEXT_SET]\nColorValue=65535\n");
    WriteText(backup.File("ExternalMachineEventCode.ini"),
              "[EventCode_1]\n0=Door open\n1=Big win\n2=Error\n[Text]\nSTR_TEXT_MACHINE_NUM=Machine\n");
    WriteText(program.File("ExternalMachineEventCode.ini"),
              "[R40Max/p]\nMachineTypeStr=Type\nMachineNumberStr=No\nStartTimeStr=From\nEndTimeStr=To\n"
              "BeadCntStr=Beads\nMachineCounterStr=Counting\n");
    state.SetProgramDirectory(program.path());
    state.LoadEventConfiguration(backup.path() + "/");
  }

  std::string MachineFile(int day = kDay) const {
    return MachineEventFileName(backup.path() + "/", kYear, kMonth, day);
  }
  std::string R40MaxFile(int day = kDay) const { return R40MaxEventFileName(backup.path() + "/", kYear, kMonth, day); }
  void WriteMachine(const std::vector<MachineEventRecord>& records, int day = kDay) {
    ASSERT_TRUE(WriteMachineEventFile(MachineFile(day), records));
  }
  void WriteR40Max(const std::vector<R40MaxEventRecord>& records, int day = kDay) {
    ASSERT_TRUE(WriteR40MaxEventFile(R40MaxFile(day), records));
  }

  HallEvent MachineEvent(const std::string& text, int32_t number) const {
    return HallEvent{kMachineEvent, text, number, kColour, "Machine"};
  }
  HallEvent R40MaxEvent(const std::string& text) const { return HallEvent{kR40MaxEvent, text, -1, kColour, "Machine"}; }
  static HallEvent NoEvent() { return HallEvent{}; }

  TempDir backup;
  TempDir program;
  CEventState state;
};

TEST_F(HallEventLookup, BoundsAreInclusiveToTheSecond) {
  WriteMachine({Machine(0, 7, At(10, 0, 0), At(10, 0, 10), 1)});
  EXPECT_EQ(state.LookUp(At(9, 59, 59), 0), NoEvent());
  EXPECT_EQ(state.LookUp(At(10, 0, 0), 0), MachineEvent("Big win", 7));
  EXPECT_EQ(state.LookUp(At(10, 0, 5), 0), MachineEvent("Big win", 7));
  EXPECT_EQ(state.LookUp(At(10, 0, 10), 0), MachineEvent("Big win", 7));
  EXPECT_EQ(state.LookUp(At(10, 0, 11), 0), NoEvent());
}

TEST_F(HallEventLookup, FirstStoredOfOverlappingEventsWins) {
  WriteMachine({
      Machine(1, 20, At(12, 0, 0), At(12, 0, 30), 2),
      Machine(1, 10, At(11, 59, 0), At(12, 1, 0), 0),
      Machine(1, 30, At(12, 0, 10), At(12, 0, 20), 1),
  });
  EXPECT_EQ(state.LookUp(At(11, 59, 30), 1), MachineEvent("Door open", 10));
  EXPECT_EQ(state.LookUp(At(12, 0, 15), 1), MachineEvent("Error", 20));
  EXPECT_EQ(state.LookUp(At(12, 0, 30), 1), MachineEvent("Error", 20));
  EXPECT_EQ(state.LookUp(At(12, 0, 31), 1), MachineEvent("Door open", 10));
}

TEST_F(HallEventLookup, MachineEventsComeBeforeR40MaxEvents) {
  WriteMachine({Machine(2, 44, At(8, 0, 0), At(8, 0, 59), 1)});
  WriteR40Max({R40Max(2, At(7, 59, 0), At(8, 30, 0), At(9, 0, 0), kR40MaxStartOnly)});
  const std::string r40Text = "Type:Counting\nNo:501\nFrom:2026/3/14 7:59:0";
  EXPECT_EQ(state.LookUp(At(8, 0, 30), 2), MachineEvent("Big win", 44));
  EXPECT_EQ(state.LookUp(At(7, 59, 30), 2), R40MaxEvent(r40Text));
  EXPECT_EQ(state.LookUp(At(8, 1, 0), 2), R40MaxEvent(r40Text));
  // Without a machine file at all the R40Max file still answers.
  ASSERT_EQ(std::remove(MachineFile().c_str()), 0);
  EXPECT_EQ(state.LookUp(At(8, 0, 30), 2), R40MaxEvent(r40Text));
}

TEST_F(HallEventLookup, R40MaxDetailTimeSplitsShortAndCompleteTexts) {
  WriteR40Max({R40Max(0, At(10, 0, 0), At(10, 5, 0), At(10, 10, 0))});
  const std::string shortText = "Type:Counting\nNo:501\nFrom:2026/3/14 10:0:0";
  const std::string complete = "Type:Counting\nNo:501\nFrom:2026/3/14  10:0:0\nTo:2026/3/14  10:10:0\nBeads:4000";
  EXPECT_EQ(state.LookUp(At(10, 0, 0), 0), R40MaxEvent(shortText));
  EXPECT_EQ(state.LookUp(At(10, 4, 59), 0), R40MaxEvent(shortText));
  EXPECT_EQ(state.LookUp(At(10, 5, 0), 0), R40MaxEvent(shortText));
  EXPECT_EQ(state.LookUp(At(10, 5, 1), 0), R40MaxEvent(complete));
  EXPECT_EQ(state.LookUp(At(10, 10, 0), 0), R40MaxEvent(complete));
  EXPECT_EQ(state.LookUp(At(10, 10, 1), 0), NoEvent());
}

TEST_F(HallEventLookup, R40MaxDetailTimeOutsideTheEventMovesTheIntervals) {
  // Detail before the start: the complete text from the detail time on,
  // even before the start.
  WriteR40Max({R40Max(0, At(10, 0, 0), At(9, 50, 0), At(10, 10, 0)),
               // Detail after the end: the short text up to the detail time.
               R40Max(1, At(10, 0, 0), At(10, 20, 0), At(10, 10, 0))});
  EXPECT_EQ(state.LookUp(At(9, 49, 59), 0), NoEvent());
  EXPECT_NE(state.LookUp(At(9, 50, 0), 0).text.find("\nTo:"), std::string::npos);
  EXPECT_NE(state.LookUp(At(10, 5, 0), 0).text.find("\nTo:"), std::string::npos);
  EXPECT_EQ(state.LookUp(At(10, 10, 1), 0), NoEvent());

  EXPECT_EQ(state.LookUp(At(10, 15, 0), 1).text, "Type:Counting\nNo:501\nFrom:2026/3/14 10:0:0");
  EXPECT_EQ(state.LookUp(At(10, 20, 0), 1).kind, kR40MaxEvent);
  EXPECT_EQ(state.LookUp(At(10, 20, 1), 1), NoEvent());
}

TEST_F(HallEventLookup, StartOnlyRecordShowsTheShortTextAfterItsDetailTime) {
  WriteR40Max({R40Max(0, At(10, 0, 0), At(10, 5, 0), At(10, 10, 0), kR40MaxStartOnly)});
  EXPECT_EQ(state.LookUp(At(10, 7, 0), 0), R40MaxEvent("Type:Counting\nNo:501\nFrom:2026/3/14 10:0:0"));
}

TEST_F(HallEventLookup, CompleteRecordOfClassThreeFoundWithAnEmptyText) {
  WriteR40Max({R40Max(0, At(10, 0, 0), At(10, 5, 0), At(10, 10, 0), kR40MaxComplete, 3)});
  EXPECT_EQ(state.LookUp(At(10, 7, 0), 0), R40MaxEvent(""));
  EXPECT_EQ(state.LookUp(At(10, 2, 0), 0), R40MaxEvent("Type:\nNo:501\nFrom:2026/3/14 10:0:0"));
}

TEST_F(HallEventLookup, RecordsOfOtherCamerasNeverMatch) {
  WriteMachine({Machine(3, 1, At(0, 0, 0), At(23, 59, 59), 0)});
  WriteR40Max({R40Max(4, At(0, 0, 0), At(12, 0, 0), At(23, 59, 59))});
  for (int camera : {0, 2, 5, 255}) EXPECT_EQ(state.LookUp(At(12, 0, 0), static_cast<uint8_t>(camera)), NoEvent());
  EXPECT_EQ(state.LookUp(At(12, 0, 0), 3).kind, kMachineEvent);
  EXPECT_EQ(state.LookUp(At(12, 0, 0), 4).kind, kR40MaxEvent);
}

TEST_F(HallEventLookup, DayWithoutFilesHasNoEventAndLeavesTheStateAlone) {
  WriteMachine({Machine(0, 9, At(10, 0, 0), At(10, 0, 10), 2)});
  EXPECT_EQ(state.LookUp(At(10, 0, 5), 0), MachineEvent("Error", 9));
  // The next day has no files: nothing found, nothing changed.
  EXPECT_EQ(state.LookUp(At(10, 0, 5, kDay + 1), 0), NoEvent());
  EXPECT_EQ(state.EventText(), "Error");
  EXPECT_EQ(state.MachineNumber(), 9);
  // A file that is there but has no match empties both.
  EXPECT_EQ(state.FindMachineEvent(At(11, 0, 0), 0), 0);
  EXPECT_EQ(state.EventText(), "");
  EXPECT_EQ(state.MachineNumber(), -1);
}

TEST_F(HallEventLookup, R40MaxFindLeavesTheMachineNumberAlone) {
  WriteMachine({Machine(0, 9, At(10, 0, 0), At(10, 0, 10), 2)});
  WriteR40Max({R40Max(0, At(11, 0, 0), At(11, 0, 0), At(11, 0, 10))});
  ASSERT_EQ(state.FindMachineEvent(At(10, 0, 0), 0), 1);
  EXPECT_EQ(state.FindR40MaxEvent(At(11, 0, 5), 0), 1);
  EXPECT_EQ(state.MachineNumber(), 9);
  EXPECT_EQ(state.FindR40MaxEvent(At(12, 0, 0), 0), 0);
  EXPECT_EQ(state.MachineNumber(), -1);
}

TEST_F(HallEventLookup, EventsAcrossMidnightNeverMatchAfterIt) {
  WriteMachine({Machine(0, 1, At(23, 59, 50), At(0, 0, 10, kDay + 1), 0)});
  WriteMachine({}, kDay + 1);
  EXPECT_EQ(state.LookUp(At(23, 59, 55), 0), NoEvent());
  EXPECT_EQ(state.LookUp(At(0, 0, 5, kDay + 1), 0), NoEvent());
}

TEST_F(HallEventLookup, CodesWithoutATableEntryGiveAnEmptyText) {
  WriteMachine({Machine(0, 1, At(1, 0, 0), At(1, 0, 0), 3), Machine(0, 2, At(2, 0, 0), At(2, 0, 0), -1),
                Machine(0, 3, At(3, 0, 0), At(3, 0, 0), 100), Machine(0, 4, At(4, 0, 0), At(4, 0, 0), INT32_MIN)});
  for (int hour = 1; hour <= 4; ++hour) EXPECT_EQ(state.LookUp(At(hour, 0, 0), 0), MachineEvent("", hour));
}

TEST_F(HallEventLookup, LabelsReadErrorWithoutTheProgramDirectoryFile) {
  WriteR40Max({R40Max(0, At(10, 0, 0), At(10, 5, 0), At(10, 10, 0))});
  ASSERT_EQ(std::remove(program.File("ExternalMachineEventCode.ini").c_str()), 0);
  EXPECT_EQ(state.LookUp(At(10, 7, 0), 0).text,
            "ERROR:ERROR\nERROR:501\nERROR:2026/3/14  10:0:0\nERROR:2026/3/14  10:10:0\nERROR:4000");
  // The labels of the backup's directory are not used for R40Max texts.
  state.SetProgramDirectory(backup.path() + "/");
  EXPECT_EQ(state.LookUp(At(10, 7, 0), 0).text.substr(0, 12), "ERROR:ERROR\n");
}

TEST_F(HallEventLookup, LabelFileEditsShowOnTheNextFrame) {
  WriteR40Max({R40Max(0, At(10, 0, 0), At(10, 5, 0), At(10, 10, 0), kR40MaxStartOnly)});
  EXPECT_EQ(state.LookUp(At(10, 1, 0), 0).text, "Type:Counting\nNo:501\nFrom:2026/3/14 10:0:0");
  WriteText(program.File("ExternalMachineEventCode.ini"), "[R40Max/p]\nMachineTypeStr=Kind\n");
  EXPECT_EQ(state.LookUp(At(10, 1, 1), 0).text, "Kind:ERROR\nERROR:501\nERROR:2026/3/14 10:0:0");
  ASSERT_EQ(std::remove(program.File("ExternalMachineEventCode.ini").c_str()), 0);
  EXPECT_EQ(state.LookUp(At(10, 1, 2), 0).text, "ERROR:ERROR\nERROR:501\nERROR:2026/3/14 10:0:0");
}

TEST_F(HallEventLookup, NewConfigurationAppliesToTheNextLookup) {
  WriteMachine({Machine(0, 5, At(10, 0, 0), At(10, 0, 10), 1)});
  EXPECT_EQ(state.LookUp(At(10, 0, 0), 0), MachineEvent("Big win", 5));
  WriteText(backup.File("ExternalEvent.ini"), "[EVENT_SET]\nHost_Protocal=daito\n[TEXT_SET]\nColorValue=255\n");
  state.LoadEventConfiguration(backup.path() + "/");
  EXPECT_EQ(state.LookUp(At(10, 0, 0), 0), (HallEvent{kMachineEvent, "", 5, 255, "Machine"}));
}

}  // namespace
}  // namespace bv
