#include "tools/samples/sound_capture.h"

#include <algorithm>
#include <cstdlib>

#include "base/platform/file_write.h"
#include "base/platform/le_bytes.h"

namespace bv::samples {

void CSoundCapture::OnSecondHandedOver(uint32_t tick, int secondOfDay, uint16_t firstMillisecond) {
  handOvers_.push_back(HandOver{tick, secondOfDay, firstMillisecond});
}

void CSoundCapture::OnPcmPushed(uint32_t samplesPerSecond, uint16_t bitsPerSample, const uint8_t* data,
                                uint32_t length) {
  if (formatChanged_) return;
  if (!HasFormat()) {
    samplesPerSecond_ = samplesPerSecond;
    bitsPerSample_ = bitsPerSample;
  } else if (samplesPerSecond != samplesPerSecond_ || bitsPerSample != bitsPerSample_) {
    formatChanged_ = true;
    return;
  }
  pcm_.insert(pcm_.end(), data, data + length);
}

DriftStats CSoundCapture::Drift() const {
  DriftStats stats;
  if (handOvers_.empty()) return stats;
  const HandOver& first = handOvers_.front();
  int64_t sum = 0;
  for (const HandOver& h : handOvers_) {
    const int64_t real = static_cast<int32_t>(h.tick - first.tick);
    const int64_t recorded =
        int64_t{h.secondOfDay - first.secondOfDay} * 1000 + h.firstMillisecond - first.firstMillisecond;
    const int32_t drift = static_cast<int32_t>(real - recorded);
    stats.maxAbsMs = std::max(stats.maxAbsMs, std::abs(drift));
    stats.lastMs = drift;
    sum += drift;
  }
  stats.seconds = static_cast<int>(handOvers_.size());
  stats.meanMs = static_cast<double>(sum) / stats.seconds;
  return stats;
}

bool WriteWavFile(const std::string& path, uint32_t samplesPerSecond, uint16_t bitsPerSample,
                  const std::vector<uint8_t>& pcm) {
  const uint16_t blockAlign = bitsPerSample / 8;
  std::vector<uint8_t> bytes(44);
  uint8_t* h = bytes.data();
  std::copy_n("RIFF", 4, h);
  WriteU32LE(h + 4, static_cast<uint32_t>(36 + pcm.size()));
  std::copy_n("WAVEfmt ", 8, h + 8);
  WriteU32LE(h + 16, 16);
  WriteU16LE(h + 20, 1);  // PCM
  WriteU16LE(h + 22, 1);  // mono
  WriteU32LE(h + 24, samplesPerSecond);
  WriteU32LE(h + 28, samplesPerSecond * blockAlign);
  WriteU16LE(h + 32, blockAlign);
  WriteU16LE(h + 34, bitsPerSample);
  std::copy_n("data", 4, h + 36);
  WriteU32LE(h + 40, static_cast<uint32_t>(pcm.size()));
  return WriteFileAtomically(path, {bytes, pcm});
}

}  // namespace bv::samples
