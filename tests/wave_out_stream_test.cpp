// The wave-out stream and the sound output on SDL's disk driver, which writes
// what would be heard into a file.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/host/control_ids.h"
#include "base/platform/data_file.h"
#include "playback/sound/sound_output.h"
#include "playback/sound/wave_out_stream.h"
#include "tests/support/recording_host.h"
#include "tests/support/sound_test_support.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using test::TempDir;

// Waits (with a generous bound, as a guard against a hang) until the device
// has written at least bytes into file.
bool WaitForDeviceOutput(const std::string& file, int64_t bytes) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (FileLength(file) < bytes) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class WaveOutStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { test::UseDiskAudio(dir_.File("device.raw"), 1); }
  std::string DeviceFile() const { return dir_.File("device.raw"); }

  TempDir dir_;
  std::unique_ptr<CWaveOutStream> stream_ = std::make_unique<CWaveOutStream>();
};

TEST_F(WaveOutStreamTest, BlocksAreFortyMillisecondsRoundedDownToWholeSamples) {
  ASSERT_TRUE(stream_->Open(8000, 16));
  EXPECT_EQ(stream_->BlockLength(), 640u);
  EXPECT_EQ(stream_->RingCapacity(), 48000u);
  EXPECT_EQ(stream_->LowWaterMark(), 640u);
  EXPECT_EQ(stream_->HighWaterMark(), 640u);
  const CWaveOutStream::WaveFormat& format = stream_->Format();
  EXPECT_EQ(format.formatTag, 1);
  EXPECT_EQ(format.channels, 1);
  EXPECT_EQ(format.blockAlign, 2);
  EXPECT_EQ(format.averageBytesPerSecond, 16000u);
  EXPECT_EQ(stream_->GetState(), CWaveOutStream::kStopped);
  stream_->Close();

  ASSERT_TRUE(stream_->Open(8000, 8));
  EXPECT_EQ(stream_->BlockLength(), 320u);
  EXPECT_EQ(stream_->RingCapacity(), 24000u);
  stream_->Close();

  // 16,040 bytes a second: a 25th is 641.6 bytes, rounded down to 640.
  ASSERT_TRUE(stream_->Open(8020, 16));
  EXPECT_EQ(stream_->BlockLength(), 640u);
  stream_->Close();

  // The fastest the blocks can take: 400,000 bytes a second.
  ASSERT_TRUE(stream_->Open(200000, 16));
  EXPECT_EQ(stream_->BlockLength(), 16000u);
  stream_->Close();
}

TEST_F(WaveOutStreamTest, RefusesFormatsItCannotPlayAndASecondOpen) {
  EXPECT_FALSE(stream_->Open(0, 16));
  EXPECT_FALSE(stream_->Open(8000, 12));
  EXPECT_FALSE(stream_->Open(8000, 0));
  EXPECT_FALSE(stream_->Open(200001, 16));  // blocks over 16,000 bytes
  EXPECT_FALSE(stream_->Open(24, 8));       // an empty block
  EXPECT_FALSE(stream_->IsOpen());
  EXPECT_FALSE(stream_->Write(reinterpret_cast<const uint8_t*>("x"), 1));

  ASSERT_TRUE(stream_->Open(8000, 16));
  EXPECT_FALSE(stream_->Open(8000, 16));
  EXPECT_TRUE(stream_->IsOpen());
}

TEST_F(WaveOutStreamTest, AWriteThatDoesNotFitIsRefusedWhole) {
  ASSERT_TRUE(stream_->Open(8000, 16));
  const std::vector<uint8_t> bytes(48000, 7);
  ASSERT_TRUE(stream_->Write(bytes.data(), 44001));
  EXPECT_FALSE(stream_->Write(bytes.data(), 4000));  // 3,999 bytes free
  EXPECT_EQ(stream_->QueuedBytes(), 44001u);
  EXPECT_TRUE(stream_->Write(bytes.data(), 3999));
  EXPECT_EQ(stream_->QueuedBytes(), 48000u);
  EXPECT_FALSE(stream_->Write(bytes.data(), 1));

  std::vector<uint8_t> out(48001);
  EXPECT_FALSE(stream_->Read(out.data(), 48001));
  EXPECT_TRUE(stream_->Read(out.data(), 48000));
  EXPECT_FALSE(stream_->Read(out.data(), 1));
}

