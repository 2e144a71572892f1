// zrvtool event-list: the hall events of a backup running over midnight, from
// day files and INI texts laid out byte by byte here (code page 932 text).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/run_command.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using test::RunCommand;
using test::TempDir;

void Put16(std::vector<uint8_t>& b, size_t at, int v) {
  b[at] = static_cast<uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& b, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
}
// year, month, day of week, day, hour, minute, second, milliseconds
void PutTime(std::vector<uint8_t>& b, size_t at, int y, int mo, int d, int h, int mi, int s) {
  const int fields[8] = {y, mo, 3, d, h, mi, s, 777};
  for (int i = 0; i < 8; ++i) Put16(b, at + 2 * i, fields[i]);
}

struct Machine {
  int camera, machine, day, h1, m1, s1, h2, m2, s2, code;
};

// 50-byte records; bytes 0..3 and the tail are not read: filled with junk.
std::vector<uint8_t> MachineFile(const std::vector<Machine>& events) {
  std::vector<uint8_t> file;
  for (const Machine& e : events) {
    std::vector<uint8_t> r(50, 0xA5);
    r[4] = static_cast<uint8_t>(e.camera);
    Put32(r, 5, e.machine);
    PutTime(r, 9, 2026, 12, e.day, e.h1, e.m1, e.s1);
    PutTime(r, 25, 2026, 12, e.day, e.h2, e.m2, e.s2);
    Put32(r, 41, e.code);
    file.insert(file.end(), r.begin(), r.end());
  }
  return file;
}

std::vector<uint8_t> R40MaxFile() {
  std::vector<uint8_t> r(89, 0);
  r[0] = 2;  // complete
  r[1] = 2;  // position machine
  Put32(r, 2, 3105);
  PutTime(r, 7, 2026, 12, 9, 0, 0, 0);
  PutTime(r, 23, 2026, 12, 9, 0, 0, 1);
  r[43] = 2;
  Put32(r, 44, 12);
  r[68] = 0;  // camera
  PutTime(r, 73, 2026, 12, 9, 0, 0, 0);
  return r;
}

// The code page 932 bytes of "大当り" as this program's text conversion
// gives them (each byte kept), the same as the caption's text in zrvtool events.
#define kBigWin "\xC2\x91\xC3\xA5\xC2\x93\xC2\x96\xC2\x82\xC3\xA8"

void WriteText(const std::string& path, const std::string& text) {
  test::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(ZrvToolEventList, EveryEventOfTheBackupsSpanAndCamerasWithItsCaptionText) {
  TempDir dir;
  ASSERT_TRUE(test::WriteMidnightBackup(dir.File("MIDNIGHT.ZRV")));
  WriteText(dir.File("ExternalEvent.ini"), "[EVENT_SET]\r\nHost_Protocal=DYNAM\r\n");
  // "大当り" (big win) in code page 932, and a plain one.
  WriteText(dir.File("ExternalMachineEventCode.ini"), "[EventCode_3]\r\n0=\x91\xE5\x93\x96\x82\xE8\r\n1=Door\r\n");
  test::WriteFileBytes(dir.File("MachineEvent_2026-12-08.dat"),
                       MachineFile({{0, 123, 8, 23, 59, 50, 23, 59, 58, 0},
                                    {0, 124, 8, 23, 0, 0, 23, 10, 0, 1},     // before the backup
                                    {1, 999, 8, 23, 59, 59, 23, 59, 59, 1},  // a camera it does not hold
                                    {0, 125, 8, 23, 59, 59, 23, 59, 59, 1}}));
  test::WriteFileBytes(dir.File("MachineEvent_2026-12-09.dat"),
                       MachineFile({{0, 7, 9, 0, 0, 4, 0, 0, 9, 1},  // after it: written first
                                    {0, 7, 9, 0, 0, 2, 0, 0, 5, 0}}));
  test::WriteFileBytes(dir.File("R40MaxpEvent_2026-12-09.dat"), R40MaxFile());
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
