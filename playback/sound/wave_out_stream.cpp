#include "playback/sound/wave_out_stream.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "base/platform/mcl_auto_lock.h"

namespace bv {

namespace {

// The viewer keeps no log; SDL's notices (such as the disk driver's) are
// dropped.
void DiscardSdlLog(void*, int, SDL_LogPriority, const char*) {}

}  // namespace

bool InitSoundDevices() {
  static std::mutex mutex;
  static bool initialised = false;
  std::lock_guard lock(mutex);
  if (initialised) return true;
  SDL_LogSetOutputFunction(&DiscardSdlLog, nullptr);
  initialised = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  return initialised;
}

CWaveOutStream::CWaveOutStream() { std::memset(blocks_, 0, sizeof blocks_); }

CWaveOutStream::~CWaveOutStream() { Close(); }

bool CWaveOutStream::Open(uint32_t samplesPerSecond, uint16_t bitsPerSample) {
  if (opened_ || device_ != 0) return false;
  SetState(kStopped);
  if (bitsPerSample != 8 && bitsPerSample != 16) return false;
  const uint32_t blockAlign = bitsPerSample / 8;
  // A block is a 25th of a second; it must hold a sample and fit its buffer.
  if (samplesPerSecond == 0 || samplesPerSecond > kMaxBlockBytes * kBlocksPerSecond / blockAlign) return false;
  const uint32_t averageBytes = samplesPerSecond * blockAlign;
  const uint32_t blockLength = averageBytes / kBlocksPerSecond / blockAlign * blockAlign;
  if (blockLength == 0) return false;

  std::memset(blocks_, 0, sizeof blocks_);
  format_ = WaveFormat{1, 1, samplesPerSecond, averageBytes, static_cast<uint16_t>(blockAlign), bitsPerSample};

  if (!InitSoundDevices()) return false;
  SDL_AudioSpec wanted{};
  wanted.freq = static_cast<int>(samplesPerSecond);
  wanted.format = bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
  wanted.channels = 1;
  wanted.samples = static_cast<Uint16>(blockLength / blockAlign);
  wanted.callback = &CWaveOutStream::DeviceCallback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  // No changes allowed: SDL converts to the device's format itself, so the
  // callback always sees this format. The device starts paused.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (device == 0) return false;
  device_ = device;

  blockLength_ = blockLength;
  lowWaterMark_ = blockLength;
  highWaterMark_ = blockLength;
  nextBlock_ = 0;
  playingBlock_ = 0;
  playingOffset_ = 0;
  queuedBlocks_ = 0;
  started_ = false;

  const uint32_t capacity = samplesPerSecond * blockAlign * kRingSeconds;
  std::unique_ptr<uint8_t[]> ring(new (std::nothrow) uint8_t[capacity]);
  if (!ring) {
    CloseDevice();
    return false;
  }
  CMclAutoLock lock(ringLock_);
  ring_ = std::move(ring);
  ringCapacity_ = capacity;
  writePosition_ = 0;
  readPosition_ = 0;
  queued_ = 0;
  opened_ = true;
  ringReady_ = true;
  return true;
}

void CWaveOutStream::Close() {
  // Cleared first, so that blocks finishing while the device stops queue
  // nothing new.
  opened_ = false;
  SetState(kStopped);
  {
    CMclAutoLock lock(ringLock_);
    ringReady_ = false;
    ring_.reset();
    writePosition_ = 0;
    readPosition_ = 0;
    queued_ = 0;
  }
  CloseDevice();
}

void CWaveOutStream::CloseDevice() {
  const uint32_t device = device_.exchange(0);
  if (device == 0) return;
  // Returns once the device thread has left the callback for good.
  SDL_CloseAudioDevice(device);
  nextBlock_ = 0;
  playingBlock_ = 0;
  playingOffset_ = 0;
  queuedBlocks_ = 0;
  started_ = false;
}

void CWaveOutStream::SetState(int state) {
  if (state < kStopped || state > kPlaying) return;
  CMclAutoLock lock(stateLock_);
  state_ = state;
}

void CWaveOutStream::ResetRing() {
  CMclAutoLock lock(ringLock_);
  writePosition_ = 0;
  readPosition_ = 0;
  queued_ = 0;
}

uint32_t CWaveOutStream::QueuedBytes() const {
  CMclAutoLock lock(ringLock_);
  return queued_;
}

bool CWaveOutStream::Write(const uint8_t* data, uint32_t length) {
  CMclAutoLock lock(ringLock_);
  if (!ringReady_ || ringCapacity_ - queued_ < length) return false;
  if (length == 0) return true;
  const uint32_t first = std::min(length, ringCapacity_ - writePosition_);
  std::memcpy(ring_.get() + writePosition_, data, first);
  std::memcpy(ring_.get(), data + first, length - first);
  writePosition_ = static_cast<uint32_t>((uint64_t{writePosition_} + length) % ringCapacity_);
  queued_ += length;
  if (queued_ > highWaterMark_) {
    CMclAutoLock stateLock(stateLock_);
    if (state_ == kBuffering) state_ = kPlaying;
  }
  return true;
}

bool CWaveOutStream::Read(uint8_t* destination, uint32_t length) {
  CMclAutoLock lock(ringLock_);
  if (!ringReady_ || queued_ < length) return false;
  if (length == 0) return true;
  const uint32_t first = std::min(length, ringCapacity_ - readPosition_);
  std::memcpy(destination, ring_.get() + readPosition_, first);
  std::memcpy(destination + first, ring_.get(), length - first);
  readPosition_ = static_cast<uint32_t>((uint64_t{readPosition_} + length) % ringCapacity_);
  queued_ -= length;
  if (queued_ < lowWaterMark_) {
    CMclAutoLock stateLock(stateLock_);
    if (state_ == kPlaying) state_ = kBuffering;
  }
  return true;
}

void CWaveOutStream::FillNextBlock() {
  const uint32_t device = device_;
  if (!opened_ || device == 0) return;
  SDL_LockAudioDevice(device);
  FillNextBlockOnDevice();
  SDL_UnlockAudioDevice(device);
}

void CWaveOutStream::FillNextBlockOnDevice() {
  if (!opened_ || device_ == 0) return;
  // All 25 blocks still queued: the next one is the block playing now.
  if (queuedBlocks_ >= kBlockCount) return;
  uint8_t* block = blocks_[nextBlock_];
  // A block carries samples only when the ring can fill it whole.
  const bool samples = state_ == kPlaying && Read(block, blockLength_);
  if (!samples) std::memset(block, SilenceByte(), blockLength_);
  queuedBlocks_.fetch_add(1);
  nextBlock_ = (nextBlock_ + 1) % kBlockCount;
}

void CWaveOutStream::Prime() {
  const uint32_t device = device_;
  if (!opened_ || device == 0) return;
  SDL_LockAudioDevice(device);
  for (int i = 0; i < kPrimeBlocks; ++i) FillNextBlockOnDevice();
  SDL_UnlockAudioDevice(device);
  if (!started_.exchange(true)) SDL_PauseAudioDevice(device, 0);
}

void CWaveOutStream::DeviceCallback(void* stream, uint8_t* output, int length) {
  static_cast<CWaveOutStream*>(stream)->PlayQueuedBlocks(output, static_cast<uint32_t>(std::max(length, 0)));
}

void CWaveOutStream::PlayQueuedBlocks(uint8_t* output, uint32_t length) {
  while (length > 0) {
    if (queuedBlocks_ == 0) {
      // Nothing queued (before the first blocks, or after Close began).
      std::memset(output, SilenceByte(), length);
      return;
    }
    const uint32_t count = std::min(length, blockLength_ - playingOffset_);
    std::memcpy(output, blocks_[playingBlock_] + playingOffset_, count);
    output += count;
    length -= count;
    playingOffset_ += count;
    if (playingOffset_ < blockLength_) continue;
    // This block is done: hand it back and queue the next one.
    playingOffset_ = 0;
    playingBlock_ = (playingBlock_ + 1) % kBlockCount;
    queuedBlocks_.fetch_sub(1);
    FillNextBlockOnDevice();
  }
}

}  // namespace bv
