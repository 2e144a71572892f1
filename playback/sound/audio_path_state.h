#pragma once
// What the playback engine keeps for real-time pacing and sound: the second
// last seen, the real-time base, the chunks gathered for a second, the
// formats, the decoder and the sound output. Touched only by the thread that
// displays records while PlayState is 1 (the playback thread), and by the
// commands that stop sound while no such thread steps.
#include <array>
#include <cstdint>
#include <memory>

#include "base/format/audio_header.h"
#include "codecs/base_acm.h"
#include "playback/sound/sound_output.h"

namespace bv {

class ITickClock;

struct AudioPathState {
  static constexpr int kMaxChunks = 16;
  static constexpr uint32_t kOutputBufferSize = 23000;
  static constexpr uint16_t kNoAudioMillisecond = 0xFFFF;

  AudioPathState();
  ~AudioPathState();

  // The second of the record last displayed; 99:99:99 matches none.
  uint16_t lastHour = 99;
  uint16_t lastMinute = 99;
  uint16_t lastSecond = 99;
  // Tick at which the current second started; 0 while pacing is off.
  uint32_t realTimeBase = 0;
  // The gathered sound waits for its first chunk's millisecond.
  bool audioPending = false;
  // Index record from which the next gather looks for audio.
  uint32_t scanPosition = 0;
  uint16_t firstAudioMillisecond = kNoAudioMillisecond;

  // The format the chunk buffers were sized for, and the one the output was
  // opened with (all zero: reopen at the next hand-off).
  AUDIO_HEADER gatherFormat{};
  AUDIO_HEADER outputFormat{};

  // Each buffer holds a record's AUDIO_HEADER, then its samples.
  std::array<std::unique_ptr<uint8_t[]>, kMaxChunks> chunks;
  std::array<uint32_t, kMaxChunks> chunkLengths{};
  uint32_t chunkCount = 0;
  uint32_t chunkCapacity = 0;

  std::unique_ptr<kvr_base_acm::CBase_ACM> acm;
  std::unique_ptr<uint8_t[]> outputBuffer;
  std::unique_ptr<CSoundOutput> soundOutput;

  ITickClock* clock = nullptr;
};

}  // namespace bv
