// The engine's audio path driven through the real controller: pacing on a
// manual clock, gathering a second's audio from the index, and the sound
// handed to the output (SDL's disk driver) as PCM or decoded GSM 6.10.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "tests/support/small_backups.h"
#include "tests/support/sound_test_support.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/sample_backups.h"
#include "tools/samples/sound_backup.h"

namespace bv {
namespace {

using test::SoundPlayer;
using test::TempDir;

INDEX_RECORD At(int second, int millisecond, uint8_t type = 0) {
  return samples::RecordTimeAt(second * 1000 + millisecond, 1000, 0, type);
}

AUDIO_HEADER Header(uint32_t rate, uint8_t bits, uint16_t chunksPerSecond, uint8_t channels = 1,
                    uint8_t compression = 0) {
  AUDIO_HEADER header;
  header.channels = channels;
  header.samplesPerSecond = rate;
  header.bitsPerSample = bits;
  header.chunksPerSecond = chunksPerSecond;
  header.compression = compression;
  return header;
}

std::vector<uint8_t> Filled(size_t size, uint8_t value) { return std::vector<uint8_t>(size, value); }

std::vector<uint8_t> HeaderBytes(const AUDIO_HEADER& header) {
  const auto bytes = header.ToBytes();
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// Backups written record by record: frames of a second, then its audio.
class AudioBackup {
 public:
  explicit AudioBackup(uint32_t version = 7) : writer_(version, samples::DemoCameraInfo()) {}
  void Frames(int second, int count = 10, uint8_t type = kAudioPacedBit) {
    for (int i = 0; i < count; ++i) {
      writer_.AddVideoFrame(At(second, i * 1000 / count, type), "CAM", "LOC", test::FakePayload(0, 352, 240));
    }
  }
  void Audio(int second, int millisecond, const AUDIO_HEADER& header, const std::vector<uint8_t>& samples) {
    writer_.AddAudioChunk(At(second, millisecond), header, samples);
  }
  // An audio record with its bytes as given and the size as given.
  void RawAudio(int second, int millisecond, const std::vector<uint8_t>& bytes, uint32_t size) {
    INDEX_RECORD record = At(second, millisecond, kAudioRecordType);
    record.size = size;
    writer_.AddRawRecord(record, bytes);
  }
  std::string Write(const TempDir& dir) {
    const std::string path = dir.File("audio.zrv");
    EXPECT_TRUE(writer_.WriteContainer(path));
    return path;
  }

 private:
  CBackupWriter writer_;
};

class AudioPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseDiskAudio(dir_.File("device.raw"));
    test::UseBuiltModules();
  }
  std::string WriteSound(samples::SoundBackupOptions options) {
    options.width = 96;
    options.height = 64;
    const samples::SoundBackup backup = samples::MakeSoundBackup(options);
    chunks_ = backup.chunks;
    const std::string path = dir_.File("sound.zrv");
    EXPECT_TRUE(backup.writer.WriteContainer(path));
    return path;
  }

