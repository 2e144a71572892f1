// The engine's audio path: real-time pacing of audio-paced records, gathering
// the sound of one second from the index, and handing it to the sound output,
// decoding GSM 6.10 chunks on the way.
#include <algorithm>

#include "base/platform/tick_clock.h"
#include "playback/engine/playback_controller.h"
#include "playback/engine/playback_engine.h"
#include "playback/sound/sound_tap.h"

namespace bv {
namespace {

// A second lasts 999 ms for pacing: a second that starts late begins 999 ms
// after the previous one, and record milliseconds beyond it are not waited for.
constexpr uint32_t kSecondSpan = 999;
// The sound output takes at most 16,000 bytes per 40 ms block.
constexpr uint64_t kMaxOutputBytesPerSecond =
    uint64_t{CWaveOutStream::kMaxBlockBytes} * CWaveOutStream::kBlocksPerSecond;
constexpr uint32_t kMaxAudioChannels = 2;

// 0 means that pacing is off, so a base that lands on tick 0 is moved by 1 ms.
uint32_t NonZeroTick(uint32_t tick) { return tick != 0 ? tick : 1; }

// Whether a chunk's format can size the chunk buffers and be played: no
// division by zero, no empty or oversized blocks of the sound output, no
// capacity beyond two channels of the fastest rate the output takes.
bool IsPlayableAudioFormat(const AUDIO_HEADER& header) {
  const uint32_t channels = header.channels;
  const uint32_t bits = header.bitsPerSample;
  const uint32_t rate = header.samplesPerSecond;
  if (channels == 0 || channels > kMaxAudioChannels) return false;
  if (bits != 8 && bits != 16) return false;
  if (header.chunksPerSecond == 0) return false;
  // A 40 ms block must hold at least one sample.
  if (rate < CWaveOutStream::kBlocksPerSecond) return false;
  return uint64_t{rate} * (bits / 8) <= kMaxOutputBytesPerSecond;
}

// Bytes per chunk buffer: the samples of one chunk of this format after its
// 16-byte header.
uint32_t ChunkCapacityFor(const AUDIO_HEADER& header) {
  const uint64_t bytes = uint64_t{header.bitsPerSample} / 8 * header.channels * header.samplesPerSecond /
                         header.chunksPerSecond;
  return static_cast<uint32_t>(bytes + AUDIO_HEADER::kSize);
}

bool SameGatherFormat(const AUDIO_HEADER& a, const AUDIO_HEADER& b) {
  return a.bitsPerSample == b.bitsPerSample && uint32_t{a.samplesPerSecond} == uint32_t{b.samplesPerSecond} &&
         a.chunksPerSecond == b.chunksPerSecond && a.channels == b.channels;
}

bool SameOutputFormat(const AUDIO_HEADER& a, const AUDIO_HEADER& b) {
  return a.bitsPerSample == b.bitsPerSample && a.channels == b.channels &&
         uint32_t{a.samplesPerSecond} == uint32_t{b.samplesPerSecond};
}

enum class ChunkOutcome { kGathered, kSkipped, kStop };

// Reads one audio record of the second being gathered into the next chunk
// buffer.
ChunkOutcome GatherChunk(const CPlaybackEngine& engine, AudioPathState& audio, const INDEX_RECORD& record) {
  AUDIO_HEADER header;
  if (!engine.ReadAudioHeader(record, &header)) return ChunkOutcome::kStop;
  if (!IsPlayableAudioFormat(header)) return ChunkOutcome::kSkipped;
  if (!SameGatherFormat(header, audio.gatherFormat)) {
    const uint32_t need = ChunkCapacityFor(header);
    if (audio.chunkCapacity < need) {
      // Buffers already holding chunks of this second cannot grow.
      if (audio.chunkCount > 0) return ChunkOutcome::kStop;
      for (auto& chunk : audio.chunks) chunk.reset();
    }
    audio.chunkCapacity = need;
    audio.gatherFormat = header;
  }
  // Samples that would not fit behind the header are not played.
  if (record.size > audio.chunkCapacity - AUDIO_HEADER::kSize) return ChunkOutcome::kSkipped;

  const uint32_t slot = audio.chunkCount;
  if (!audio.chunks[slot]) audio.chunks[slot] = std::make_unique<uint8_t[]>(audio.chunkCapacity);
  uint8_t* chunk = audio.chunks[slot].get();
  header.ToBytes(chunk);
  if (!engine.ReadAudioSamples(record, chunk + AUDIO_HEADER::kSize, record.size)) return ChunkOutcome::kStop;
  audio.chunkLengths[slot] = record.size;
  if (audio.firstAudioMillisecond == AudioPathState::kNoAudioMillisecond) {
    audio.firstAudioMillisecond = static_cast<uint16_t>(std::min(uint32_t{record.millisecond}, kSecondSpan));
  }
  ++audio.chunkCount;
  return ChunkOutcome::kGathered;
}

// Starts the real-time base of a new second. The wait for the previous
// second to end is given up when interrupted() says so (a pause or stop
// request): the base is then taken from now.
template <typename Interrupted>
void AdvanceRealTimeBase(AudioPathState& audio, Interrupted interrupted) {
  ITickClock& clock = *audio.clock;
  const uint32_t now = clock.TickCount();
  if (audio.realTimeBase == 0) {
    audio.realTimeBase = NonZeroTick(now);
    return;
  }
  const uint32_t elapsed = now - audio.realTimeBase;
  if (elapsed >= kSecondSpan) {
    // Late: the second starts 999 ms after the previous one, without waiting.
    audio.realTimeBase = NonZeroTick(now + kSecondSpan - elapsed);
    return;
  }
  while (clock.TickCount() - audio.realTimeBase <= kSecondSpan && !interrupted()) clock.Sleep(1);
  audio.realTimeBase = NonZeroTick(clock.TickCount());
}

}  // namespace

AudioPathState::AudioPathState() : clock(&SteadyTickClock()) {}

AudioPathState::~AudioPathState() {
  if (acm) acm->ACM_Destroy();
}

void CPlaybackEngine::SyncToRecordTime(const INDEX_RECORD& record) {
  AudioPathState& audio = audio_;
  const bool newSecond =
      record.hour != audio.lastHour || record.minute != audio.lastMinute || record.second != audio.lastSecond;
  if (newSecond) {
    audio.lastHour = record.hour;
    audio.lastMinute = record.minute;
    audio.lastSecond = record.second;
  }

  const bool paced = camera_.version > 3 && owner_->GetPlayState() == kPlayingForward && record.IsAudioPaced();
  // A pause or stop request for the playback thread ends its waits at once:
  // the record is shown without waiting for its millisecond.
  const auto interrupted = [this] { return owner_->PlaybackThreadAsked(); };
  if (!paced) {
    // Leaving real-time pacing restores the speed slider's pace.
    if (audio.realTimeBase != 0) {
      audio.realTimeBase = 0;
      SetFrameDelay(20 - owner_->Host().SpeedPosition());
    }
    return;
  }

  if (audio.realTimeBase == 0) SetFrameDelay(1);
  if (newSecond || audio.realTimeBase == 0) {
    GatherSecondAudio(record, audio.realTimeBase == 0);
    if (audio.firstAudioMillisecond == AudioPathState::kNoAudioMillisecond) {
      PlayGatheredAudio(record.SecondOfDay());
      audio.audioPending = false;
    } else {
      audio.audioPending = true;
    }
    AdvanceRealTimeBase(audio, interrupted);
  }

  // A millisecond field beyond the second (a damaged record) would hold
  // play for up to a minute; it is waited for as the second's end.
  const uint32_t due = std::min(uint32_t{record.millisecond}, kSecondSpan);
  ITickClock& clock = *audio.clock;
  for (;;) {
    uint32_t elapsed = clock.TickCount() - audio.realTimeBase;
    if (audio.audioPending && elapsed >= audio.firstAudioMillisecond) {
      PlayGatheredAudio(record.SecondOfDay());
      audio.audioPending = false;
      elapsed = clock.TickCount() - audio.realTimeBase;
    }
    if (elapsed >= due || interrupted()) break;
    clock.Sleep(1);
  }
}

void CPlaybackEngine::GatherSecondAudio(const INDEX_RECORD& record, bool restart) {
  AudioPathState& audio = audio_;
  audio.chunkCount = 0;
  if (restart) audio.scanPosition = 0;
  const int target = record.SecondOfDay();
  audio.firstAudioMillisecond = AudioPathState::kNoAudioMillisecond;
  const uint32_t current = owner_->CurrentIndex();
  if (audio.scanPosition < current) audio.scanPosition = current + 1;

  const IndexArray& index = owner_->Index();
  const uint32_t count = index.size();
  uint32_t position = audio.scanPosition;
  for (; position < count; ++position) {
    const INDEX_RECORD& candidate = index[position];
    if (!candidate.IsAudio()) continue;
    const int second = candidate.SecondOfDay();
    if (second < target) continue;
    if (second > target) break;
    const ChunkOutcome outcome = GatherChunk(*this, audio, candidate);
    if (outcome == ChunkOutcome::kStop) break;
    if (audio.chunkCount == AudioPathState::kMaxChunks) break;
  }
  // The next gather resumes one before where this one stopped.
  audio.scanPosition = position > 0 ? position - 1 : 0;
}

void CPlaybackEngine::PlayGatheredAudio(int secondOfDay) {
  AudioPathState& audio = audio_;
  if (!audio.soundOutput) audio.soundOutput = std::make_unique<CSoundOutput>(owner_->Host(), *audio.clock);
  CSoundOutput& output = *audio.soundOutput;
  // A device a stop let go may still be closing; a pause or stop request
  // during that wait is not held up by it: this second is left silent.
  if (!output.IsOpen() && !output.WaitForClosing([this] { return owner_->PlaybackThreadAsked(); })) return;
  if (soundTap_ && audio.chunkCount > 0) {
    soundTap_->OnSecondHandedOver(audio.clock->TickCount(), secondOfDay, audio.firstAudioMillisecond);
  }
  const auto push = [&](const uint8_t* data, uint32_t length) {
    if (soundTap_ && output.IsOpen() && length > 0) {
      soundTap_->OnPcmPushed(audio.outputFormat.samplesPerSecond, audio.outputFormat.bitsPerSample, data, length);
    }
    output.Push(data, length);
  };

  for (uint32_t i = 0; i < audio.chunkCount; ++i) {
    uint8_t* chunk = audio.chunks[i].get();
    const AUDIO_HEADER header = AUDIO_HEADER::FromBytes(chunk);
    uint8_t* samples = chunk + AUDIO_HEADER::kSize;
    const uint32_t length = audio.chunkLengths[i];
    const uint8_t prior = audio.outputFormat.compression;
    bool reopened = false;
    if (!SameOutputFormat(header, audio.outputFormat)) {
      audio.outputFormat = header;
      // An output already open in this format is kept (its ring emptied):
      // reopening the device would hold the step up while it drains.
      output.Open(header.samplesPerSecond, header.bitsPerSample);
      reopened = true;
    }
    if (header.compression == 0) {
      push(samples, length);
      continue;
    }
    if (header.compression != prior || reopened) {
      RecreateAudioDecoder(header.channels, header.samplesPerSecond, header.bitsPerSample, header.compression);
    }
    const uint32_t decoded = DecodeAudioChunk(samples, length);
    push(audio.outputBuffer.get(), decoded);
  }
}

void CPlaybackEngine::RestartAudioSync() {
  audio_.realTimeBase = 0;
  audio_.outputFormat = AUDIO_HEADER{};
}

void CPlaybackEngine::StopSound() {
  if (audio_.soundOutput) audio_.soundOutput->Close();
}

void CPlaybackEngine::CreateAudioDecoder() {
  if (!audio_.acm) audio_.acm = std::make_unique<kvr_base_acm::CBase_ACM>();
}

void CPlaybackEngine::RecreateAudioDecoder(uint8_t /*channels*/, uint32_t samplesPerSecond, uint8_t bitsPerSample,
                                           uint8_t /*compression*/) {
  // The decoder is always asked for one channel of GSM 6.10; the record's
  // channel count and compression byte are not passed on.
  CreateAudioDecoder();
  audio_.acm->ACM_Destroy();
  audio_.acm->ACM_Create(1, samplesPerSecond, bitsPerSample, kvr_base_acm::kGsm610FormatTag);
  if (!audio_.outputBuffer) audio_.outputBuffer = std::make_unique<uint8_t[]>(AudioPathState::kOutputBufferSize);
}

uint32_t CPlaybackEngine::DecodeAudioChunk(uint8_t* samples, uint32_t length) {
  if (!audio_.acm || !audio_.outputBuffer) return 0;
  const unsigned long made =
      audio_.acm->ACM_Decode(samples, length, audio_.outputBuffer.get(), AudioPathState::kOutputBufferSize);
  return static_cast<uint32_t>(std::min<unsigned long>(made, AudioPathState::kOutputBufferSize));
}

}  // namespace bv
