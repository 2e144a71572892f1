#include "outputs/aac_sound_encoder.h"
#include "outputs/library_error.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <iterator>

namespace bv {
namespace {

// The sampling rates an AAC stream can signal, lowest first.
constexpr uint32_t kAacRates[] = {7350, 8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 64000, 88200,
                                  96000};

}  // namespace

uint32_t CAacSoundEncoder::AacSampleRate(uint32_t samplesPerSecond) {
  for (uint32_t rate : kAacRates) {
    if (rate >= samplesPerSecond) return rate;
  }
  return kAacRates[std::size(kAacRates) - 1];
}

CAacSoundEncoder::~CAacSoundEncoder() {
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  avcodec_parameters_free(&parameters_);
  avcodec_free_context(&context_);
}

bool CAacSoundEncoder::Fail(const char* what, int code) {
  error_ = LibraryFailure(what, code);
  return false;
}

bool CAacSoundEncoder::Open(uint32_t samplesPerSecond, int channels, bool globalHeader) {
  if (channels < 1 || channels > 2 || AacSampleRate(samplesPerSecond) != samplesPerSecond) {
    return Fail("AAC cannot carry this sound format", 0);
  }
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
  if (!codec) return Fail("the AAC encoder is not available in this FFmpeg", 0);
  context_ = avcodec_alloc_context3(codec);
  parameters_ = avcodec_parameters_alloc();
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (!context_ || !parameters_ || !frame_ || !packet_) return Fail("out of memory", 0);
  channels_ = channels;
  context_->sample_fmt = AV_SAMPLE_FMT_FLTP;
  context_->sample_rate = static_cast<int>(samplesPerSecond);
  av_channel_layout_default(&context_->ch_layout, channels);
  context_->time_base = AVRational{1, static_cast<int>(samplesPerSecond)};
  // Speech from a hall microphone: 4 bits a sample, at most 64 kbit/s a
  // channel, keeps it clear without waste.
  context_->bit_rate = channels * std::min<int64_t>(64000, int64_t{samplesPerSecond} * 4);
  if (globalHeader) context_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  int result = avcodec_open2(context_, codec, nullptr);
  if (result < 0) return Fail("cannot start the AAC encoder", result);
  result = avcodec_parameters_from_context(parameters_, context_);
  if (result < 0) return Fail("cannot describe the AAC stream", result);
  frameSize_ = context_->frame_size > 0 ? context_->frame_size : 1024;
  frame_->format = AV_SAMPLE_FMT_FLTP;
  frame_->sample_rate = context_->sample_rate;
  frame_->nb_samples = frameSize_;
  result = av_channel_layout_copy(&frame_->ch_layout, &context_->ch_layout);
  if (result >= 0) result = av_frame_get_buffer(frame_, 0);
  if (result < 0) return Fail("out of memory", result);
  return true;
}

bool CAacSoundEncoder::Push(const float* interleaved, size_t frames, const PacketSink& sink) {
  waiting_.insert(waiting_.end(), interleaved, interleaved + frames * channels_);
  pushed_ += static_cast<int64_t>(frames);
  const size_t frameFloats = static_cast<size_t>(frameSize_) * channels_;
  while (waiting_.size() >= frameFloats) {
    if (!EncodeFrame(frameSize_, sink)) return false;
    waiting_.erase(waiting_.begin(), waiting_.begin() + static_cast<ptrdiff_t>(frameFloats));
  }
  return true;
}

bool CAacSoundEncoder::EncodeFrame(int samples, const PacketSink& sink) {
  int result = av_frame_make_writable(frame_);
  if (result < 0) return Fail("out of memory", result);
  frame_->nb_samples = samples;
  for (int c = 0; c < channels_; ++c) {
    float* plane = reinterpret_cast<float*>(frame_->data[c]);
    for (int i = 0; i < samples; ++i) plane[i] = waiting_[static_cast<size_t>(i) * channels_ + c];
  }
  frame_->pts = encoded_;
  encoded_ += samples;
  result = avcodec_send_frame(context_, frame_);
  if (result < 0) return Fail("the AAC encoder refused the sound", result);
  return Drain(sink);
}

bool CAacSoundEncoder::Flush(const PacketSink& sink) {
  // The encoder takes a shorter last frame.
  const int rest = static_cast<int>(waiting_.size() / channels_);
  if (rest > 0) {
    if (!EncodeFrame(rest, sink)) return false;
    waiting_.clear();
  }
  const int result = avcodec_send_frame(context_, nullptr);
  if (result < 0 && result != AVERROR_EOF) return Fail("cannot finish the AAC stream", result);
  return Drain(sink);
}

bool CAacSoundEncoder::Drain(const PacketSink& sink) {
  for (;;) {
    const int result = avcodec_receive_packet(context_, packet_);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
    if (result < 0) return Fail("the AAC encoder failed", result);
    const bool taken = sink(packet_);
    av_packet_unref(packet_);
    if (!taken) return false;
  }
}

}  // namespace bv
