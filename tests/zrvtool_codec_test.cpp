// zrvtool frame, bench and make-sample, run as separate processes against demo backups
// and the real codec modules.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "base/platform/le_bytes.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/backup_payloads.h"
#include "tests/support/codec_environment.h"
#include "tests/support/picture_checks.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/sample_backups.h"

namespace bv {
namespace {

using test::ReadPayloads;
using test::RunCommand;

// A binary PPM's size and R, G, B rows.
bool ReadPpm(const std::vector<uint8_t>& file, int* width, int* height, std::vector<uint8_t>* rgb) {
  const std::string text(file.begin(), file.begin() + std::min<size_t>(file.size(), 32));
  std::smatch match;
  if (!std::regex_search(text, match, std::regex("^P6\\s+(\\d+)\\s+(\\d+)\\s+255\\s"))) return false;
  *width = std::stoi(match[1]);
  *height = std::stoi(match[2]);
  rgb->assign(file.begin() + match.length(0), file.end());
  return rgb->size() == static_cast<size_t>(*width) * *height * 3;
}

// B, G, R bottom-up (the DIB picture) as R, G, B top-down.
std::vector<uint8_t> DibToRgb(const std::vector<uint8_t>& bgrBottomUp, int width) {
  std::vector<uint8_t> rgb = test::FlipRows(bgrBottomUp, width * 3);
  for (size_t i = 0; i + 2 < rgb.size(); i += 3) std::swap(rgb[i], rgb[i + 2]);
  return rgb;
}

class ZrvToolCodecs : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.RegisterDriver();
    const auto made = RunCommand(ZRVTOOL_PATH, {"make-sample", dir_.path()});
    ASSERT_EQ(made.exitCode, 0) << made.err;
  }
  test::CodecEnvironment env_;
  test::TempDir dir_;
};

TEST_F(ZrvToolCodecs, FrameOfADeltaFrameIsRebuiltFromItsKeyFrame) {
  const std::string backup = dir_.File("demo-mpeg4.zrv");
  const auto result = RunCommand(ZRVTOOL_PATH, {"frame", backup, "49", "-o", dir_.File("f.ppm")});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "{\"index\":49,\"codec\":\"MPEG4\",\"key\":false,\"width\":352,\"height\":240,\"damaged\":false,\"file\":\"" +
                dir_.File("f.ppm") + "\"}\n");

  // The library's decode of the group from its key frame (record 25).
  const auto payloads = ReadPayloads(backup);
  ASSERT_EQ(payloads[25][3], 0xB0);
  test::Mpeg4Clip group;
  group.payloads.assign(payloads.begin() + 25, payloads.begin() + 50);
  const auto reference = test::ReferenceMpeg4Pictures(group, true);
  std::vector<uint8_t> expected = reference.back();
  for (size_t i = 0; i + 2 < expected.size(); i += 3) std::swap(expected[i], expected[i + 2]);

  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(ReadPpm(test::ReadFileBytes(dir_.File("f.ppm")), &width, &height, &rgb));
  EXPECT_EQ(width, 352);
  EXPECT_EQ(height, 240);
  EXPECT_EQ(rgb, expected);
}

TEST_F(ZrvToolCodecs, FrameOfAWaveletDeltaFrameIsTheDecodersPicture) {
  const std::string backup = dir_.File("demo-wavelet.zrv");
  const auto result = RunCommand(ZRVTOOL_PATH, {"frame", backup, "37", "-o", dir_.File("w.ppm")});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("\"codec\":\"Wavelet\",\"key\":false"), std::string::npos) << result.out;

  // The encoder's reconstruction is the picture the decoder holds.
  samples::WaveletBackupOptions options;
  const test::WaveletClip clip = test::EncodeWaveletClip(options.width, options.height, 38,
                                                         options.keyFrameInterval, options.quality);
  // The demo backup is made the same way (bytes 0..2 aside: it numbers its
  // frames there).
  const std::vector<uint8_t> stored = ReadPayloads(backup)[37];
  ASSERT_EQ(stored.size(), clip.payloads[37].size());
  ASSERT_TRUE(std::equal(stored.begin() + 3, stored.end(), clip.payloads[37].begin() + 3));
  std::vector<uint8_t> expected = clip.reconstructed[37];
  for (size_t i = 0; i + 2 < expected.size(); i += 3) std::swap(expected[i], expected[i + 2]);
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  ASSERT_TRUE(ReadPpm(test::ReadFileBytes(dir_.File("w.ppm")), &width, &height, &rgb));
  EXPECT_EQ(rgb, expected);
}

