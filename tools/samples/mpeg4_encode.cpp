#include "tools/samples/mpeg4_encode.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include "base/platform/le_bytes.h"

namespace bv::samples {

struct CMpeg4Encoder::State {
  Mpeg4EncoderOptions options;
  AVCodecContext* context = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* toYuv = nullptr;
  int64_t frameNumber = 0;
  bool open = false;

  ~State() {
    sws_freeContext(toYuv);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&context);
  }
};

CMpeg4Encoder::CMpeg4Encoder(const Mpeg4EncoderOptions& options) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.options = options;
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
  if (!codec) return;
  s.context = avcodec_alloc_context3(codec);
  s.frame = av_frame_alloc();
  s.packet = av_packet_alloc();
  if (!s.context || !s.frame || !s.packet) return;
  s.context->width = options.width;
  s.context->height = options.height;
  s.context->pix_fmt = AV_PIX_FMT_YUV420P;
  s.context->time_base = AVRational{1, options.framesPerSecond};
  s.context->framerate = AVRational{options.framesPerSecond, 1};
  s.context->gop_size = options.keyFrameInterval;
  s.context->max_b_frames = 0;
  s.context->thread_count = 1;
  // Fixed quantiser; no encoder identification in the stream.
  s.context->flags |= AV_CODEC_FLAG_QSCALE | AV_CODEC_FLAG_BITEXACT;
  s.context->global_quality = options.quantizer * FF_QP2LAMBDA;
  if (avcodec_open2(s.context, codec, nullptr) < 0) return;

  s.frame->format = AV_PIX_FMT_YUV420P;
  s.frame->width = options.width;
  s.frame->height = options.height;
  if (av_frame_get_buffer(s.frame, 0) < 0) return;
  s.toYuv = sws_getContext(options.width, options.height, AV_PIX_FMT_RGB24, options.width, options.height,
                           AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
  s.open = s.toYuv != nullptr;
}

CMpeg4Encoder::~CMpeg4Encoder() = default;

bool CMpeg4Encoder::IsOpen() const { return state_->open; }

std::vector<uint8_t> CMpeg4Encoder::EncodePayload(const RgbPicture& picture, bool forceKeyFrame) {
  State& s = *state_;
  if (!s.open || picture.width != s.options.width || picture.height != s.options.height) return {};
  if (av_frame_make_writable(s.frame) < 0) return {};
  const uint8_t* source[1] = {picture.pixels.data()};
  const int sourceStride[1] = {picture.width * 3};
  sws_scale(s.toYuv, source, sourceStride, 0, picture.height, s.frame->data, s.frame->linesize);
  s.frame->pts = s.frameNumber++;
  s.frame->pict_type = forceKeyFrame ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
  s.frame->quality = s.context->global_quality;
  if (avcodec_send_frame(s.context, s.frame) < 0) return {};
  if (avcodec_receive_packet(s.context, s.packet) < 0) return {};
  std::vector<uint8_t> payload = MakeMpeg4Payload(s.packet->data, static_cast<size_t>(s.packet->size),
                                                  (s.packet->flags & AV_PKT_FLAG_KEY) != 0, picture.width,
                                                  picture.height);
  av_packet_unref(s.packet);
  return payload;
}

std::vector<uint8_t> MakeMpeg4Payload(const uint8_t* stream, size_t size, bool keyFrame, int width, int height) {
  std::vector<uint8_t> payload(8 + size);
  // Bytes 0..2 carry nothing the viewer reads; recorders store what they
  // like there. These samples store a scrambled value that is no length.
  const uint32_t unexamined = static_cast<uint32_t>(size * 2654435761u) ^ 0x5A5A5Au;
  payload[0] = static_cast<uint8_t>(unexamined >> 16);
  payload[1] = static_cast<uint8_t>(unexamined >> 8);
  payload[2] = static_cast<uint8_t>(unexamined);
  payload[3] = keyFrame ? 0xB0 : 0xB1;
  WriteU16BE(payload.data() + 4, static_cast<uint16_t>(height));
  WriteU16BE(payload.data() + 6, static_cast<uint16_t>(width));
  std::copy(stream, stream + size, payload.begin() + 8);
  return payload;
}

}  // namespace bv::samples
