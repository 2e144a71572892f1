#pragma once
// CWaveOutStream: plays mono PCM on the sound device. The producer writes
// sample bytes into a three-second ring; the device takes fixed blocks of
// 40 ms out of it as it finishes the ones queued, playing silence whenever
// the ring cannot fill a whole block. A buffering state keeps the device on
// silence until the ring holds more than a block again.
//
// The device is an SDL audio device. Its callback stands in for the
// block-done notification: it hands the device the queued blocks and, each
// time one is used up, refills it (FillNextBlock). The callback never
// allocates; the only lock it takes is the ring lock (and, inside it, the
// state lock for a state change).
//
// Threads: Open, Close, SetState, ResetRing, Write and Prime run on the
// producer's thread; Read and FillNextBlock on the device's thread. Locks are
// always taken ring lock first, then state lock.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace bv {

// Initialises the SDL audio subsystem once per process. A failure is not
// remembered: the next call tries again.
bool InitSoundDevices();

class CWaveOutStream {
 public:
  enum State : int { kStopped = 0, kBuffering = 1, kPlaying = 2 };
  static constexpr int kBlockCount = 25;
  static constexpr uint32_t kMaxBlockBytes = 16000;
  static constexpr int kPrimeBlocks = 8;
  static constexpr int kBlocksPerSecond = 25;  // 40 ms blocks
  static constexpr int kRingSeconds = 3;

  // PCM format of the open stream: one channel.
  struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t averageBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
  };

  CWaveOutStream();
  ~CWaveOutStream();
  CWaveOutStream(const CWaveOutStream&) = delete;
  CWaveOutStream& operator=(const CWaveOutStream&) = delete;

  // Opens the device for mono PCM of 8 or 16 bits. Refused when already
  // open, for formats whose 40 ms block would be empty or larger than
  // 16,000 bytes, and when the device or the ring cannot be had. The device
  // stays silent until Prime queues the first blocks.
  bool Open(uint32_t samplesPerSecond, uint16_t bitsPerSample);
  // Stops the device and frees the ring; nothing is queued afterwards.
  void Close();
  void SetState(int state);
  void Start() { SetState(kBuffering); }
  void Stop() { SetState(kStopped); }
  // Empties the ring.
  void ResetRing();
  // Appends length bytes to the ring, or refuses (nothing written) when the
  // ring is not ready or has less room than that.
  bool Write(const uint8_t* data, uint32_t length);
  // Takes length bytes from the ring, or refuses when fewer are queued.
  bool Read(uint8_t* destination, uint32_t length);
  // Fills the next block with a block of samples (when playing and the ring
  // holds a whole block) or with silence, and queues it to the device.
  void FillNextBlock();
  // Queues eight blocks and starts the device.
  void Prime();

  bool IsOpen() const { return opened_.load(); }
  int GetState() const { return state_.load(); }
  const WaveFormat& Format() const { return format_; }
  uint32_t BlockLength() const { return blockLength_; }
  uint32_t RingCapacity() const { return ringCapacity_; }
  uint32_t LowWaterMark() const { return lowWaterMark_; }
  uint32_t HighWaterMark() const { return highWaterMark_; }
  uint32_t QueuedBytes() const;
  // Blocks handed to the device and not yet played.
  int QueuedBlocks() const { return queuedBlocks_.load(); }
  // The byte a block of silence is made of.
  uint8_t SilenceByte() const { return format_.bitsPerSample == 8 ? 0x80 : 0x00; }

 private:
  static void DeviceCallback(void* stream, uint8_t* output, int length);
  void PlayQueuedBlocks(uint8_t* output, uint32_t length);
  void FillNextBlockOnDevice();
  void CloseDevice();

  WaveFormat format_;
  std::atomic<uint32_t> device_{0};
  std::atomic<bool> opened_{false};
  std::atomic<bool> started_{false};

  // The 25 blocks live inside the stream and are reused for its whole life
  // (400,000 bytes: create the stream on the heap).
  uint8_t blocks_[kBlockCount][kMaxBlockBytes];
  uint32_t blockLength_ = 0;
  int nextBlock_ = 0;
  // The device's queue: blocks in the order queued, from the one playing.
  // Written by the device thread, and otherwise only while it cannot be in
  // the callback: before the device starts, after it is closed, or under
  // SDL's device lock (FillNextBlock and Prime from the producer).
  int playingBlock_ = 0;
  uint32_t playingOffset_ = 0;
  std::atomic<int> queuedBlocks_{0};

  mutable std::mutex ringLock_;
  std::unique_ptr<uint8_t[]> ring_;
  uint32_t ringCapacity_ = 0;
  uint32_t writePosition_ = 0;
  uint32_t readPosition_ = 0;
  uint32_t queued_ = 0;
  bool ringReady_ = false;
  uint32_t lowWaterMark_ = 0;
  uint32_t highWaterMark_ = 0;

  std::mutex stateLock_;
  std::atomic<int> state_{kStopped};
};

}  // namespace bv
