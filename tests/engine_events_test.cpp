// The engine hands each shown frame's hall event to the active video window:
// a backup opened through the controller, with its event files beside it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/host/control_ids.h"
#include "events/event_file_writer.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/sample_backups.h"

namespace bv {
namespace {

using test::TempDir;

void WriteText(const std::string& path, const std::string& text) {
  test::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

INDEX_RECORD Frame(int hour, int minute, int second, uint8_t camera, int day = 14) {
  INDEX_RECORD r{};
  r.year = 2026;
  r.month = 3;
  r.day = static_cast<uint16_t>(day);
  r.hour = static_cast<uint16_t>(hour);
  r.minute = static_cast<uint16_t>(minute);
  r.second = static_cast<uint16_t>(second);
  r.camera = camera;
  return r;
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

SYSTEMTIME At(int hour, int minute, int second) { return EventTime(2026, 3, 14, hour, minute, second); }

using Event = CHeadlessVideoWindow::Event;

bool Same(const Event& a, const Event& b) {
  return a.kind == b.kind && a.text == b.text && a.machineNumber == b.machineNumber && a.colour == b.colour &&
         a.label == b.label;
}

class EngineEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    host.SetMessageSink(nullptr);
    controller.Engine().SetProgramDirectory(program.path());
    WriteText(program.File("ExternalMachineEventCode.ini"),
              "[R40Max/p]\nMachineTypeStr=Type\nMachineNumberStr=No\nStartTimeStr=From\nMachineCounterStr=Counter\n");
    WriteText(backup.File("ExternalEvent.ini"), "[EVENT_SET]\nHost_Protocal=DAIKOKU\n[TEXT_SET]\nColorValue=255\n");
    WriteText(backup.File("ExternalMachineEventCode.ini"),
              "[EventCode_2]\n0=Hit\n1=Jackpot\n[Text]\nSTR_TEXT_MACHINE_NUM=Unit\n");
    ASSERT_TRUE(WriteMachineEventFile(backup.File("MachineEvent_2026-03-14.dat"),
                                      std::vector{Machine(1, 305, At(10, 0, 1), At(10, 0, 2), 1)}));
    R40MaxEventRecord r40;
    r40.kind = kR40MaxStartOnly;
    r40.machineClass = 1;
    r40.counterType = 1;
    r40.machineNumber = 88;
    r40.camera = 1;
    r40.start = At(10, 0, 2);
    r40.detail = At(10, 0, 2);
    r40.end = At(10, 0, 3);
    ASSERT_TRUE(WriteR40MaxEventFile(backup.File("R40MaxpEvent_2026-03-14.dat"), std::vector{r40}));
  }

  // Frames of camera 1 at 10:00:00 .. 10:00:04, one per second.
  CBackupWriter FiveSeconds() const {
    CBackupWriter writer(7, samples::DemoCameraInfo());
    for (int s = 0; s < 5; ++s) writer.AddVideoFrame(Frame(10, 0, s, 1), "CAM", "LOC", test::FakePayload(0, 352, 240));
    return writer;
  }

  const Event kNone{kNoEvent, "", -1, 0, ""};
  const Event kMachine{kMachineEvent, "Jackpot", 305, 255, "Unit"};
  const Event kR40Max{kR40MaxEvent, "Type:Counter\nNo:88\nFrom:2026/3/14 10:0:2", -1, 255, "Unit"};

  TempDir backup;
  TempDir program;
  CHeadlessHost host;
  CPlaybackController controller{host};
};

TEST_F(EngineEvents, EachShownFrameGetsItsEventInTheDibWindow) {
  ASSERT_TRUE(FiveSeconds().WriteContainer(backup.File("b.zrv")));
  ASSERT_TRUE(controller.OpenBackup(backup.File("b.zrv"), false));
  EXPECT_TRUE(Same(host.DibWindow().CurrentEvent(), kNone));
  const Event expected[] = {kNone, kMachine, kMachine, kR40Max, kNone};
  for (uint32_t i = 0; i < 5; ++i) {
    controller.GoToRecord(i);
    EXPECT_TRUE(Same(host.DibWindow().CurrentEvent(), expected[i])) << i << ": " << host.DibWindow().CurrentEvent().text;
  }
  EXPECT_EQ(host.DibWindow().EventCount(), 6);  // the open shows record 0 too
}

TEST_F(EngineEvents, OverlayPresentationGetsTheEventsInstead) {
  host.SetMenuItemChecked(ID_OPTION_OVERLAY, true);
  ASSERT_TRUE(FiveSeconds().WriteContainer(backup.File("b.zrv")));
  ASSERT_TRUE(controller.OpenBackup(backup.File("b.zrv"), false));
  controller.GoToRecord(1);
  EXPECT_TRUE(Same(host.OverlayWindow().CurrentEvent(), kMachine));
  EXPECT_EQ(host.DibWindow().EventCount(), 0);
}

TEST_F(EngineEvents, OldPairReadsTheEventsBesideItsIndexFile) {
  ASSERT_TRUE(FiveSeconds().WritePair(backup.File("old.idx")));
  ASSERT_TRUE(controller.OpenBackup(backup.File("old.idx"), true));
  controller.GoToRecord(3);
  EXPECT_TRUE(Same(host.DibWindow().CurrentEvent(), kR40Max));
}

TEST_F(EngineEvents, OversizedFramesAndAudioRecordsHandNoEventOver) {
  CBackupWriter writer(7, samples::DemoCameraInfo());
  writer.AddVideoFrame(Frame(10, 0, 1, 1), "CAM", "LOC", test::FakePayload(0, 352, 240));
  writer.AddVideoFrame(Frame(10, 0, 3, 1), "CAM", "LOC", test::FakePayload(0, 720, 576));
  writer.AddVideoFrame(Frame(10, 0, 3, 1), "CAM", "LOC", test::FakePayload(0, 704, 577));
  AUDIO_HEADER audio;
  audio.channels = 1;
  audio.samplesPerSecond = 8000;
  audio.bitsPerSample = 8;
  audio.chunksPerSecond = 1;
  writer.AddAudioChunk(Frame(10, 0, 3, 1), audio, std::vector<uint8_t>(16, 0x80));
  writer.AddVideoFrame(Frame(10, 0, 3, 1), "CAM", "LOC", test::FakePayload(0, 704, 576));
  ASSERT_TRUE(writer.WriteContainer(backup.File("b.zrv")));
  ASSERT_TRUE(controller.OpenBackup(backup.File("b.zrv"), false));
  ASSERT_TRUE(Same(host.DibWindow().CurrentEvent(), kMachine));
  for (uint32_t i : {1u, 2u, 3u}) {
    controller.GoToRecord(i);
    EXPECT_EQ(host.DibWindow().EventCount(), 1) << i;
    EXPECT_TRUE(Same(host.DibWindow().CurrentEvent(), kMachine)) << i;
  }
  controller.GoToRecord(4);  // exactly 704 x 576 is shown
  EXPECT_TRUE(Same(host.DibWindow().CurrentEvent(), kR40Max));
}

TEST_F(EngineEvents, EachOpenReadsTheConfigurationOfItsOwnDirectory) {
  ASSERT_TRUE(FiveSeconds().WriteContainer(backup.File("b.zrv")));
  TempDir other;
  ASSERT_TRUE(FiveSeconds().WriteContainer(other.File("c.zrv")));
  ASSERT_TRUE(controller.OpenBackup(other.File("c.zrv"), false));
  controller.GoToRecord(1);
  EXPECT_TRUE(Same(host.DibWindow().CurrentEvent(), kNone));
  EXPECT_EQ(controller.Engine().Events().MachineLabel(), "No.");

  ASSERT_TRUE(controller.OpenBackup(backup.File("b.zrv"), false));
  controller.GoToRecord(1);
  EXPECT_TRUE(Same(host.DibWindow().CurrentEvent(), kMachine));
  EXPECT_EQ(controller.Engine().Events().EventDirectory(), backup.path() + "/");
}

}  // namespace
}  // namespace bv
