// zrvtool event-list: the hall events of a backup running over midnight, from
// day files and INI texts laid out byte by byte here (code page 932 text).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/event_day_bytes.h"
#include "tests/support/run_command.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using test::RunCommand;
using test::TempDir;
using test::MachineFile;
using test::R40MaxFile;

// "大当り" in UTF-8: the code page 932 bytes of the code table read as
// Japanese, the same as the caption's text in zrvtool events.
#define kBigWin "\xE5\xA4\xA7\xE5\xBD\x93\xE3\x82\x8A"

TEST(ZrvToolEventList, EveryEventOfTheBackupsSpanAndCamerasWithItsCaptionText) {
  TempDir dir;
  ASSERT_TRUE(test::WriteMidnightBackup(dir.File("MIDNIGHT.ZRV")));
  test::WriteMidnightEventFiles(dir.path());
  TempDir labels;  // no label file: every label reads "ERROR"
  auto list = RunCommand(ZRVTOOL_PATH, {"event-list", dir.File("MIDNIGHT.ZRV"), "--labels-dir", labels.path()});
  ASSERT_EQ(list.exitCode, 0) << list.err;
  EXPECT_EQ(list.out,
            "{\"start\":\"2026-12-08T23:59:50.000\",\"end\":\"2026-12-08T23:59:58.999\",\"camera\":0,\"machine\":123,"
            "\"kind\":\"machine\",\"text\":\"" kBigWin "\",\"record\":0}\n"
            "{\"start\":\"2026-12-08T23:59:59.000\",\"end\":\"2026-12-08T23:59:59.999\",\"camera\":0,\"machine\":125,"
            "\"kind\":\"machine\",\"text\":\"Door\",\"record\":2}\n"
            "{\"start\":\"2026-12-09T00:00:00.000\",\"end\":\"2026-12-09T00:00:01.999\",\"camera\":0,\"machine\":3105,"
            "\"kind\":\"R40Max\",\"text\":\"ERROR:ERROR\\nERROR:3105\\nERROR:2026/12/9  0:0:0\\nERROR:2026/12/9  0:0:1"
            "\\nERROR:ERROR\\nERROR:12\\nERROR:0\\nERROR:0\\nERROR:0\\nERROR:0\\nERROR:0\\n\",\"record\":1}\n"
            "{\"start\":\"2026-12-09T00:00:02.000\",\"end\":\"2026-12-09T00:00:05.999\",\"camera\":0,\"machine\":7,"
            "\"kind\":\"machine\",\"text\":\"" kBigWin "\",\"record\":3}\n");
  // The caption of record 0 carries the same text.
  auto caption = RunCommand(ZRVTOOL_PATH, {"events", dir.File("MIDNIGHT.ZRV"), "0"});
  EXPECT_NE(caption.out.find("\"text\":\"" kBigWin "\""), std::string::npos) << caption.out;
}

TEST(ZrvToolEventList, NoDayFilesTruncatedAndGarbageFiles) {
  TempDir dir;
  ASSERT_TRUE(test::WriteMidnightBackup(dir.File("MIDNIGHT.ZRV")));
  auto none = RunCommand(ZRVTOOL_PATH, {"event-list", dir.File("MIDNIGHT.ZRV")});
  ASSERT_EQ(none.exitCode, 0) << none.err;
  EXPECT_EQ(none.out, "");
  // A record and a half: the whole record is listed, the rest ignored.
  std::vector<uint8_t> file = MachineFile({{0, 5, 9, 0, 0, 0, 0, 0, 1, 99999}, {0, 6, 9, 0, 0, 0, 0, 0, 1, 0}});
  file.resize(75);
  test::WriteFileBytes(dir.File("MachineEvent_2026-12-09.dat"), file);
  // Garbage of 3 bytes: no whole record.
  test::WriteFileBytes(dir.File("R40MaxpEvent_2026-12-09.dat"), {0xFF, 0xFF, 0xFF});
  auto cut = RunCommand(ZRVTOOL_PATH, {"event-list", dir.File("MIDNIGHT.ZRV")});
  ASSERT_EQ(cut.exitCode, 0) << cut.err;
  EXPECT_EQ(std::count(cut.out.begin(), cut.out.end(), '\n'), 1) << cut.out;
  EXPECT_NE(cut.out.find("\"machine\":5,"), std::string::npos) << cut.out;
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"event-list"}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"event-list", dir.File("MIDNIGHT.ZRV"), "--labels-dir"}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"event-list", dir.File("nothing.zrv")}).exitCode, 1);
}

}  // namespace
}  // namespace bv
