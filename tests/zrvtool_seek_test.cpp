// zrvtool seek: the record chosen for a moment, on backups whose index times
// are laid out here byte by byte (crossing midnight, one record written late).
#include <gtest/gtest.h>

#include "tests/support/run_command.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using test::RunCommand;
using test::TempDir;

std::string MidnightBackup(const TempDir& dir) {
  const std::string path = dir.File("MIDNIGHT.ZRV");
  EXPECT_TRUE(test::WriteMidnightBackup(path));
  return path;
}

TEST(ZrvToolSeek, ChoosesTheLastRecordAtOrBeforeTheMomentOnAnUnsortedIndex) {
  TempDir dir;
  const std::string path = MidnightBackup(dir);
  auto seek = RunCommand(ZRVTOOL_PATH, {"seek", path, "2026-12-09T00:00:00.5"});
  ASSERT_EQ(seek.exitCode, 0) << seek.err;
  EXPECT_EQ(seek.out,
            "{\"index\":2,\"time\":\"2026-12-08T23:59:59.250\",\"camera\":0,\"before_start\":false,"
            "\"first\":\"2026-12-08T23:59:58.000\",\"last\":\"2026-12-09T00:00:03.000\",\"time_ordered\":false}\n");
  seek = RunCommand(ZRVTOOL_PATH, {"seek", path, "2026-12-09T00:00:02"});
  ASSERT_EQ(seek.exitCode, 0) << seek.err;
  EXPECT_NE(seek.out.find("\"index\":3,"), std::string::npos) << seek.out;
  seek = RunCommand(ZRVTOOL_PATH, {"seek", path, "2027-01-01T00:00:00"});
  EXPECT_NE(seek.out.find("\"index\":4,"), std::string::npos) << seek.out;
  seek = RunCommand(ZRVTOOL_PATH, {"seek", path, "2026-12-08T08:00:00"});
  EXPECT_NE(seek.out.find("\"index\":0,"), std::string::npos) << seek.out;
  EXPECT_NE(seek.out.find("\"before_start\":true"), std::string::npos) << seek.out;
}

TEST(ZrvToolSeek, RefusesBadTimesAndFiles) {
  TempDir dir;
  const std::string path = MidnightBackup(dir);
  for (const char* bad : {"2026-12-09", "2026-12-09T25:00:00", "2026-12-09T00:00:00.1234", "tomorrow"}) {
    auto seek = RunCommand(ZRVTOOL_PATH, {"seek", path, bad});
    EXPECT_EQ(seek.exitCode, 2) << bad;
    EXPECT_EQ(seek.out, "");
    EXPECT_NE(seek.err.find("YYYY-MM-DDTHH:MM:SS"), std::string::npos) << seek.err;
  }
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"seek", path}).exitCode, 2);
  std::vector<uint8_t> cut = test::ReadFileBytes(path);
  cut.resize(cut.size() / 2);
  test::WriteFileBytes(dir.File("cut.zrv"), cut);
  auto refused = RunCommand(ZRVTOOL_PATH, {"seek", dir.File("cut.zrv"), "2026-12-09T00:00:00"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"seek", dir.File("none.zrv"), "2026-12-09T00:00:00"}).exitCode, 1);
}

TEST(ZrvToolCamera, RecordsAndSeekOfOneCameraAlone) {
  TempDir dir;
  ASSERT_TRUE(test::WriteTwoCameraBackup(dir.File("TWO.ZRV")));
  auto records = RunCommand(ZRVTOOL_PATH, {"records", dir.File("TWO.ZRV"), "--camera", "1"});
  ASSERT_EQ(records.exitCode, 0) << records.err;
  std::vector<std::string> indexes;
  size_t at = 0;
  while ((at = records.out.find("{\"index\":", at)) != std::string::npos) {
    at += 9;
    indexes.push_back(records.out.substr(at, records.out.find(',', at) - at));
  }
  EXPECT_EQ(indexes, (std::vector<std::string>{"1", "4", "5", "7"}));
  EXPECT_EQ(records.out.find("\"camera\":0"), std::string::npos);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"records", dir.File("TWO.ZRV"), "--camera", "x"}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"records", dir.File("TWO.ZRV"), "--camera", "256"}).exitCode, 2);

  // Record 5 is at 19:30:00.500; camera 0's record before it is 3.
  auto seek = RunCommand(ZRVTOOL_PATH, {"seek", dir.File("TWO.ZRV"), "2026-03-14T19:30:00.550", "--camera", "0"});
  ASSERT_EQ(seek.exitCode, 0) << seek.err;
  EXPECT_NE(seek.out.find("{\"index\":3,"), std::string::npos) << seek.out;
  seek = RunCommand(ZRVTOOL_PATH, {"seek", dir.File("TWO.ZRV"), "2026-03-14T19:30:00.550"});
  EXPECT_NE(seek.out.find("{\"index\":5,"), std::string::npos) << seek.out;
  seek = RunCommand(ZRVTOOL_PATH, {"seek", dir.File("TWO.ZRV"), "2026-03-14T19:30:00.550", "--camera", "4"});
  EXPECT_EQ(seek.exitCode, 1);
  EXPECT_NE(seek.err.find("no records of camera 4"), std::string::npos);
}

}  // namespace
}  // namespace bv
