#include "outputs/lossless_picture_encoder.h"
#include "outputs/library_error.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

#include <cstring>

namespace bv {

CLosslessPictureEncoder::~CLosslessPictureEncoder() {
  av_packet_free(&packet_);
  av_frame_free(&picture_);
  avcodec_parameters_free(&parameters_);
  avcodec_free_context(&context_);
}

bool CLosslessPictureEncoder::Fail(const char* what, int code) {
  error_ = LibraryFailure(what, code);
  return false;
}

bool CLosslessPictureEncoder::Open(int width, int height, bool globalHeader) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_FFV1);
  if (!codec) return Fail("the FFV1 encoder is not available", 0);
  context_ = avcodec_alloc_context3(codec);
  parameters_ = avcodec_parameters_alloc();
  picture_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (!context_ || !parameters_ || !picture_ || !packet_) return Fail("out of memory", 0);

  context_->width = width;
  context_->height = height;
  // B, G, R and a padding byte: the viewer's pixels without a conversion.
  context_->pix_fmt = AV_PIX_FMT_BGR0;
  context_->time_base = AVRational{1, 1000};
  context_->gop_size = 1;
  // One picture in, one frame out, and the machine's cores left to playback.
  context_->thread_count = 1;
  context_->level = 3;
  if (globalHeader) context_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  av_opt_set_int(context_->priv_data, "slicecrc", 1, 0);
  int result = avcodec_open2(context_, codec, nullptr);
  if (result < 0) return Fail("cannot start the FFV1 encoder", result);
  result = avcodec_parameters_from_context(parameters_, context_);
  if (result < 0) return Fail("cannot describe the FFV1 stream", result);

  picture_->format = AV_PIX_FMT_BGR0;
  picture_->width = width;
  picture_->height = height;
  result = av_frame_get_buffer(picture_, 0);
  if (result < 0) return Fail("out of memory", result);
  return true;
}

bool CLosslessPictureEncoder::Encode(const uint8_t* bgrBottomUp, std::vector<uint8_t>* frame) {
  int result = av_frame_make_writable(picture_);
  if (result < 0) return Fail("out of memory", result);
  const int width = context_->width;
  const int height = context_->height;
  for (int row = 0; row < height; ++row) {
    const uint8_t* from = bgrBottomUp + static_cast<size_t>(height - 1 - row) * width * 3;
    uint8_t* to = picture_->data[0] + static_cast<ptrdiff_t>(row) * picture_->linesize[0];
    for (int x = 0; x < width; ++x, from += 3, to += 4) {
      to[0] = from[0];
      to[1] = from[1];
      to[2] = from[2];
      to[3] = 0;
    }
  }
  picture_->pts = next_++;
  result = avcodec_send_frame(context_, picture_);
  if (result < 0) return Fail("the FFV1 encoder refused a picture", result);
  // Intra-only and single-threaded: the frame comes out at once.
  result = avcodec_receive_packet(context_, packet_);
  if (result < 0) return Fail("the FFV1 encoder gave no frame", result);
  frame->assign(packet_->data, packet_->data + packet_->size);
  av_packet_unref(packet_);
  return true;
}

}  // namespace bv
