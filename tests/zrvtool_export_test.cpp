// zrvtool export as a separate process: the demo backups of every kind, the
// sound against what zrvtool audio hears the viewer play, exit codes,
// messages and the progress line.
#include <gtest/gtest.h>

#include <filesystem>

#include "outputs/record_clock.h"
#include "tests/support/codec_environment.h"
#include "tests/support/media_probe.h"
#include "tests/support/run_command.h"
#include "tests/support/sound_test_support.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_lines.h"
#include "tools/samples/sample_backups.h"
#include "tools/samples/sound_backup.h"

namespace bv {
namespace {

using test::Field;
using test::RunCommand;

class ZrvToolExport : public ::testing::Test {
 protected:
  test::CodecEnvironment codecs;
  test::TempDir dir;
};

TEST_F(ZrvToolExport, EveryDemoBackupExportsToTheCodecItNeeds) {
  ASSERT_EQ(RunCommand(ZRVTOOL_PATH, {"make-sample", dir.path()}).exitCode, 0);
  const std::pair<const char*, const char*> kinds[] = {
      {"demo-mjpg", "mjpeg"}, {"demo-wavelet", "ffv1"}, {"demo-mpeg4", "mpeg4"}, {"demo-sound", "mjpeg"}};
  for (const auto& [name, codec] : kinds) {
    SCOPED_TRACE(name);
    const std::string out = dir.File(std::string(name) + ".mkv");
    const test::CommandResult run = RunCommand(ZRVTOOL_PATH, {"export", dir.File(std::string(name) + ".zrv"), "-o", out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Field(run.out, "video_codec"), codec);
    EXPECT_EQ(Field(run.out, "recorded_from"), "2026-03-14 19:30:00.000");
    const test::ProbedFile file = test::ProbeMediaFile(out, false);
    ASSERT_TRUE(file.ok) << file.error;
    ASSERT_NE(file.StreamOfType("video"), nullptr);
    EXPECT_EQ(file.StreamOfType("video")->codecName, codec);
    EXPECT_EQ(std::to_string(file.PacketsOf(file.StreamOfType("video")->index).size()), Field(run.out, "video_frames"));
    EXPECT_EQ(file.StreamOfType("audio") != nullptr, std::string(name) == "demo-sound");
    EXPECT_NEAR(file.durationSeconds * 1000, std::stod(Field(run.out, "duration_ms")), 1.0);
  }
}

TEST_F(ZrvToolExport, SoundIsThePcmTheViewerPlaysTimedByItsRecords) {
  struct Case {
    uint8_t bits;
    uint16_t chunksPerSecond;
    const char* codecName;
    const char* rawFormat;
  };
  for (const Case& c : {Case{16, 1, "pcm_s16le", "s16le"}, Case{8, 2, "pcm_u8", "u8"}}) {
    SCOPED_TRACE(c.codecName);
    samples::SoundBackupOptions options;
    options.seconds = 4;
    options.pcmSeconds = 1;
    options.bitsPerSample = c.bits;
    options.chunksPerSecond = c.chunksPerSecond;
    const samples::SoundBackup sound = samples::MakeSoundBackup(options);
    const std::string backup = dir.File("sound.zrv");
    ASSERT_TRUE(sound.writer.WriteContainer(backup));

    const test::CommandResult run = RunCommand(ZRVTOOL_PATH, {"export", backup, "-o", dir.File("out.mkv")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Field(run.out, "sound_chunks"), std::to_string(4 * c.chunksPerSecond));
    EXPECT_EQ(Field(run.out, "bits_per_sample"), std::to_string(c.bits));

    const test::ProbedFile file = test::ProbeMediaFile(dir.File("out.mkv"), false);
    ASSERT_TRUE(file.ok) << file.error;
    const test::ProbedStream* audio = file.StreamOfType("audio");
    ASSERT_NE(audio, nullptr);
    EXPECT_EQ(audio->codecName, c.codecName);
    EXPECT_EQ(audio->sampleRate, 8000);
    EXPECT_EQ(audio->channels, 1);
    ASSERT_NE(file.StreamOfType("video"), nullptr);
    EXPECT_EQ(file.PacketsOf(file.StreamOfType("video")->index).size(), 40u);
    // Each chunk starts at its record's time.
    const int64_t origin = *RecordTimeMs(sound.writer.Index()[0]);
    std::vector<int64_t> chunkTimes;
    for (const INDEX_RECORD& record : sound.writer.Index()) {
      if (record.IsAudio()) chunkTimes.push_back(*RecordTimeMs(record) - origin);
    }
    const std::vector<test::ProbedPacket> packets = file.PacketsOf(audio->index);
    ASSERT_EQ(packets.size(), chunkTimes.size());
    for (size_t i = 0; i < packets.size(); ++i) {
      EXPECT_NEAR(file.PtsMs(packets[i]), static_cast<double>(chunkTimes[i]), 1.0) << "chunk " << i;
    }

    // zrvtool audio: the PCM the viewer's audio path hands the sound device.
    const test::CommandResult heard = RunCommand(ZRVTOOL_PATH, {"audio", backup, "-o", dir.File("viewer.wav")});
    ASSERT_EQ(heard.exitCode, 0) << heard.err;
    const test::WavData viewer = test::ReadWav(dir.File("viewer.wav"));
    ASSERT_TRUE(viewer.valid);
    EXPECT_EQ(viewer.bitsPerSample, c.bits);
    // The viewer plays each chunk whole, one after the other; the export
    // keeps each chunk at its record's time, so a chunk that runs past the
    // next one's time (GSM blocks round 4000 samples up to 4160) ends there.
    const size_t sampleBytes = c.bits / 8;
    std::vector<uint8_t> expected;
    size_t played = 0;
    size_t lastLength = 0;
    for (size_t k = 0; k < sound.chunks.size(); ++k) {
      const samples::StoredChunk& chunk = sound.chunks[k];
      const size_t length = (chunk.gsm ? chunk.bytes.size() / 65 * 320 : chunk.bytes.size() / sampleBytes) * sampleBytes;
      size_t kept = length;
      if (k + 1 < sound.chunks.size()) {
        kept = std::min(kept, static_cast<size_t>(chunkTimes[k + 1] - chunkTimes[k]) * 8 * sampleBytes);
      }
      ASSERT_LE(played + length, viewer.data.size());
      expected.insert(expected.end(), viewer.data.begin() + static_cast<ptrdiff_t>(played),
                      viewer.data.begin() + static_cast<ptrdiff_t>(played + kept));
      played += length;
      lastLength = length;
    }
    EXPECT_EQ(played, viewer.data.size());
    const std::vector<uint8_t> exported = test::DecodeSoundWithFfmpeg(dir.File("out.mkv"), c.rawFormat);
    EXPECT_TRUE(exported == expected) << exported.size() << " bytes exported, " << expected.size() << " expected";
    const double lastChunkMs = static_cast<double>(lastLength / sampleBytes) / 8.0;
    EXPECT_NEAR(file.durationSeconds * 1000, static_cast<double>(chunkTimes.back()) + lastChunkMs, 1.0);
  }
}

TEST_F(ZrvToolExport, UsageRefusalsAndProgressGoToStderrWithTheirExitCodes) {
  samples::MjpgBackupOptions options;
  options.frames = 30;
  options.width = 176;
  options.height = 144;
  ASSERT_TRUE(samples::MakeMjpgBackup(options).WriteContainer(dir.File("m.zrv")));
  const std::string backup = dir.File("m.zrv");
  const std::string out = dir.File("clip.mkv");

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"export", backup}, {"export", backup, "-o"}, {"export", "-o", out},
        {"export", backup, "-o", out, "--from", "x"}, {"export", backup, "-o", out, "--to", "-3"},
        {"export", backup, backup, "-o", out}, {"export", backup, "-o", out, "--fast"}}) {
    const test::CommandResult run = RunCommand(ZRVTOOL_PATH, args);
    EXPECT_EQ(run.exitCode, 2) << args.size();
    EXPECT_NE(run.err.find("usage: zrvtool export PATH -o OUT.mkv"), std::string::npos);
  }
  test::CommandResult run = RunCommand(ZRVTOOL_PATH, {"export", backup, "-o", out, "--from", "20", "--to", "40"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "records 20..40 are not within 0..29\n");
  EXPECT_TRUE(run.out.empty());
  EXPECT_FALSE(std::filesystem::exists(out));

  run = RunCommand(ZRVTOOL_PATH, {"export", backup, "-o", out, "--from", "5", "--to", "14", "--progress"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Field(run.out, "first"), "5");
  EXPECT_EQ(Field(run.out, "last"), "14");
  EXPECT_EQ(Field(run.out, "video_frames"), "10");
  EXPECT_EQ(Field(run.out, "video_copied"), "true");
  EXPECT_EQ(Field(run.out, "recorded_from"), "2026-03-14 19:30:00.500");
  EXPECT_EQ(Field(run.out, "recorded_to"), "2026-03-14 19:30:01.400");
  EXPECT_EQ(Field(run.out, "duration_ms"), "1000");
  EXPECT_NE(run.err.find("export: 0 of 10 packets (0%)\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("export: 10 of 10 packets (100%)\n"), std::string::npos) << run.err;
  // A short export says nothing unless asked.
  run = RunCommand(ZRVTOOL_PATH, {"export", backup, "-o", out});
  ASSERT_EQ(run.exitCode, 0);
  EXPECT_TRUE(run.err.empty()) << run.err;
}

}  // namespace
}  // namespace bv
