#pragma once
// CSoundCapture: watches the engine's audio path (ISoundTap) and keeps the
// PCM handed to the sound output and the tick of each second's hand-over,
// for zrvtool audio, benchmarks and tests.
#include <cstdint>
#include <string>
#include <vector>

#include "playback/sound/sound_tap.h"

namespace bv::samples {

struct HandOver {
  uint32_t tick = 0;
  int secondOfDay = 0;
  uint16_t firstMillisecond = 0;
};

// How far hand-overs strayed from the record times, against the first one.
struct DriftStats {
  int seconds = 0;        // hand-overs measured
  int32_t maxAbsMs = 0;   // largest |drift|
  double meanMs = 0;      // mean drift (positive: sound handed over late)
  int32_t lastMs = 0;     // drift of the last hand-over
};

class CSoundCapture : public ISoundTap {
 public:
  void OnSecondHandedOver(uint32_t tick, int secondOfDay, uint16_t firstMillisecond) override;
  void OnPcmPushed(uint32_t samplesPerSecond, uint16_t bitsPerSample, const uint8_t* data, uint32_t length) override;

  // The format of the first PCM pushed; later PCM of another format is not
  // kept (FormatChanged tells).
  bool HasFormat() const { return samplesPerSecond_ != 0; }
  uint32_t SamplesPerSecond() const { return samplesPerSecond_; }
  uint16_t BitsPerSample() const { return bitsPerSample_; }
  bool FormatChanged() const { return formatChanged_; }
  const std::vector<uint8_t>& Pcm() const { return pcm_; }
  const std::vector<HandOver>& HandOvers() const { return handOvers_; }
  DriftStats Drift() const;

 private:
  uint32_t samplesPerSecond_ = 0;
  uint16_t bitsPerSample_ = 0;
  bool formatChanged_ = false;
  std::vector<uint8_t> pcm_;
  std::vector<HandOver> handOvers_;
};

// Writes mono PCM as a canonical 44-byte-header WAV file.
bool WriteWavFile(const std::string& path, uint32_t samplesPerSecond, uint16_t bitsPerSample,
                  const std::vector<uint8_t>& pcm);

}  // namespace bv::samples
