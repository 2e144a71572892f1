#pragma once
// ISoundTap: lets a tool or a test watch the audio path hand sound over,
// without changing what is played. Called on the playback thread.
#include <cstdint>

namespace bv {

class ISoundTap {
 public:
  virtual ~ISoundTap() = default;
  // The sound gathered for one second is being handed to the output: at
  // tick, for the second of day secondOfDay, whose first chunk carries the
  // millisecond firstMillisecond.
  virtual void OnSecondHandedOver(uint32_t tick, int secondOfDay, uint16_t firstMillisecond) = 0;
  // PCM pushed to the open sound output, in its format (mono).
  virtual void OnPcmPushed(uint32_t samplesPerSecond, uint16_t bitsPerSample, const uint8_t* data,
                           uint32_t length) = 0;
};

}  // namespace bv
