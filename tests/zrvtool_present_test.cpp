// zrvtool present read back by ffmpeg, ffprobe and a headless Chromium:
// every frame against the viewer's own snapshot of the record, the frames'
// times against the records' times, no warnings from the readers, the sound
// track, the metadata, and clear refusals with no file left.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "base/format/backup_writer.h"
#include "tests/support/codec_environment.h"
#include "tests/support/media_probe.h"
#include "tests/support/picture_tools.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_lines.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/sample_backups.h"
#include "tools/samples/test_picture.h"

namespace bv {
namespace {

using test::Field;
using test::RunCommand;

test::CommandResult Zrvtool(const std::vector<std::string>& args) { return RunCommand(ZRVTOOL_PATH, args); }

// A program found on the PATH.
test::CommandResult RunTool(const std::string& program, std::vector<std::string> args) {
  args.insert(args.begin(), program);
  return RunCommand("/usr/bin/env", args);
}

class ZrvtoolPresentTest : public ::testing::Test {
 protected:
  ZrvtoolPresentTest() { env.RegisterDriver(); }

  // MJPG frames of the moving test picture at the given times (ms from
  // 19:30:00 on 2026-03-14).
  std::string Backup(int width, int height, const std::vector<int>& timesMs) {
    CBackupWriter writer(7, samples::DemoCameraInfo());
    for (size_t i = 0; i < timesMs.size(); ++i) {
      // RecordTimeAt at 1000 frames a second gives whole milliseconds.
      writer.AddVideoFrame(samples::RecordTimeAt(timesMs[i], 1000), "CAM 01 ENTRANCE", "1F EAST GATE",
                           samples::MakeMjpgPayload(samples::MakeTestPicture(width, height, static_cast<int>(i)), 85));
    }
    const std::string path = dir.File("b.zrv");
    EXPECT_TRUE(writer.WriteContainer(path));
    return path;
  }

