// zrvtool wrap on footage made by the ffmpeg command line: an MPEG-4
// elementary stream stored one VOP per record, raw pictures encoded as MJPG
// and Wavelet, and the inputs it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/backup_payloads.h"
#include "tests/support/codec_environment.h"
#include "tests/support/picture_checks.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using test::ReadPayloads;
using test::RunCommand;
constexpr int kWidth = 176;
constexpr int kHeight = 144;

// A number field of zrvtool's JSON (-1 when missing).
double Field(const std::string& json, const std::string& name) {
  std::smatch match;
  if (!std::regex_search(json, match, std::regex("\"" + name + "\":([0-9.e+-]+)"))) return -1;
  return std::stod(match[1]);
}

class ZrvToolWrap : public ::testing::Test {
 protected:
  void SetUp() override { env_.RegisterDriver(); }
  void ExpectRoundTrip(const std::vector<std::string>& codecArgs, int keyInterval, double minPsnr);

  void Ffmpeg(const std::vector<std::string>& outputArgs, int frames) {
    std::vector<std::string> args = {"ffmpeg", "-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                                     "testsrc2=size=176x144:rate=25", "-frames:v", std::to_string(frames)};
    args.insert(args.end(), outputArgs.begin(), outputArgs.end());
    const auto made = RunCommand("/usr/bin/env", args);
    ASSERT_EQ(made.exitCode, 0) << made.err;
  }
  test::CommandResult Wrap(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"wrap", dir_.File("out.zrv")};
    all.insert(all.end(), args.begin(), args.end());
    return RunCommand(ZRVTOOL_PATH, all);
  }
  void ExpectRefused(const test::CommandResult& result, int code, const std::string& says) {
    EXPECT_EQ(result.exitCode, code) << result.out;
    EXPECT_NE(result.err.find(says), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(dir_.File("out.zrv")));
  }

  test::CodecEnvironment env_;
  test::TempDir dir_;
};

TEST_F(ZrvToolWrap, Mpeg4StreamIsStoredOneVopPerRecordAndEveryFrameDecodes) {
  const std::string stream = dir_.File("in.m4v");
  Ffmpeg({"-c:v", "mpeg4", "-g", "12", "-bf", "0", "-f", "m4v", stream}, 64);
  const auto wrapped = Wrap({"--size", "176x144", "--mpeg4", stream});
  ASSERT_EQ(wrapped.exitCode, 0) << wrapped.err;
  EXPECT_EQ(Field(wrapped.out, "records"), 64);
  EXPECT_EQ(Field(wrapped.out, "key_frames"), 6);  // 0, 12, ..., 60
  EXPECT_EQ(Field(wrapped.out, "keys_without_vol"), 0);
  EXPECT_EQ(Field(wrapped.out, "ignored_bytes"), 0);

  const auto payloads = ReadPayloads(dir_.File("out.zrv"));
  ASSERT_EQ(payloads.size(), 64u);
  std::vector<uint8_t> joined;
  for (size_t i = 0; i < payloads.size(); ++i) {
    const auto& p = payloads[i];
    ASSERT_GT(p.size(), 12u);
    EXPECT_EQ(p[3], i % 12 == 0 ? 0xB0 : 0xB1) << i;
    EXPECT_EQ((p[4] << 8) | p[5], kHeight);
    EXPECT_EQ((p[6] << 8) | p[7], kWidth);
    // Each record is one VOP, with the headers before it: 00 00 01 then
    // B0 (sequence) for a key frame, B6 (VOP) for the others.
    EXPECT_EQ(std::vector<uint8_t>(p.begin() + 8, p.begin() + 12),
              (std::vector<uint8_t>{0, 0, 1, static_cast<uint8_t>(i % 12 == 0 ? 0xB0 : 0xB6)}))
        << i;
    joined.insert(joined.end(), p.begin() + 8, p.end());
  }
  EXPECT_EQ(joined, test::ReadFileBytes(stream));

  const auto bench = RunCommand(ZRVTOOL_PATH, {"bench", dir_.File("out.zrv")});
  ASSERT_EQ(bench.exitCode, 0) << bench.err;
  EXPECT_EQ(Field(bench.out, "frames"), 64) << bench.out;
  EXPECT_EQ(Field(bench.out, "refused"), 0) << bench.out;
}