TEST_F(ZrvToolCodecs, FrameWritesTheSamePictureAsBmpPngAndPpm) {
  const std::string backup = dir_.File("demo-mjpg.zrv");
  for (const char* name : {"f.bmp", "f.png", "f.ppm"}) {
    const auto result = RunCommand(ZRVTOOL_PATH, {"frame", backup, "17", "-o", dir_.File(name)});
    ASSERT_EQ(result.exitCode, 0) << name << result.err;
  }
  int width = 0;
  int height = 0;
  std::vector<uint8_t> ppm;
  ASSERT_TRUE(ReadPpm(test::ReadFileBytes(dir_.File("f.ppm")), &width, &height, &ppm));

  // The BMP: 24-bit, bottom-up, rows padded to 4 bytes (352 * 3 needs none).
  const std::vector<uint8_t> bmp = test::ReadFileBytes(dir_.File("f.bmp"));
  ASSERT_EQ(bmp.size(), 54u + 352 * 240 * 3);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(ReadU32LE(&bmp[10]), 54u);
  EXPECT_EQ(ReadI32LE(&bmp[18]), 352);
  EXPECT_EQ(ReadI32LE(&bmp[22]), 240);
  EXPECT_EQ(ReadU16LE(&bmp[28]), 24);
  EXPECT_EQ(DibToRgb(std::vector<uint8_t>(bmp.begin() + 54, bmp.end()), 352), ppm);

  // The PNG, read back by another program.
  const auto converted = RunCommand("/usr/bin/convert", {dir_.File("f.png"), dir_.File("png.ppm")});
  ASSERT_EQ(converted.exitCode, 0) << converted.err;
  std::vector<uint8_t> fromPng;
  ASSERT_TRUE(ReadPpm(test::ReadFileBytes(dir_.File("png.ppm")), &width, &height, &fromPng));
  EXPECT_EQ(fromPng, ppm);
}

TEST_F(ZrvToolCodecs, FrameRefusesAudioRecordsLargePicturesAndUndecodablePayloads) {
  CBackupWriter writer(7, samples::DemoCameraInfo());
  writer.AddVideoFrame(samples::RecordTimeAt(0, 10), "A", "B",
                       samples::MakeMjpgPayload(samples::MakeTestPicture(176, 144, 0), 80));
  AUDIO_HEADER audio;
  audio.channels = 1;
  audio.samplesPerSecond = 8000;
  audio.bitsPerSample = 8;
  audio.chunksPerSecond = 1;
  writer.AddAudioChunk(samples::RecordTimeAt(1, 10, 0, 0xF0), audio, std::vector<uint8_t>(100, 0x80));
  writer.AddVideoFrame(samples::RecordTimeAt(2, 10), "A", "B",
                       samples::MakeMjpgPayload(samples::MakeTestPicture(720, 576, 0), 50));
  std::vector<uint8_t> corrupt = samples::MakeMjpgPayload(samples::MakeTestPicture(176, 144, 0), 80);
  corrupt.resize(corrupt.size() / 2);
  writer.AddVideoFrame(samples::RecordTimeAt(3, 10), "A", "B", corrupt);
  std::vector<uint8_t> noPicture = samples::MakeMjpgPayload(samples::MakeTestPicture(176, 144, 0), 80);
  std::fill(noPicture.begin() + 40, noPicture.end(), 0x5A);
  writer.AddVideoFrame(samples::RecordTimeAt(4, 10), "A", "B", noPicture);
  ASSERT_TRUE(writer.WriteContainer(dir_.File("bad.zrv")));
  const std::string backup = dir_.File("bad.zrv");
  const std::string out = dir_.File("x.png");

  auto run = [&](const std::string& index) { return RunCommand(ZRVTOOL_PATH, {"frame", backup, index, "-o", out}); };
  const auto clean = run("0");
  EXPECT_EQ(clean.exitCode, 0);
  EXPECT_NE(clean.out.find("\"damaged\":false"), std::string::npos) << clean.out;
  const auto audioRecord = run("1");
  EXPECT_EQ(audioRecord.exitCode, 1);
  EXPECT_NE(audioRecord.err.find("audio"), std::string::npos) << audioRecord.err;
  const auto large = run("2");
  EXPECT_EQ(large.exitCode, 1);
  EXPECT_NE(large.err.find("720 x 576"), std::string::npos) << large.err;
  // Cut in half, the JPEG still gives its top half: shown, and said to be damaged.
  const auto truncated = run("3");
  EXPECT_EQ(truncated.exitCode, 0) << truncated.err;
  EXPECT_NE(truncated.out.find("\"damaged\":true"), std::string::npos) << truncated.out;
  const auto undecodable = run("4");
  EXPECT_EQ(undecodable.exitCode, 1);
  EXPECT_NE(undecodable.err.find("cannot be decoded"), std::string::npos) << undecodable.err;
  EXPECT_EQ(run("5").exitCode, 1);  // past the last record

  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"frame", backup, "0", "-o", dir_.File("x.gif")}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"frame", backup, "zero", "-o", out}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"frame", backup, "-1", "-o", out}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"frame", backup, "0", out}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"frame", dir_.File("none.zrv"), "0", "-o", out}).exitCode, 1);
}

