// zrvtool events: what showing a record hands to the video window, and the
// demo's event captions, run as a separate process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/format/backup_writer.h"
#include "events/event_file_writer.h"
#include "tests/support/run_command.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/sample_backups.h"

namespace bv {
namespace {

using test::RunCommand;
using test::TempDir;

void WriteText(const std::string& path, const std::string& text) {
  test::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string EventsOut(const std::vector<std::string>& args) {
  const auto result = RunCommand(ZRVTOOL_PATH, args);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  return result.out;
}

TEST(ZrvToolEvents, DemoShowsMachineAndR40MaxCaptions) {
  TempDir dir;
  const auto made = RunCommand(ZRVTOOL_PATH, {"make-sample", dir.path()});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const std::string demo = dir.File("demo-mjpg.zrv");
  EXPECT_EQ(EventsOut({"events", demo, "0"}), "{\"kind\":255,\"text\":\"\",\"machine\":-1,\"colour\":0,\"label\":\"\"}\n");
  EXPECT_EQ(EventsOut({"events", demo, "35"}),
            "{\"kind\":0,\"text\":\"Big win\",\"machine\":1021,\"colour\":65535,\"label\":\"No.\"}\n");
  // The labels beside the program (placed there by the build).
  EXPECT_EQ(EventsOut({"events", demo, "65"}),
            "{\"kind\":1,\"text\":\"Machine type:Prize machine\\nMachine No.:3105\\nStart:2026/3/14 19:30:6\","
            "\"machine\":-1,\"colour\":65535,\"label\":\"No.\"}\n");
  const std::string complete = EventsOut({"events", demo, "85"});
  EXPECT_NE(complete.find("\\nEnd:2026/3/14  19:30:8\\nCounter type:Tickets\\nTickets:12\\n"), std::string::npos)
      << complete;
  // Labels from another directory, here one without the label file.
  TempDir empty;
  EXPECT_EQ(EventsOut({"events", demo, "65", "--labels-dir", empty.path()}),
            "{\"kind\":1,\"text\":\"ERROR:ERROR\\nERROR:3105\\nERROR:2026/3/14 19:30:6\","
            "\"machine\":-1,\"colour\":65535,\"label\":\"No.\"}\n");
}

TEST(ZrvToolEvents, LabelsDirectoryAndLegacyTexts) {
  TempDir dir;
  CBackupWriter writer(7, samples::DemoCameraInfo());
  writer.AddVideoFrame(samples::RecordTimeAt(0, 10, 2), "CAM", "LOC", test::FakePayload(0, 352, 240));
  ASSERT_TRUE(writer.WriteContainer(dir.File("b.zrv")));
  WriteText(dir.File("ExternalEvent.ini"), "[EVENT_SET]\nHost_Protocal=DYNAM\n");
  // Shift-JIS, as the hall's Japanese Windows PCs write the files: 大当り
  // (a big win) and 台番号 (machine number).
  const std::string codes = "[EventCode_3]\n0=\x91\xe5\x93\x96\x82\xe8\n[Text]\nSTR_TEXT_MACHINE_NUM=\x91\xe4\x94\xd4\x8d\x86\n";
  WriteText(dir.File("ExternalMachineEventCode.ini"), codes);
  MachineEventRecord r;
  r.camera = 2;
  r.machineNumber = -7;
  r.start = EventTime(2026, 3, 14, 19, 30, 0);
  r.end = r.start;
  ASSERT_TRUE(WriteMachineEventFile(dir.File("MachineEvent_2026-03-14.dat"), std::vector{r}));
  EXPECT_EQ(EventsOut({"events", "--labels-dir", dir.path(), dir.File("b.zrv"), "0"}),
            "{\"kind\":0,\"text\":\"\xE5\xA4\xA7\xE5\xBD\x93\xE3\x82\x8A\",\"machine\":-7,\"colour\":0,"
            "\"label\":\"\xE5\x8F\xB0\xE7\x95\xAA\xE5\x8F\xB7\"}\n");
  // Files of a Western recorder, read in the code page the user names.
  WriteText(dir.File("ExternalMachineEventCode.ini"), "[EventCode_3]\n0=Caf\xE9\n[Text]\nSTR_TEXT_MACHINE_NUM=N\xBA\n");
  EXPECT_EQ(EventsOut({"--codepage", "CP1252", "events", "--labels-dir", dir.path(), dir.File("b.zrv"), "0"}),
            "{\"kind\":0,\"text\":\"Caf\xC3\xA9\",\"machine\":-7,\"colour\":0,\"label\":\"N\xC2\xBA\"}\n");
}

TEST(ZrvToolEvents, RefusalsAndUsage) {
  TempDir dir;
  CBackupWriter writer(7);
  writer.AddVideoFrame(samples::RecordTimeAt(0, 10), "CAM", "LOC", test::FakePayload(0, 352, 240));
  writer.AddVideoFrame(samples::RecordTimeAt(1, 10), "CAM", "LOC", test::FakePayload(0, 720, 576));
  ASSERT_TRUE(writer.WriteContainer(dir.File("b.zrv")));
  const std::string path = dir.File("b.zrv");

  const auto past = RunCommand(ZRVTOOL_PATH, {"events", path, "2"});
  EXPECT_EQ(past.exitCode, 1);
  EXPECT_EQ(past.err, "record 2 does not exist (2 records)\n");
  const auto oversized = RunCommand(ZRVTOOL_PATH, {"events", path, "1"});
  EXPECT_EQ(oversized.exitCode, 1);
  EXPECT_EQ(oversized.err, "record 1 shows no picture\n");
  EXPECT_EQ(oversized.out, "");
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"events", dir.File("none.zrv"), "0"}).exitCode, 1);

  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"events"},
           {"events", path},
           {"events", path, "x"},
           {"events", path, "-1"},
           {"events", path, "99999999999"},
           {"events", path, "0", "extra"},
           {"events", path, "0", "--labels-dir"},
           {"events", path, "0", "--labels-dir", "a", "--labels-dir", "b"},
       }) {
    EXPECT_EQ(RunCommand(ZRVTOOL_PATH, args).exitCode, 2) << args.size();
  }
}

}  // namespace
}  // namespace bv
