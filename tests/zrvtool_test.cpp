// zrvtool's output contract, run as a separate process like other tools do.
#include <gtest/gtest.h>

#include <sstream>

#include "base/format/backup_constants.h"
#include "base/platform/le_bytes.h"
#include "tests/support/run_command.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_lines.h"

namespace bv {
namespace {

using test::Lines;
using test::RunCommand;
using test::TempDir;

TEST(ZrvTool, InfoOfTheDemoBackup) {
  TempDir dir;
  auto made = RunCommand(ZRVTOOL_PATH, {"make-sample", dir.path()});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  auto info = RunCommand(ZRVTOOL_PATH, {"info", dir.File("demo-mjpg.zrv")});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  EXPECT_EQ(info.out,
            "{\"form\":\"container\",\"version\":7,\"count\":100,\"index_length\":2424,\"frame_base\":2424,"
            "\"camera\":{\"number\":0,\"name\":\"Entrance\",\"location\":\"Hall 1 East Gate\","
            "\"organization\":\"Sample Hall\",\"owner\":\"Backup Viewer demo\"}}\n");
  EXPECT_EQ(info.err, "");
}

TEST(ZrvTool, RecordsOfContainerPairAndSelfContainedBackups) {
  TempDir dir;
  CBackupWriter writer(5, [] {
    CAMERA_INFO info;
    info.number = 1;
    std::strcpy(info.name, "\x83\x7a\x81\x5b\x83\x8b");  // ホール in Shift-JIS in the file, UTF-8 out
    return info;
  }());
  INDEX_RECORD r{};
  r.year = 2026;
  r.month = 12;
  r.day = 8;
  r.hour = 9;
  r.minute = 5;
  r.second = 1;
  r.millisecond = 7;
  r.camera = 1;
  r.type = 0x81;
  writer.AddVideoFrame(r, "Cam \"A\"", "East", test::FakePayload(0xB1, 704, 576, 50));
  AUDIO_HEADER audio;
  audio.channels = 1;
  audio.samplesPerSecond = 8000;
  audio.bitsPerSample = 8;
  audio.chunksPerSecond = 1;
  r.millisecond = 500;
  writer.AddAudioChunk(r, audio, std::vector<uint8_t>(10, 0x80));
  ASSERT_TRUE(writer.WriteContainer(dir.File("b.zrv")));
  ASSERT_TRUE(writer.WritePair(dir.File("b.idx")));
  ASSERT_TRUE(writer.WriteSelfContained(dir.File("b.bin"), std::vector<uint8_t>(kProgramFileLength, 0)));

  const std::string video =
      "{\"index\":0,\"time\":\"2026-12-08T09:05:01.007\",\"camera\":1,\"type\":129,\"kind\":\"video\","
      "\"audio_paced\":true,\"offset\":0,\"size\":50,\"codec\":\"MPEG4\",\"key\":false,\"width\":704,"
      "\"height\":576,\"title\":\"Cam \\\"A\\\"\",\"location\":\"East\"}";
  const std::string sound =
      "{\"index\":1,\"time\":\"2026-12-08T09:05:01.500\",\"camera\":1,\"type\":240,\"kind\":\"audio\","
      "\"audio_paced\":false,\"offset\":82,\"size\":10}";
  for (const char* name : {"b.zrv", "b.idx", "b.bin"}) {
    auto records = RunCommand(ZRVTOOL_PATH, {"records", dir.File(name)});
    ASSERT_EQ(records.exitCode, 0) << name << records.err;
    EXPECT_EQ(Lines(records.out), (std::vector<std::string>{video, sound})) << name;
  }

  auto pair = RunCommand(ZRVTOOL_PATH, {"info", dir.File("b.idx")});
  EXPECT_EQ(pair.out,
            "{\"form\":\"pair\",\"version\":5,\"count\":2,\"index_length\":0,\"frame_base\":0,"
            "\"camera\":{\"number\":1,\"name\":\"\xE3\x83\x9B\xE3\x83\xBC\xE3\x83\xAB\",\"location\":\"\",\"organization\":\"\","
            "\"owner\":\"\"}}\n");
  auto self = RunCommand(ZRVTOOL_PATH, {"info", dir.File("b.bin")});
  EXPECT_NE(self.out.find("\"form\":\"self-contained\""), std::string::npos);
  EXPECT_NE(self.out.find("\"frame_base\":" + std::to_string(kProgramFileLength + 72)), std::string::npos);
}

TEST(ZrvTool, RefusedInputsExitOneWithTheViewersMessage) {
  TempDir dir;
  test::WriteFileBytes(dir.File("bad.zrv"), std::vector<uint8_t>(2000, 0));
  auto bad = RunCommand(ZRVTOOL_PATH, {"info", dir.File("bad.zrv")});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.err, "File Error #1\n");
  EXPECT_EQ(bad.out, "");

  ASSERT_TRUE(test::MakeSmallBackup(2, 2).WritePair(dir.File("old.idx")));
  std::remove(dir.File("old.sav").c_str());
  auto missing = RunCommand(ZRVTOOL_PATH, {"records", dir.File("old.idx")});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "Save Error #1\n");

  auto none = RunCommand(ZRVTOOL_PATH, {"info", dir.File("none.zrv")});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_NE(none.err.find("cannot open"), std::string::npos);
}

TEST(ZrvTool, UsageErrorsExitTwo) {
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"frobnicate"}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"info"}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"records", "a", "b"}).exitCode, 2);
}

TEST(ZrvTool, RecordsMarksRecordsTheViewerRefuses) {
  TempDir dir;
  CBackupWriter writer(7);
  INDEX_RECORD past{};
  past.size = 100000;
  writer.AddRawRecord(past, std::vector<uint8_t>(10, 0));
  ASSERT_TRUE(writer.WriteContainer(dir.File("p.zrv")));
  auto records = RunCommand(ZRVTOOL_PATH, {"records", dir.File("p.zrv")});
  ASSERT_EQ(records.exitCode, 0);
  EXPECT_NE(records.out.find("\"size\":100000,\"refused\":true}"), std::string::npos) << records.out;
}

}  // namespace
}  // namespace bv
