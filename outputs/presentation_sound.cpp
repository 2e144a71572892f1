#include "outputs/presentation_sound.h"

#include <algorithm>
#include <cmath>

namespace bv {

void CPresentationSound::Convert(const uint8_t* pcm, size_t bytes, const PcmFormat& format,
                                 std::vector<float>* out) const {
  const int inChannels = format.channels;
  const size_t sampleBytes = format.bitsPerSample / 8;
  const size_t frames = bytes / (sampleBytes * inChannels);
  auto sample = [&](size_t frame, int channel) -> float {
    const uint8_t* p = pcm + (frame * inChannels + channel) * sampleBytes;
    if (sampleBytes == 1) return (static_cast<int>(p[0]) - 128) / 128.0f;
    return static_cast<int16_t>(p[0] | p[1] << 8) / 32768.0f;
  };
  // One frame of the track's channels from a frame of the chunk's.
  auto mixed = [&](size_t frame, int channel) -> float {
    if (inChannels == channels_) return sample(frame, channel);
    if (channels_ == 1) return (sample(frame, 0) + sample(frame, 1)) / 2;
    return sample(frame, 0);
  };
  out->clear();
  if (frames == 0) return;
  if (format.samplesPerSecond == rate_) {
    out->resize(frames * channels_);
    for (size_t f = 0; f < frames; ++f) {
      for (int c = 0; c < channels_; ++c) (*out)[f * channels_ + c] = mixed(f, c);
    }
    return;
  }
  const size_t outFrames = static_cast<size_t>(uint64_t{frames} * rate_ / format.samplesPerSecond);
  out->resize(outFrames * channels_);
  const double step = static_cast<double>(format.samplesPerSecond) / rate_;
  for (size_t f = 0; f < outFrames; ++f) {
    const double at = f * step;
    const size_t a = std::min(static_cast<size_t>(at), frames - 1);
    const size_t b = std::min(a + 1, frames - 1);
    const float t = static_cast<float>(at - static_cast<double>(a));
    for (int c = 0; c < channels_; ++c) (*out)[f * channels_ + c] = mixed(a, c) * (1 - t) + mixed(b, c) * t;
  }
}

bool CPresentationSound::Add(int64_t dueMs, const uint8_t* pcm, size_t bytes, const PcmFormat& format) {
  Convert(pcm, bytes, format, &converted_);
  if (converted_.empty()) return true;
  const int64_t due = (std::max<int64_t>(dueMs, 0) * rate_ + 500) / 1000;
  int64_t start = due;
  if (havePending_) {
    const int64_t pendingEnd = pendingStart_ + static_cast<int64_t>(pending_.size() / channels_);
    if (due <= pendingStart_) {
      start = pendingEnd;
    } else if (due < pendingEnd) {
      pending_.resize(static_cast<size_t>(due - pendingStart_) * channels_);
    }
    if (!FlushPending()) return false;
  }
  pendingStart_ = std::max(start, written_);
  pending_.swap(converted_);
  havePending_ = true;
  return true;
}

bool CPresentationSound::FlushPending() {
  if (!havePending_) return true;
  havePending_ = false;
  // Silence up to the chunk, a piece at a time: a recording may pause for
  // hours.
  constexpr int64_t kSilencePiece = 1 << 16;
  if (pendingStart_ > written_) {
    const std::vector<float> silence(static_cast<size_t>(std::min(pendingStart_ - written_, kSilencePiece)) * channels_,
                                     0.0f);
    while (written_ < pendingStart_) {
      const int64_t take = std::min(pendingStart_ - written_, kSilencePiece);
      if (!encoder_.Push(silence.data(), static_cast<size_t>(take), sink_)) return false;
      written_ += take;
    }
  }
  const size_t frames = pending_.size() / channels_;
  if (!encoder_.Push(pending_.data(), frames, sink_)) return false;
  written_ += static_cast<int64_t>(frames);
  return true;
}

bool CPresentationSound::Finish() { return FlushPending() && encoder_.Flush(sink_); }

}  // namespace bv
