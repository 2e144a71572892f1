#include "outputs/h264_picture_encoder.h"
#include "outputs/library_error.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>

namespace bv {

CH264PictureEncoder::~CH264PictureEncoder() {
  sws_freeContext(scaler_);
  av_packet_free(&packet_);
  av_frame_free(&picture_);
  avcodec_parameters_free(&parameters_);
  avcodec_free_context(&context_);
}

bool CH264PictureEncoder::Fail(const char* what, int code) {
  error_ = LibraryFailure(what, code);
  return false;
}

bool CH264PictureEncoder::Open(int width, int height, double framesPerSecond, bool globalHeader) {
  if (width <= 0 || height <= 0 || width % 2 || height % 2) return Fail("the picture size is not even", 0);
  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (!codec) return Fail("the H.264 encoder (libx264) is not available in this FFmpeg", 0);
  context_ = avcodec_alloc_context3(codec);
  parameters_ = avcodec_parameters_alloc();
  picture_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (!context_ || !parameters_ || !picture_ || !packet_) return Fail("out of memory", 0);

  const double fps = std::clamp(framesPerSecond, 1.0, 120.0);
  context_->width = width;
  context_->height = height;
  context_->pix_fmt = AV_PIX_FMT_YUV420P;
  context_->time_base = AVRational{1, 1000};
  context_->framerate = AVRational{static_cast<int>(std::lround(fps * 1000)), 1000};
  context_->gop_size = static_cast<int>(std::clamp(std::lround(fps * 2), 1L, 250L));
  context_->sample_aspect_ratio = AVRational{1, 1};
  context_->color_range = AVCOL_RANGE_MPEG;
  context_->colorspace = AVCOL_SPC_SMPTE170M;
  context_->color_primaries = AVCOL_PRI_SMPTE170M;
  context_->color_trc = AVCOL_TRC_SMPTE170M;
  if (globalHeader) context_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  av_opt_set(context_->priv_data, "preset", kPreset, 0);
  av_opt_set(context_->priv_data, "crf", kRateFactor, 0);
  // High profile: what browsers, office software and phones all decode.
  av_opt_set(context_->priv_data, "profile", "high", 0);
  int result = avcodec_open2(context_, codec, nullptr);
  if (result < 0) return Fail("cannot start the H.264 encoder", result);
  result = avcodec_parameters_from_context(parameters_, context_);
  if (result < 0) return Fail("cannot describe the H.264 stream", result);

  picture_->format = AV_PIX_FMT_YUV420P;
  picture_->width = width;
  picture_->height = height;
  result = av_frame_get_buffer(picture_, 0);
  if (result < 0) return Fail("out of memory", result);
  // Each chroma sample the average of the four pixels it covers, from
  // full-resolution colour, rounded exactly: the sharp coloured edges of
  // texts and captions then blur least, whichever way a player scales the
  // colour back up. The same matrix and range the stream is tagged with.
  scaler_ = sws_getContext(width, height, AV_PIX_FMT_BGR0, width, height, AV_PIX_FMT_YUV420P,
                           SWS_AREA | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr);
  if (!scaler_) return Fail("cannot convert the pictures to 4:2:0", 0);
  const int* matrix = sws_getCoefficients(SWS_CS_ITU601);
  sws_setColorspaceDetails(scaler_, matrix, 1, matrix, 0, 0, 1 << 16, 1 << 16);
  return true;
}

bool CH264PictureEncoder::Encode(const uint8_t* bgrx, int stride, int64_t ptsMs, int64_t durationMs,
                                 const PacketSink& sink) {
  int result = av_frame_make_writable(picture_);
  if (result < 0) return Fail("out of memory", result);
  const uint8_t* planes[1] = {bgrx};
  const int strides[1] = {stride};
  sws_scale(scaler_, planes, strides, 0, context_->height, picture_->data, picture_->linesize);
  picture_->pts = ptsMs;
  durations_[ptsMs] = durationMs;
  result = avcodec_send_frame(context_, picture_);
  if (result < 0) return Fail("the H.264 encoder refused a picture", result);
  return Drain(sink);
}

bool CH264PictureEncoder::Flush(const PacketSink& sink) {
  const int result = avcodec_send_frame(context_, nullptr);
  if (result < 0 && result != AVERROR_EOF) return Fail("cannot finish the H.264 stream", result);
  return Drain(sink);
}

bool CH264PictureEncoder::Drain(const PacketSink& sink) {
  for (;;) {
    const int result = avcodec_receive_packet(context_, packet_);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
    if (result < 0) return Fail("the H.264 encoder failed", result);
    const auto duration = durations_.find(packet_->pts);
    if (duration != durations_.end()) {
      packet_->duration = duration->second;
      durations_.erase(duration);
    }
    const bool taken = sink(packet_);
    av_packet_unref(packet_);
    if (!taken) return false;
  }
}

}  // namespace bv