  TempDir dir_;
  std::vector<samples::StoredChunk> chunks_;
};

TEST_F(AudioPathTest, PcmSecondsReachTheOutputExactlyAsStored) {
  for (const uint8_t bits : {16, 8}) {
    samples::SoundBackupOptions options;
    options.seconds = 3;
    options.pcmSeconds = 3;
    options.bitsPerSample = bits;
    options.chunksPerSecond = 2;
    const std::string path = WriteSound(options);
    SoundPlayer player;
    ASSERT_TRUE(player.Open(path));
    player.PlayToEnd();
    std::vector<uint8_t> stored;
    for (const auto& chunk : chunks_) stored.insert(stored.end(), chunk.bytes.begin(), chunk.bytes.end());
    EXPECT_EQ(stored.size(), 3u * 8000 * bits / 8);
    EXPECT_EQ(player.capture.SamplesPerSecond(), 8000u);
    EXPECT_EQ(player.capture.BitsPerSample(), bits);
    EXPECT_TRUE(player.capture.Pcm() == stored) << int{bits} << "-bit";
    EXPECT_EQ(player.capture.HandOvers().size(), 3u);
    EXPECT_TRUE(player.host.Messages().empty());
  }
}

TEST_F(AudioPathTest, GsmSecondsAfterAPcmSecondMatchAnIndependentDecodeOfEachChunk) {
  samples::SoundBackupOptions options;
  options.seconds = 4;
  options.pcmSeconds = 1;
  const std::string path = WriteSound(options);
  SoundPlayer player;
  ASSERT_TRUE(player.Open(path));
  player.PlayToEnd();

  // The output stays open on the PCM format, whose compression byte is 0,
  // so every GSM chunk gets a fresh decoder.
  std::vector<uint8_t> expected = chunks_[0].bytes;
  for (size_t i = 1; i < chunks_.size(); ++i) {
    ASSERT_TRUE(chunks_[i].gsm);
    const std::vector<uint8_t> decoded = test::SoxDecodeGsm(chunks_[i].bytes);
    ASSERT_EQ(decoded.size(), 16000u) << "sox could not decode chunk " << i;
    expected.insert(expected.end(), decoded.begin(), decoded.end());
  }
  EXPECT_EQ(player.capture.Pcm().size(), expected.size());
  EXPECT_TRUE(player.capture.Pcm() == expected);
}

TEST_F(AudioPathTest, GsmOnlySoundDecodesAsOneStream) {
  samples::SoundBackupOptions options;
  options.seconds = 3;
  options.pcmSeconds = 0;
  options.chunksPerSecond = 5;  // five blocks a chunk
  const std::string path = WriteSound(options);
  SoundPlayer player;
  ASSERT_TRUE(player.Open(path));
  player.PlayToEnd();

  // The output was opened for the GSM format, so its decoder carries on
  // from chunk to chunk.
  std::vector<uint8_t> all;
  for (const auto& chunk : chunks_) all.insert(all.end(), chunk.bytes.begin(), chunk.bytes.end());
  const std::vector<uint8_t> expected = test::SoxDecodeGsm(all);
  ASSERT_EQ(expected.size(), 3u * 16000);
  EXPECT_TRUE(player.capture.Pcm() == expected);
}

TEST_F(AudioPathTest, Version3BackupsNeverPlaySoundNorPaceByTimestamps) {
  samples::SoundBackupOptions options;
  options.seconds = 3;
  options.version = 3;
  const std::string path = WriteSound(options);
  SoundPlayer player;
  ASSERT_TRUE(player.Open(path));
  const uint32_t start = player.clock.TickCount();
  const int steps = player.PlayToEnd();
  EXPECT_GT(steps, 25);  // the video went through
  EXPECT_TRUE(player.capture.HandOvers().empty());
  EXPECT_TRUE(player.capture.Pcm().empty());
  EXPECT_EQ(player.engine().AudioState().soundOutput, nullptr);
  EXPECT_EQ(player.engine().AudioState().realTimeBase, 0u);
  // Only the frame delays passed: no waiting for milliseconds.
  EXPECT_EQ(player.clock.TickCount() - start, (steps + 1) * player.engine().FrameDelay());
}

TEST_F(AudioPathTest, FramesAreShownNoEarlierThanTheirMillisecondAfterTheSecondsBase) {
  samples::SoundBackupOptions options;
  options.seconds = 4;
  const std::string path = WriteSound(options);
  SoundPlayer player;
  ASSERT_TRUE(player.Open(path));
  player.controller.BeginSteppedForwardPlay();
  EXPECT_EQ(player.engine().FrameDelay(), 1u);

  std::map<int, uint32_t> baseOfSecond;
  int checked500 = 0;
  while (player.controller.StepForwardPlay()) {
    const INDEX_RECORD& shown = player.controller.Index()[player.controller.CurrentIndex()];
    if (shown.IsAudio()) continue;
    const uint32_t base = player.engine().AudioState().realTimeBase;
    ASSERT_NE(base, 0u);
    const uint32_t elapsed = player.clock.TickCount() - base;
    EXPECT_GE(elapsed, shown.millisecond) << "second " << shown.second;
    EXPECT_LE(elapsed, shown.millisecond + 1u) << "held longer than needed";
    if (shown.millisecond == 500) ++checked500;
    baseOfSecond[shown.SecondOfDay()] = base;
  }
  EXPECT_EQ(checked500, 4);
  ASSERT_EQ(baseOfSecond.size(), 4u);
  // Seconds on time start a full second after the previous one.
  for (auto it = std::next(baseOfSecond.begin()); it != baseOfSecond.end(); ++it) {
    EXPECT_EQ(it->second - std::prev(it)->second, 1000u);
  }
  // Each second's sound was handed over at its base (its first chunk is at 0 ms).
  for (const samples::HandOver& h : player.capture.HandOvers()) EXPECT_EQ(h.tick, baseOfSecond[h.secondOfDay]);
  EXPECT_EQ(player.capture.Drift().maxAbsMs, 0);
}

TEST_F(AudioPathTest, ALateSecondStartsNineHundredNinetyNineMsAfterThePreviousWithoutWaiting) {
  samples::SoundBackupOptions options;
  options.seconds = 4;
  const std::string path = WriteSound(options);
  SoundPlayer player;
  ASSERT_TRUE(player.Open(path));
  player.controller.BeginSteppedForwardPlay();
  uint32_t previousBase = 0;
  bool stalled = false;
  while (player.controller.StepForwardPlay()) {
    const INDEX_RECORD& shown = player.controller.Index()[player.controller.CurrentIndex()];
    const uint32_t base = player.engine().AudioState().realTimeBase;
    if (!stalled && shown.millisecond == 900 && shown.second == 1) {
      previousBase = base;
      player.clock.Advance(1500);  // the display of this frame took far too long
      stalled = true;
      continue;
    }
    if (stalled && shown.second == 2 && shown.millisecond == 0) {
      EXPECT_EQ(base, previousBase + 999);
      EXPECT_EQ(player.clock.TickCount() - base, 1500u + 900 + 2 - 999);  // not held back
    }
  }
  EXPECT_TRUE(stalled);
  EXPECT_EQ(player.capture.HandOvers().size(), 4u);
}

TEST_F(AudioPathTest, PacingCarriesOnAcrossTheTickWrapping) {
  samples::SoundBackupOptions options;
  options.seconds = 5;
  const std::string path = WriteSound(options);
  // The first second starts 2,000 ms before the tick wraps, so the third
  // would start on tick 0, the value that means that pacing is off.
  SoundPlayer player(0xFFFFF830u - 1);
  ASSERT_TRUE(player.Open(path));
  player.controller.BeginSteppedForwardPlay();
  while (player.controller.StepForwardPlay()) {
    const INDEX_RECORD& shown = player.controller.Index()[player.controller.CurrentIndex()];
    if (shown.IsAudio()) continue;
    const uint32_t base = player.engine().AudioState().realTimeBase;
    ASSERT_NE(base, 0u);
    EXPECT_GE(player.clock.TickCount() - base, shown.millisecond);
    EXPECT_LE(player.clock.TickCount() - base, shown.millisecond + 1u);
  }
  // Every second's sound once, in order, and all of it.
  const auto& handOvers = player.capture.HandOvers();
  ASSERT_EQ(handOvers.size(), 5u);
  for (size_t i = 1; i < handOvers.size(); ++i) EXPECT_EQ(handOvers[i].secondOfDay, handOvers[0].secondOfDay + int(i));
  EXPECT_LE(player.capture.Drift().maxAbsMs, 1);
  EXPECT_EQ(player.capture.Pcm().size(), 5u * 16000);
}

TEST_F(AudioPathTest, PlainFramesRestoreTheSpeedSlidersPace) {
  AudioBackup backup;
  backup.Frames(0);
  backup.Audio(0, 0, Header(8000, 8, 1), Filled(8000, 0x90));
  backup.Frames(1);
  backup.Frames(2, 10, 0);  // without bit 0x80
  const std::string path = backup.Write(dir_);
  SoundPlayer player;
  ASSERT_TRUE(player.Open(path));
  player.controller.BeginSteppedForwardPlay();
  EXPECT_EQ(player.engine().FrameDelay(), 1u);
  player.host.SetSpeedPosition(15);
  bool sawPlain = false;
  while (player.controller.StepForwardPlay()) {
    const INDEX_RECORD& shown = player.controller.Index()[player.controller.CurrentIndex()];
    if (shown.IsAudioPaced()) {
      EXPECT_EQ(player.engine().FrameDelay(), 1u) << "the slider has no say while paced";
    } else {
      sawPlain = true;
      EXPECT_EQ(player.engine().FrameDelay(), CPlaybackEngine::DelayForStep(20 - 15));
      EXPECT_EQ(player.engine().AudioState().realTimeBase, 0u);
    }
  }
  EXPECT_TRUE(sawPlain);
  EXPECT_EQ(player.capture.Pcm(), Filled(8000, 0x90));
}

TEST_F(AudioPathTest, AtMostSixteenChunksOfASecondAreGathered) {
  AudioBackup backup;
  backup.Frames(0);
  std::vector<uint8_t> expected;
  for (int i = 0; i < 20; ++i) {
    const std::vector<uint8_t> samples = Filled(100 + i, static_cast<uint8_t>(i + 1));
    backup.Audio(0, i * 50, Header(8000, 8, 2), samples);
    if (i < 16) expected.insert(expected.end(), samples.begin(), samples.end());
  }
  backup.Frames(1);
  const std::string path = backup.Write(dir_);
  SoundPlayer player;
  ASSERT_TRUE(player.Open(path));
  player.PlayToEnd();
  // 8000 Hz, 8 bits, mono, two chunks a second: 4,000 bytes of samples.
  EXPECT_EQ(player.engine().AudioState().chunkCapacity, 4016u);
  EXPECT_TRUE(player.capture.Pcm() == expected);
}

TEST_F(AudioPathTest, AnAudioRecordLargerThanItsChunkBufferIsSkipped) {
  AudioBackup backup;
  backup.Frames(0);
  backup.Audio(0, 0, Header(8000, 8, 2), Filled(4001, 1));  // one byte too many
  backup.Audio(0, 100, Header(8000, 8, 2), Filled(4000, 2));
  backup.RawAudio(0, 200, HeaderBytes(Header(8000, 8, 2)), 0xFFFFFFFF);
  backup.Audio(0, 300, Header(8000, 8, 2), Filled(50, 3));
  backup.Frames(1);
  const std::string path = backup.Write(dir_);
  SoundPlayer player;
  ASSERT_TRUE(player.Open(path));
  player.PlayToEnd();
  std::vector<uint8_t> expected = Filled(4000, 2);
  expected.insert(expected.end(), 50, 3);
  EXPECT_TRUE(player.capture.Pcm() == expected);
  ASSERT_EQ(player.capture.HandOvers().size(), 1u);
  EXPECT_EQ(player.capture.HandOvers()[0].firstMillisecond, 100);
}

TEST_F(AudioPathTest, HeadersThatCannotSizeOrPlayAChunkAreRefused) {
  AudioBackup backup;
  backup.Frames(0);
  const AUDIO_HEADER refused[] = {
      Header(8000, 8, 0),         // no chunks a second
      Header(8000, 8, 2, 0),      // no channels
      Header(8000, 8, 2, 3),      // more channels than the output takes
      Header(0, 8, 2),            // no rate
      Header(10, 8, 2),           // a 40 ms block without a sample
      Header(8000, 12, 2),        // neither 8 nor 16 bits
      Header(8000, 0, 2),         //
      Header(300000, 16, 1),      // blocks of over 16,000 bytes
      Header(0xFFFFFFFF, 16, 1),  //
  };
  for (const AUDIO_HEADER& header : refused) backup.Audio(0, 0, header, Filled(40, 0x11));
  backup.Audio(0, 600, Header(8000, 8, 2), Filled(40, 0x22));
  backup.Frames(1);
  const std::string path = backup.Write(dir_);
  SoundPlayer player;
  ASSERT_TRUE(player.Open(path));
  player.PlayToEnd();
  EXPECT_EQ(player.capture.Pcm(), Filled(40, 0x22));
  EXPECT_EQ(player.engine().AudioState().chunkCapacity, 4016u);
  EXPECT_TRUE(player.host.Messages().empty());
}

TEST_F(AudioPathTest, AShortReadEndsTheGatherButTheChunksBeforeItPlay) {
  AudioBackup backup;
  backup.Frames(0);
  backup.Frames(1);
  backup.Audio(0, 0, Header(8000, 16, 1), Filled(100, 0x31));
  backup.Audio(0, 0, Header(8000, 16, 1), Filled(100, 0x32));
  // Says 16,000 bytes; the file ends long before.
  std::vector<uint8_t> cut(16 + 10, 0x33);
  Header(8000, 16, 1).ToBytes(cut.data());
  backup.RawAudio(1, 0, cut, 16000);
  backup.Audio(1, 500, Header(8000, 16, 1), Filled(100, 0x34));
  const std::string path = backup.Write(dir_);
  SoundPlayer player;
  ASSERT_TRUE(player.Open(path));
  player.PlayToEnd();
  std::vector<uint8_t> expected = Filled(100, 0x31);
  expected.insert(expected.end(), 100, 0x32);
  EXPECT_TRUE(player.capture.Pcm() == expected);
}

TEST_F(AudioPathTest, GarbageAudioRecordsNeitherCrashNorHoldPlayBack) {
  std::mt19937 random(11);
  AudioBackup backup;
  for (int second = 0; second < 6; ++second) {
    backup.Frames(second);
    for (int i = 0; i < 5; ++i) {
      std::vector<uint8_t> bytes(16 + random() % 300);
      for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
      // Sensible-looking headers now and then, so some chunks get through.
      if (i % 2 == 0) {
        const uint32_t rate = 8000 + 25 * (random() % 3);
        const uint16_t chunks = static_cast<uint16_t>(1 + random() % 4);
        const uint8_t compression = static_cast<uint8_t>(random() % 2);
        Header(rate, (i % 4) ? 8 : 16, chunks, 1, compression).ToBytes(bytes.data());
      }
      const uint32_t size = (i == 4) ? static_cast<uint32_t>(random()) : static_cast<uint32_t>(bytes.size() - 16);
      backup.RawAudio(second, static_cast<int>(random() % 70000), bytes, size);
    }
  }
  const std::string path = backup.Write(dir_);
  SoundPlayer player;
  ASSERT_TRUE(player.Open(path));
  const uint32_t start = player.clock.TickCount();
  const int steps = player.PlayToEnd(10000);
  EXPECT_LT(steps, 10000);
  EXPECT_EQ(player.controller.GetPlayState(), kStoppedOrPaused);
  // Six seconds of frames take about six seconds, whatever the milliseconds say.
  EXPECT_LT(player.clock.TickCount() - start, 8000u);
  EXPECT_LE(player.engine().AudioState().chunkCapacity, 2u * 400000 + 16);
}

TEST_F(AudioPathTest, TheEndOfForwardPlayAndAViewerResetCloseTheSoundOutput) {
  samples::SoundBackupOptions options;
  options.seconds = 3;
  const std::string path = WriteSound(options);
  SoundPlayer player;
  ASSERT_TRUE(player.Open(path));
  player.controller.BeginSteppedForwardPlay();
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(player.controller.StepForwardPlay());
  const CSoundOutput* output = player.engine().AudioState().soundOutput.get();
  ASSERT_NE(output, nullptr);
  EXPECT_TRUE(output->IsOpen());
  while (player.controller.StepForwardPlay()) {
  }
  EXPECT_FALSE(output->IsOpen());
  EXPECT_EQ(player.controller.CurrentIndex(), 0u);

  // Play again: the output reopens at the first hand-off; a reset closes it.
  player.controller.BeginSteppedForwardPlay();
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(player.controller.StepForwardPlay());
  EXPECT_TRUE(output->IsOpen());
  player.controller.ResetViewer();
  EXPECT_FALSE(output->IsOpen());
}

}  // namespace
}  // namespace bv