TEST_F(WaveOutStreamTest, BufferingPlaysAboveTheHighWaterMarkAndBuffersBelowTheLow) {
  ASSERT_TRUE(stream_->Open(8000, 16));
  const std::vector<uint8_t> bytes(2000, 1);
  std::vector<uint8_t> out(2000);

  // Stopped: the marks do not move the state.
  ASSERT_TRUE(stream_->Write(bytes.data(), 1000));
  EXPECT_EQ(stream_->GetState(), CWaveOutStream::kStopped);
  stream_->ResetRing();
  EXPECT_EQ(stream_->QueuedBytes(), 0u);

  stream_->Start();
  ASSERT_TRUE(stream_->Write(bytes.data(), 640));
  EXPECT_EQ(stream_->GetState(), CWaveOutStream::kBuffering);  // not more than a block yet
  ASSERT_TRUE(stream_->Write(bytes.data(), 1));
  EXPECT_EQ(stream_->GetState(), CWaveOutStream::kPlaying);
  ASSERT_TRUE(stream_->Read(out.data(), 1));
  EXPECT_EQ(stream_->GetState(), CWaveOutStream::kPlaying);  // 640 left: not below
  ASSERT_TRUE(stream_->Read(out.data(), 1));
  EXPECT_EQ(stream_->GetState(), CWaveOutStream::kBuffering);
  ASSERT_TRUE(stream_->Write(bytes.data(), 2));
  EXPECT_EQ(stream_->GetState(), CWaveOutStream::kPlaying);

  stream_->Stop();
  ASSERT_TRUE(stream_->Read(out.data(), 641));
  EXPECT_EQ(stream_->GetState(), CWaveOutStream::kStopped);
}

TEST_F(WaveOutStreamTest, TheRingWrapsAroundWithoutLosingOrReorderingBytes) {
  ASSERT_TRUE(stream_->Open(8000, 8));  // a 24,000-byte ring
  uint8_t next = 0;
  uint8_t expected = 0;
  std::vector<uint8_t> chunk(7001);
  std::vector<uint8_t> out(7001);
  for (int round = 0; round < 20; ++round) {
    for (uint8_t& b : chunk) b = next++;
    ASSERT_TRUE(stream_->Write(chunk.data(), static_cast<uint32_t>(chunk.size())));
    ASSERT_TRUE(stream_->Read(out.data(), static_cast<uint32_t>(out.size())));
    for (uint8_t b : out) ASSERT_EQ(b, expected++) << "round " << round;
  }
}

TEST_F(WaveOutStreamTest, SilenceIsMidScaleForEightBitAndZeroForSixteenBit) {
  for (const uint16_t bits : {8, 16}) {
    ASSERT_TRUE(stream_->Open(8000, bits));
    EXPECT_EQ(stream_->SilenceByte(), bits == 8 ? 0x80 : 0x00);
    stream_->Prime();
    const int64_t primed = 8 * stream_->BlockLength();
    ASSERT_TRUE(WaitForDeviceOutput(DeviceFile(), primed));
    stream_->Close();
    const std::vector<uint8_t> heard = test::ReadFileBytes(DeviceFile());
    ASSERT_GE(static_cast<int64_t>(heard.size()), primed);
    for (size_t i = 0; i < heard.size(); ++i) {
      ASSERT_EQ(heard[i], bits == 8 ? 0x80 : 0x00) << bits << "-bit, byte " << i;
    }
  }
}

