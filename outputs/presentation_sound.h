#pragma once
// CPresentationSound: the sound of a presentation as one continuous track.
// Each chunk the viewer would play starts at its record's time; silence
// fills the time between chunks; a chunk that runs into the next chunk's
// time ends there; a chunk whose time does not move on from the one before
// follows it. The samples become floats in the track's rate and channels
// (rates converted by linear interpolation, channels mixed or doubled) and
// go to the AAC encoder.
#include <cstdint>
#include <vector>

#include "outputs/aac_sound_encoder.h"

namespace bv {

// The PCM the viewer hands its sound output: 8-bit unsigned or 16-bit
// signed little-endian, channels interleaved.
struct PcmFormat {
  uint32_t samplesPerSecond = 0;
  int bitsPerSample = 0;
  int channels = 0;
};

class CPresentationSound {
 public:
  CPresentationSound(CAacSoundEncoder& encoder, uint32_t samplesPerSecond, int channels, CAacSoundEncoder::PacketSink sink)
      : encoder_(encoder), rate_(samplesPerSecond), channels_(channels), sink_(std::move(sink)) {}

  // A chunk of PCM due dueMs after the track's start.
  bool Add(int64_t dueMs, const uint8_t* pcm, size_t bytes, const PcmFormat& format);
  // The last chunk, then the encoder's end.
  bool Finish();
  // Sample frames of the track so far (silence included), at its rate.
  int64_t Written() const { return written_; }

 private:
  bool FlushPending();
  void Convert(const uint8_t* pcm, size_t bytes, const PcmFormat& format, std::vector<float>* out) const;

  CAacSoundEncoder& encoder_;
  uint32_t rate_;
  int channels_;
  CAacSoundEncoder::PacketSink sink_;
  int64_t written_ = 0;  // sample frames handed to the encoder
  bool havePending_ = false;
  int64_t pendingStart_ = 0;
  std::vector<float> pending_;  // interleaved in the track's channels
  std::vector<float> converted_;
};

}  // namespace bv