// Raw pictures through the encoder and back through the viewer's decoder.
void ZrvToolWrap::ExpectRoundTrip(const std::vector<std::string>& codecArgs, int keyInterval, double minPsnr) {
  const test::TempDir& dir = dir_;
  const std::string raw = dir.File("in.rgb");
  std::vector<std::string> args = {"--size", "176x144"};
  args.insert(args.end(), codecArgs.begin(), codecArgs.end());
  const auto wrapped = Wrap(args);
  ASSERT_EQ(wrapped.exitCode, 0) << wrapped.err;
  EXPECT_EQ(Field(wrapped.out, "records"), 8);
  EXPECT_EQ(Field(wrapped.out, "key_frames"), (8 + keyInterval - 1) / keyInterval);
  const std::vector<uint8_t> input = test::ReadFileBytes(raw);
  const size_t pictureBytes = static_cast<size_t>(kWidth) * kHeight * 3;
  for (int index : {0, 5, 7}) {
    const std::string ppm = dir.File("f.ppm");
    const auto frame = RunCommand(ZRVTOOL_PATH, {"frame", dir.File("out.zrv"), std::to_string(index), "-o", ppm});
    ASSERT_EQ(frame.exitCode, 0) << frame.err;
    const std::vector<uint8_t> file = test::ReadFileBytes(ppm);
    ASSERT_GE(file.size(), pictureBytes);
    // The PPM's rows (R, G, B) as B, G, R against the input picture.
    std::vector<uint8_t> bgr(file.end() - static_cast<std::ptrdiff_t>(pictureBytes), file.end());
    for (size_t i = 0; i + 2 < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
    samples::RgbPicture original(kWidth, kHeight);
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(index * pictureBytes), pictureBytes,
                original.pixels.begin());
    EXPECT_GT(test::PsnrAgainst(bgr, original), minPsnr) << "frame " << index;
  }
}

TEST_F(ZrvToolWrap, RawPicturesRoundTripThroughMjpgAndWavelet) {
  Ffmpeg({"-f", "rawvideo", "-pix_fmt", "rgb24", dir_.File("in.rgb")}, 8);
  ExpectRoundTrip({"--mjpg", dir_.File("in.rgb"), "--quality", "90"}, 1, 30);
  std::filesystem::remove(dir_.File("out.zrv"));
  ExpectRoundTrip({"--wavelet", dir_.File("in.rgb"), "--key-interval", "4", "--quality", "80"}, 4, 24);
}

TEST_F(ZrvToolWrap, GarbageEmptyTruncatedAndWrongSizesAreRefused) {
  std::vector<uint8_t> garbage(20000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
  test::WriteFileBytes(dir_.File("garbage"), garbage);
  test::WriteFileBytes(dir_.File("empty"), {});
  ExpectRefused(Wrap({"--size", "176x144", "--mpeg4", dir_.File("garbage")}), 1, "no VOP found");
  ExpectRefused(Wrap({"--size", "176x144", "--mpeg4", dir_.File("empty")}), 1, "no VOP found");
  ExpectRefused(Wrap({"--size", "176x144", "--mjpg", dir_.File("empty")}), 1, "empty");
  ExpectRefused(Wrap({"--size", "176x144", "--mpeg4", dir_.File("missing")}), 1, "cannot open");

  // One picture and a half.
  std::vector<uint8_t> raw(static_cast<size_t>(kWidth) * kHeight * 3 * 3 / 2, 0x80);
  test::WriteFileBytes(dir_.File("in.rgb"), raw);
  ExpectRefused(Wrap({"--size", "176x144", "--wavelet", dir_.File("in.rgb")}), 1, "last picture is truncated");

  ExpectRefused(Wrap({"--size", "1920x1080", "--mjpg", dir_.File("in.rgb")}), 2, "--size");
  ExpectRefused(Wrap({"--size", "175x144", "--mjpg", dir_.File("in.rgb")}), 2, "--size");

  const std::string stream = dir_.File("in.m4v");
  Ffmpeg({"-c:v", "mpeg4", "-g", "12", "-bf", "0", "-f", "m4v", stream}, 4);
  ExpectRefused(Wrap({"--size", "352x288", "--mpeg4", stream}), 1, "VOL at VOP 0 says 176x144");
  // The stream cut inside its headers, and right after its first VOP's
  // start code.
  std::vector<uint8_t> bytes = test::ReadFileBytes(stream);
  const std::vector<uint8_t> vop = {0, 0, 1, 0xB6};
  const auto at = std::search(bytes.begin(), bytes.end(), vop.begin(), vop.end());
  ASSERT_NE(at, bytes.end());
  test::WriteFileBytes(dir_.File("cut.m4v"), std::vector<uint8_t>(bytes.begin(), at - 2));
  ExpectRefused(Wrap({"--size", "176x144", "--mpeg4", dir_.File("cut.m4v")}), 1, "no VOP found");
  test::WriteFileBytes(dir_.File("cut.m4v"), std::vector<uint8_t>(bytes.begin(), at + 4));
  ExpectRefused(Wrap({"--size", "176x144", "--mpeg4", dir_.File("cut.m4v")}), 1, "coding type");
}

}  // namespace
}  // namespace bv