TEST_F(WaveOutStreamTest, SamplesFollowThePrimedSilenceInWholeBlocksOnly) {
  ASSERT_TRUE(stream_->Open(8000, 8));
  stream_->Prime();
  stream_->Start();
  // Three whole blocks, then 100 bytes that never make a block.
  std::vector<uint8_t> samples(3 * 320 + 100);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(1 + i % 100);
  ASSERT_TRUE(stream_->Write(samples.data(), static_cast<uint32_t>(samples.size())));
  ASSERT_TRUE(WaitForDeviceOutput(DeviceFile(), 20 * 320));
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (stream_->GetState() == CWaveOutStream::kPlaying) {
    ASSERT_LT(std::chrono::steady_clock::now(), give_up);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  // The blocks read last sit behind up to eight queued ones.
  ASSERT_TRUE(WaitForDeviceOutput(DeviceFile(), FileLength(DeviceFile()) + 12 * 320));
  stream_->Close();
  EXPECT_EQ(stream_->QueuedBytes(), 0u);

  const std::vector<uint8_t> heard = test::ReadFileBytes(DeviceFile());
  size_t first = 0;
  while (first < heard.size() && heard[first] == 0x80) ++first;
  ASSERT_LT(first, heard.size());
  EXPECT_GE(first, 8u * 320);      // after the eight primed blocks
  EXPECT_EQ(first % 320, 0u);      // at a block boundary
  ASSERT_GE(heard.size(), first + 960);
  EXPECT_TRUE(std::equal(samples.begin(), samples.begin() + 960, heard.begin() + first));
  for (size_t i = first + 960; i < heard.size(); ++i) ASSERT_EQ(heard[i], 0x80) << "byte " << i;
}

TEST_F(WaveOutStreamTest, AProducerAndThePlayingDeviceKeepEveryBlockIntact) {
  ASSERT_TRUE(stream_->Open(8000, 16));
  stream_->Prime();
  stream_->Start();
  // 150 blocks of a count that is never zero, written in uneven pieces while
  // the device plays; a refused piece is written again.
  std::vector<uint8_t> samples(150 * 640);
  for (size_t i = 0; i < samples.size(); i += 2) {
    const uint16_t value = static_cast<uint16_t>(1 + (i / 2) % 30000);
    samples[i] = static_cast<uint8_t>(value & 0xFF);
    samples[i + 1] = static_cast<uint8_t>(value >> 8);
  }
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (size_t at = 0; at < samples.size();) {
    const uint32_t piece = static_cast<uint32_t>(std::min<size_t>(1234, samples.size() - at));
    if (stream_->Write(samples.data() + at, piece)) {
      at += piece;
    } else {
      ASSERT_LT(std::chrono::steady_clock::now(), give_up);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  while (stream_->QueuedBytes() >= 640) {
    ASSERT_LT(std::chrono::steady_clock::now(), give_up);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(WaitForDeviceOutput(DeviceFile(), FileLength(DeviceFile()) + 10 * 640));
  stream_->Close();

  // Whatever silence came between, the blocks of samples are the samples in
  // order, each whole.
  const std::vector<uint8_t> heard = test::ReadFileBytes(DeviceFile());
  ASSERT_EQ(heard.size() % 2, 0u);
  std::vector<uint8_t> played;
  for (size_t at = 0; at + 640 <= heard.size(); at += 640) {
    const bool silent = std::all_of(heard.begin() + at, heard.begin() + at + 640, [](uint8_t b) { return b == 0; });
    if (!silent) played.insert(played.end(), heard.begin() + at, heard.begin() + at + 640);
  }
  EXPECT_EQ(played.size(), samples.size());
  EXPECT_TRUE(played == samples);
}

TEST_F(WaveOutStreamTest, NothingIsQueuedAfterClose) {
  ASSERT_TRUE(stream_->Open(8000, 16));
  stream_->Prime();
  EXPECT_GT(stream_->QueuedBlocks(), 0);
  stream_->Close();
  EXPECT_FALSE(stream_->IsOpen());
  EXPECT_EQ(stream_->GetState(), CWaveOutStream::kStopped);
  EXPECT_EQ(stream_->QueuedBlocks(), 0);
  // A block-done notice arriving late, or a stray prime, queues nothing.
  stream_->FillNextBlock();
  stream_->Prime();
  EXPECT_EQ(stream_->QueuedBlocks(), 0);
  const uint8_t byte = 1;
  EXPECT_FALSE(stream_->Write(&byte, 1));
  // Opening again starts from an empty queue and an empty ring.
  ASSERT_TRUE(stream_->Open(8000, 16));
  EXPECT_EQ(stream_->QueuedBlocks(), 0);
  EXPECT_EQ(stream_->QueuedBytes(), 0u);
}

TEST_F(WaveOutStreamTest, NoBlockIsQueuedOverOneStillQueued) {
  ASSERT_TRUE(stream_->Open(8000, 16));
  // Before the device starts, queued blocks only pile up: all 25 can be
  // queued, and a 26th would overwrite the one the device plays first.
  stream_->FillNextBlock();
  EXPECT_EQ(stream_->QueuedBlocks(), 1);
  for (int i = 0; i < 30; ++i) stream_->FillNextBlock();
  EXPECT_EQ(stream_->QueuedBlocks(), CWaveOutStream::kBlockCount);
}

class SoundOutputTest : public WaveOutStreamTest {
 protected:
  test::RecordingHost host_;
  CManualTickClock clock_;
};

TEST_F(SoundOutputTest, OpensPrimedAndBufferingAndPushesIntoTheRing) {
  CSoundOutput output(host_, clock_);
  const std::vector<uint8_t> bytes(48001, 3);
  EXPECT_TRUE(output.Push(bytes.data(), 100));  // closed: nothing happens
  output.Open(8000, 16);
  ASSERT_TRUE(output.IsOpen());
  EXPECT_TRUE(host_.Messages().empty());
  EXPECT_EQ(output.Stream().GetState(), CWaveOutStream::kBuffering);
  EXPECT_GT(output.Stream().QueuedBlocks(), 0);

  const uint32_t before = clock_.TickCount();
  EXPECT_TRUE(output.Push(bytes.data(), 100));
  EXPECT_EQ(clock_.TickCount(), before + 1);  // a 1 ms pause after a push
  EXPECT_FALSE(output.Push(bytes.data(), 48001));

  // Opening an open output only empties its ring.
  output.Open(8000, 16);
  EXPECT_EQ(output.Stream().QueuedBytes(), 0u);
  output.Close();
  EXPECT_FALSE(output.IsOpen());
  EXPECT_FALSE(output.Stream().IsOpen());
  EXPECT_EQ(output.Stream().GetState(), CWaveOutStream::kStopped);
}

TEST_F(SoundOutputTest, OpeningInTheSameFormatKeepsTheDeviceAnotherFormatReopensIt) {
  CSoundOutput output(host_, clock_);
  output.Open(8000, 16);
  ASSERT_TRUE(output.IsOpen());
  const CWaveOutStream* device = &output.Stream();
  const std::vector<uint8_t> bytes(640, 3);
  ASSERT_TRUE(output.Push(bytes.data(), bytes.size()));
  // The same format: the device stays, only the ring is emptied.
  output.Open(8000, 16);
  EXPECT_EQ(&output.Stream(), device);
  EXPECT_TRUE(output.Stream().IsOpen());
  EXPECT_EQ(output.Stream().QueuedBytes(), 0u);
  // Another format: a device of that format.
  output.Open(11025, 8);
  ASSERT_TRUE(output.IsOpen());
  EXPECT_TRUE(output.Stream().IsOpen());
  EXPECT_EQ(output.Stream().Format().samplesPerSecond, 11025u);
  EXPECT_EQ(output.Stream().Format().bitsPerSample, 8);
  EXPECT_TRUE(host_.Messages().empty());
}

TEST_F(SoundOutputTest, CloseSilencesAtOnceAndTheNextOpenFollowsTheDevicesClose) {
  CSoundOutput output(host_, clock_);
  output.Open(8000, 16);
  CWaveOutStream* first = &output.Stream();
  // The device drains on a thread of its own; the output is closed now.
  output.Close();
  EXPECT_FALSE(output.IsOpen());
  EXPECT_NE(&output.Stream(), first);
  EXPECT_FALSE(output.Stream().IsOpen());
  const std::vector<uint8_t> bytes(640, 3);
  EXPECT_TRUE(output.Push(bytes.data(), bytes.size()));  // closed: nothing happens
  EXPECT_TRUE(output.WaitForClosing([] { return false; }));
  // Open again at once: a working device, and sound reaches it.
  output.Close();
  output.Open(8000, 16);
  ASSERT_TRUE(output.IsOpen());
  EXPECT_TRUE(output.Stream().IsOpen());
  EXPECT_EQ(output.Stream().GetState(), CWaveOutStream::kBuffering);
  EXPECT_TRUE(output.Push(bytes.data(), bytes.size()));
  EXPECT_EQ(output.Stream().QueuedBytes(), bytes.size());
  EXPECT_TRUE(host_.Messages().empty());
  output.Close();
  EXPECT_TRUE(output.WaitForClosing([] { return false; }));
}

TEST_F(SoundOutputTest, AStreamThatCannotOpenShowsTheSoundDeviceMessage) {
  CSoundOutput output(host_, clock_);
  output.Open(0, 16);
  EXPECT_FALSE(output.IsOpen());
  EXPECT_EQ(host_.Messages(), std::vector<std::string>{kSoundDeviceError});
  const uint8_t byte = 0;
  EXPECT_TRUE(output.Push(&byte, 1));
  output.Open(8000, 16);
  EXPECT_TRUE(output.IsOpen());
  EXPECT_EQ(host_.Messages().size(), 1u);
}

}  // namespace
}  // namespace bv