  test::CodecEnvironment env;
  test::TempDir dir;
};

TEST_F(ZrvtoolPresentTest, EveryFrameIsTheViewersSnapshotWithin35dB) {
  // 704 x 240 is one field: doubled as the snapshot doubles it.
  const std::string backup = Backup(704, 240, {0, 100, 200, 300, 400, 500});
  // The snapshot writes "Cam N" where the window draws the record's camera
  // title: both without it, the date and size texts burned in alike.
  const test::CommandResult run = Zrvtool({"present", backup, "-o", dir.File("p.mp4"), "--no-cam"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Field(run.out, "width"), "704");
  EXPECT_EQ(Field(run.out, "height"), "480");
  const std::vector<uint8_t> frames = test::DecodeVideoWithFfmpeg(dir.File("p.mp4"), "rgb24");
  const size_t frameBytes = size_t{704} * 480 * 3;
  ASSERT_EQ(frames.size(), 6 * frameBytes);
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE(k);
    const std::string bmp = dir.File("s" + std::to_string(k) + ".bmp");
    ASSERT_EQ(Zrvtool({"snapshot", backup, std::to_string(k), "-o", bmp, "--no-cam"}).exitCode, 0);
    const samples::RgbPicture snapshot = test::DecodeWithConvert(bmp);
    ASSERT_EQ(snapshot.pixels.size(), frameBytes);
    EXPECT_GE(test::Psnr(frames.data() + k * frameBytes, snapshot.pixels.data(), frameBytes), 35.0);
  }
}

TEST_F(ZrvtoolPresentTest, EachFrameLastsAsLongAsTheRecordsSay) {
  const std::vector<int> times = {0, 40, 90, 500, 520, 2520, 2600};
  const std::string backup = Backup(352, 288, times);
  const test::CommandResult run = Zrvtool({"present", backup, "-o", dir.File("p.mp4")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const test::ProbedFile file = test::ProbeMediaFile(dir.File("p.mp4"), false);
  ASSERT_TRUE(file.ok) << file.error;
  const test::ProbedStream* video = file.StreamOfType("video");
  ASSERT_NE(video, nullptr);
  std::vector<test::ProbedPacket> packets = file.PacketsOf(video->index);
  ASSERT_EQ(packets.size(), times.size());
  std::sort(packets.begin(), packets.end(), [](const auto& a, const auto& b) { return a.pts < b.pts; });
  for (size_t i = 0; i < times.size(); ++i) EXPECT_NEAR(file.PtsMs(packets[i]), times[i], 1.0) << i;
  // The last frame is shown as long as the one before it.
  EXPECT_NEAR(file.durationSeconds * 1000, 2680, 2.0);
  EXPECT_EQ(Field(run.out, "duration_ms"), "2680");
}

TEST_F(ZrvtoolPresentTest, FramesOfTheSameMillisecondEachStayAndTimeGoingBackIsRefused) {
  const std::string same = Backup(176, 144, {0, 100, 100, 100, 200});
  const test::CommandResult run = Zrvtool({"present", same, "-o", dir.File("same.mp4")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const test::ProbedFile file = test::ProbeMediaFile(dir.File("same.mp4"), false);
  ASSERT_TRUE(file.ok) << file.error;
  EXPECT_EQ(file.PacketsOf(file.StreamOfType("video")->index).size(), 5u);
  // Each on a millisecond of its own, in order; decoded on the file's own
  // clock (ffmpeg's default output clock would merge frames 1 ms apart).
  std::vector<test::ProbedPacket> packets = file.PacketsOf(file.StreamOfType("video")->index);
  std::sort(packets.begin(), packets.end(), [](const auto& a, const auto& b) { return a.pts < b.pts; });
  for (size_t i = 1; i < packets.size(); ++i) EXPECT_GT(packets[i].pts, packets[i - 1].pts) << i;
  EXPECT_NEAR(file.PtsMs(packets[3]), 102, 1.0);
  EXPECT_EQ(RunTool("ffprobe", {"-v", "warning", "-show_packets", dir.File("same.mp4")}).err, "");
  EXPECT_EQ(RunTool("ffmpeg", {"-v", "warning", "-i", dir.File("same.mp4"), "-fps_mode", "passthrough",
                               "-enc_time_base", "-1", "-f", "null", "-"})
                .err,
            "");

  const std::string back = Backup(176, 144, {0, 100, 50, 150});
  const test::CommandResult refused = Zrvtool({"present", back, "-o", dir.File("back.mp4")});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("record 2 was recorded at 2026-03-14 19:30:00.050, before record 1"), std::string::npos)
      << refused.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("back.mp4")));
}

TEST_F(ZrvtoolPresentTest, PlaysWithoutWarningsInFfmpegAndInABrowser) {
  ASSERT_EQ(Zrvtool({"make-sample", dir.path(), "--frames", "30"}).exitCode, 0);
  const std::string mp4 = dir.File("sound.mp4");
  const test::CommandResult run = Zrvtool({"present", dir.File("demo-sound.zrv"), "-o", mp4});
  ASSERT_EQ(run.exitCode, 0) << run.err;

  const test::CommandResult probe = RunTool("ffprobe", {"-v", "warning", "-show_streams", "-show_format", mp4});
  ASSERT_EQ(probe.exitCode, 0);
  EXPECT_EQ(probe.err, "");
  EXPECT_NE(probe.out.find("codec_name=h264"), std::string::npos);
  EXPECT_NE(probe.out.find("pix_fmt=yuv420p"), std::string::npos);
  EXPECT_NE(probe.out.find("codec_name=aac"), std::string::npos);
  EXPECT_NE(probe.out.find("TAG:camera=Entrance (1)"), std::string::npos);
  EXPECT_NE(probe.out.find("TAG:recorded_from=2026-03-14 19:30:00.000"), std::string::npos);
  // The sound lasts as long as its six one-second records.
  EXPECT_EQ(Field(run.out, "chunks"), "6");
  const std::vector<uint8_t> pcm = test::DecodeSoundWithFfmpeg(mp4, "s16le");
  EXPECT_NEAR(static_cast<double>(pcm.size()) / 2 / 8000, 6.0, 0.15);
  const test::CommandResult decode = RunTool("ffmpeg", {"-v", "warning", "-i", mp4, "-f", "null", "-"});
  EXPECT_EQ(decode.exitCode, 0);
  EXPECT_EQ(decode.err, "");

  // The index is at the front, so a browser starts before it has the whole file.
  const std::vector<uint8_t> bytes = test::ReadFileBytes(mp4);
  const std::string head(bytes.begin(), bytes.end());
  ASSERT_NE(head.find("moov"), std::string::npos);
  EXPECT_LT(head.find("moov"), head.find("mdat"));

  std::ofstream(dir.File("page.html")) << "<html><body><video id=v src=sound.mp4 muted></video><script>\n"
                                          "const v = document.getElementById('v');\n"
                                          "v.addEventListener('loadeddata', () => { document.title = 'played ' +\n"
                                          "  v.videoWidth + 'x' + v.videoHeight + ' ' + v.duration.toFixed(1); });\n"
                                          "v.addEventListener('error', () => { document.title = 'refused'; });\n"
                                          "</script></body></html>\n";
  const test::CommandResult browser =
      RunTool("chromium", {"--headless", "--no-sandbox", "--disable-gpu", "--allow-file-access-from-files",
                           "--virtual-time-budget=5000", "--user-data-dir=" + dir.File("profile"), "--dump-dom",
                           "file://" + dir.File("page.html")});
  ASSERT_EQ(browser.exitCode, 0) << browser.err;
  EXPECT_NE(browser.out.find("<title>played 352x240 6.0</title>"), std::string::npos) << browser.out;
}

TEST_F(ZrvtoolPresentTest, AnythingButABackupIsRefusedAndNoFileIsLeft) {
  const std::string backup = Backup(352, 240, {0, 100, 200});
  const std::vector<uint8_t> bytes = test::ReadFileBytes(backup);
  test::WriteFileBytes(dir.File("cut.zrv"), std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2));
  std::vector<uint8_t> garbage(30000);
  std::mt19937 random(3);
  for (uint8_t& byte : garbage) byte = static_cast<uint8_t>(random());
  test::WriteFileBytes(dir.File("garbage.zrv"), garbage);
  for (const char* name : {"cut.zrv", "garbage.zrv", "missing.zrv"}) {
    SCOPED_TRACE(name);
    const test::CommandResult run = Zrvtool({"present", dir.File(name), "-o", dir.File("p.mp4")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(run.err.empty());
  }
  EXPECT_EQ(Zrvtool({"present", backup, "-o", dir.File("p.mp4"), "--from", "2", "--to", "1"}).exitCode, 1);
  EXPECT_EQ(Zrvtool({"present", backup, "-o", dir.File("p.mp4"), "--to", "3"}).exitCode, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.File("p.mp4")));
  EXPECT_EQ(Zrvtool({"present", backup, "-o", backup}).exitCode, 1);
  EXPECT_EQ(test::ReadFileBytes(backup), bytes);
}

}  // namespace
}  // namespace bv