TEST_F(ZrvToolCodecs, BenchCountsEveryVideoRecordByCodecInBothModes) {
  const std::map<std::string, std::pair<std::string, int>> demos = {
      {"demo-mjpg.zrv", {"MJPG", 100}}, {"demo-wavelet.zrv", {"Wavelet", 100}}, {"demo-mpeg4.zrv", {"MPEG4", 150}}};
  for (const auto& [name, expected] : demos) {
    for (bool raw : {false, true}) {
      std::vector<std::string> args{"bench", dir_.File(name)};
      if (raw) args.push_back("--raw");
      const auto result = RunCommand(ZRVTOOL_PATH, args);
      ASSERT_EQ(result.exitCode, 0) << result.err;
      const auto& [codec, frames] = expected;
      const std::regex shape("^\\{\"frames\":" + std::to_string(frames) +
                             ",\"refused\":0,\"seconds\":[0-9.e-]+,\"fps\":[0-9.e+]+,\"by_codec\":\\{\"" + codec +
                             "\":\\{\"frames\":" + std::to_string(frames) +
                             ",\"refused\":0,\"seconds\":[0-9.e-]+,\"fps\":[0-9.e+]+\\}\\}\\}\n$");
      EXPECT_TRUE(std::regex_match(result.out, shape)) << result.out;
    }
  }
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"bench", dir_.File("demo-mjpg.zrv"), "--fast"}).exitCode, 2);
}

// Play and step timings through the engine: every video record counted, the
// kept pictures' peak within their budget, and nothing kept without them.
TEST_F(ZrvToolCodecs, BenchPlaysAndStepsBothWaysWithAndWithoutKeptPictures) {
  const std::string backup = dir_.File("demo-mpeg4.zrv");
  const std::regex peak(",\"cache_peak_bytes\":([0-9]+),\"peak_resident_kib\":([1-9][0-9]*)\\}\n$");
  for (const char* mode : {"--forward", "--backward", "--drag"}) {
    for (bool keep : {true, false}) {
      std::vector<std::string> args{"bench", backup, mode, "--warm"};
      if (!keep) args.push_back("--no-cache");
      const auto result = RunCommand(ZRVTOOL_PATH, args);
      ASSERT_EQ(result.exitCode, 0) << result.err;
      EXPECT_TRUE(std::regex_search(result.out, std::regex("^\\{\"frames\":150,\"refused\":0,\"seconds\":[0-9.e-]+,"
                                                           "\"fps\":[0-9.e+]+,\"by_codec\":\\{\"MPEG4\":\\{"
                                                           "\"frames\":150,")))
          << result.out;
      std::smatch match;
      ASSERT_TRUE(std::regex_search(result.out, match, peak)) << result.out;
      const uint64_t bytes = std::stoull(match[1]);
      // Forward play never catches up; backward play and a drag (from each
      // key frame on) keep up to 100 of the 352 x 240 pictures.
      const bool kept = keep && std::string(mode) != "--forward";
      EXPECT_EQ(bytes > 0, kept) << mode << " " << keep;
      EXPECT_LE(bytes, 100u * 352 * 240 * 3) << mode;
    }
  }

  const auto steps = RunCommand(ZRVTOOL_PATH, {"bench", backup, "--steps"});
  ASSERT_EQ(steps.exitCode, 0) << steps.err;
  EXPECT_TRUE(std::regex_match(steps.out, std::regex("^\\{\"steps\":149,\"refused\":0,\"forward_median_ms\":[0-9.e-]+,"
                                                     "\"backward_median_ms\":[0-9.e-]+,\"ratio\":[0-9.e-]+,"
                                                     "\"cache_peak_bytes\":[1-9][0-9]*\\}\n$")))
      << steps.out;

  for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
           {"bench", backup, "--backward", "--forward"},
           {"bench", backup, "--raw", "--no-cache"},
           {"bench", backup, "--warm"},
           {"bench", backup, "--steps", "--raw"}}) {
    EXPECT_EQ(RunCommand(ZRVTOOL_PATH, wrong).exitCode, 2) << wrong.back();
  }
}

TEST_F(ZrvToolCodecs, MakeSampleTakesTheKeyFrameIntervalFramesAndSize) {
  const std::string dir = dir_.File("made");
  const auto made =
      RunCommand(ZRVTOOL_PATH, {"make-sample", dir, "--key-interval", "7", "--frames", "20", "--size", "176x144"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  for (const char* name : {"demo-mpeg4.zrv", "demo-wavelet.zrv"}) {
    const auto records = RunCommand(ZRVTOOL_PATH, {"records", dir + "/" + name});
    ASSERT_EQ(records.exitCode, 0) << records.err;
    std::istringstream lines(records.out);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
      EXPECT_NE(line.find("\"width\":176,\"height\":144"), std::string::npos) << line;
      const bool key = line.find("\"key\":true") != std::string::npos;
      EXPECT_EQ(key, count % 7 == 0) << name << " " << line;
    }
    EXPECT_EQ(count, 20) << name;
  }
  for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
           {"make-sample", dir, "--key-interval", "0"},
           {"make-sample", dir, "--key-interval", "101"},
           {"make-sample", dir, "--frames", "x"},
           {"make-sample", dir, "--size", "705x576"},
           {"make-sample", dir, "--size", "704x578"},
           {"make-sample", dir, "--size", "7x5"},
           {"make-sample", dir, "--size", "704"}}) {
    EXPECT_EQ(RunCommand(ZRVTOOL_PATH, wrong).exitCode, 2) << wrong[2] << " " << wrong[3];
  }
}

}  // namespace
}  // namespace bv
