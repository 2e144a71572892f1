#include "tools/samples/reference_mpeg4.h"

#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}
#include <libyuv/convert_argb.h>

namespace bv::samples {

struct CReferenceMpeg4Decoder::State {
  AVCodecContext* context = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  std::vector<uint8_t> padded;

  ~State() {
    sws_freeContext(scaler);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&context);
  }
};

CReferenceMpeg4Decoder::CReferenceMpeg4Decoder() : state_(std::make_unique<State>()) {
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG4);
  if (!codec) return;
  state_->context = avcodec_alloc_context3(codec);
  state_->frame = av_frame_alloc();
  state_->packet = av_packet_alloc();
  if (!state_->context) return;
  state_->context->thread_count = 1;
  state_->context->flags |= AV_CODEC_FLAG_LOW_DELAY;
  if (avcodec_open2(state_->context, codec, nullptr) < 0) avcodec_free_context(&state_->context);
}

CReferenceMpeg4Decoder::~CReferenceMpeg4Decoder() = default;

bool CReferenceMpeg4Decoder::Decode(const uint8_t* data, size_t size, bool rgb, uint8_t* out, size_t capacity,
                                    int* width, int* height) {
  State& s = *state_;
  if (!s.context || !s.frame || !s.packet) return false;
  s.padded.resize(size + AV_INPUT_BUFFER_PADDING_SIZE);
  std::memcpy(s.padded.data(), data, size);
  std::memset(s.padded.data() + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
  s.packet->data = s.padded.data();
  s.packet->size = static_cast<int>(size);
  av_frame_unref(s.frame);
  if (avcodec_send_packet(s.context, s.packet) < 0 || avcodec_receive_frame(s.context, s.frame) < 0) return false;
  *width = s.frame->width;
  *height = s.frame->height;
  if (!out) return true;
  const int bytesPerPixel = rgb ? 3 : 2;
  if (static_cast<size_t>(*width) * *height * bytesPerPixel > capacity) return false;
  if (rgb && s.frame->format == AV_PIX_FMT_YUV420P) {
    return libyuv::I420ToRGB24(s.frame->data[0], s.frame->linesize[0], s.frame->data[1], s.frame->linesize[1],
                               s.frame->data[2], s.frame->linesize[2], out, *width * 3, *width, *height) == 0;
  }
  s.scaler = sws_getCachedContext(s.scaler, *width, *height, static_cast<AVPixelFormat>(s.frame->format), *width,
                                  *height, rgb ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_YUYV422, SWS_BILINEAR, nullptr,
                                  nullptr, nullptr);
  if (!s.scaler) return false;
  uint8_t* planes[4] = {out, nullptr, nullptr, nullptr};
  const int strides[4] = {*width * bytesPerPixel, 0, 0, 0};
  return sws_scale(s.scaler, s.frame->data, s.frame->linesize, 0, *height, planes, strides) == *height;
}

}  // namespace bv::samples
