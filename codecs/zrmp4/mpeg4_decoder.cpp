#include "codecs/zrmp4/mpeg4_decoder.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include "codecs/zrmp4/mpeg4_stream.h"
#include "playback/backup_constants.h"
#include "playback/le_bytes.h"

namespace bv::zrmp4 {
namespace {

constexpr size_t kPrefixSize = 8;
constexpr uint8_t kKeyFrame = 0xB0;
constexpr uint8_t kDeltaFrame = 0xB1;
// The coded data never exceeds what the viewer's read buffer holds.
constexpr size_t kMaxCodedSize = kPictureBufferSize - kPrefixSize;

// Widths the colour converter writes exactly; others go through conversion_.
constexpr int kDirectWidthMultiple = 16;
constexpr size_t kConversionSlack = 4096;

uint32_t ReadU24BE(const uint8_t* p) { return static_cast<uint32_t>(p[0] << 16 | p[1] << 8 | p[2]); }

}  // namespace

std::unique_ptr<CMpeg4Decoder> CMpeg4Decoder::Create() {
  auto decoder = std::unique_ptr<CMpeg4Decoder>(new CMpeg4Decoder());
  if (!decoder->Open()) return nullptr;
  return decoder;
}

bool CMpeg4Decoder::Open() {
  // Damaged frames are refused, not reported on the console.
  av_log_set_level(AV_LOG_QUIET);
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG4);
  if (!codec) return false;
  context_ = avcodec_alloc_context3(codec);
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (!context_ || !frame_ || !packet_) return false;
  // One thread: every packet gives its picture at once, in order.
  context_->thread_count = 1;
  // A damaged picture is an error, not a concealed picture.
  context_->err_recognition = AV_EF_EXPLODE | AV_EF_CRCCHECK | AV_EF_BITSTREAM | AV_EF_BUFFER;
  context_->flags |= AV_CODEC_FLAG_LOW_DELAY;
  if (avcodec_open2(context_, codec, nullptr) < 0) return false;
  packetBytes_.reserve(kPictureBufferSize + AV_INPUT_BUFFER_PADDING_SIZE);
  return true;
}

CMpeg4Decoder::~CMpeg4Decoder() {
  sws_freeContext(scaler_);
  av_packet_free(&packet_);
  av_frame_free(&frame_);
  avcodec_free_context(&context_);
}

int CMpeg4Decoder::Decode(const uint8_t* payload, uint8_t* output, int rgb) {
  if (!payload) return -1;
  const uint8_t kind = payload[3];
  if (kind != kKeyFrame && kind != kDeltaFrame) return -1;
  const int height = ReadU16BE(payload + 4);
  const int width = ReadU16BE(payload + 6);
  if (width <= 0 || height <= 0 || width > kMaxPictureWidth || height > kMaxPictureHeight) return -1;
  // Packed YUY2 has no room for an odd last pixel within width * 2 bytes.
  if (output && rgb == 0 && width % 2 != 0) return -1;
  const size_t size = ReadU24BE(payload);
  if (size == 0 || size > kMaxCodedSize) return -1;
  const uint8_t* data = payload + kPrefixSize;

  const StreamLayout layout = ScanStream(data, size);
  if (layout.vopStart >= size) return -1;
  const uint8_t* headers = nullptr;
  size_t headerSize = 0;
  if (kind == kKeyFrame) {
    if (layout.vopType != VopType::kIntra) return -1;
    if (!layout.hasVolHeader) {
      if (headers_.empty()) return -1;  // nothing says how to read this picture
      headers = headers_.data();
      headerSize = headers_.size();
    }
    // A key frame starts afresh, whatever came before it.
    avcodec_flush_buffers(context_);
    haveReference_ = false;
  } else {
    if (!haveReference_) return -1;
    if (layout.vopType != VopType::kIntra && layout.vopType != VopType::kPredicted) return -1;
  }

  if (!DecodePicture(headers, headerSize, data, size)) {
    // The library's reference pictures may now hold a damaged picture:
    // pictures that build on it are refused until the next key frame.
    haveReference_ = false;
    return -1;
  }
  haveReference_ = true;
  if (kind == kKeyFrame && layout.hasVolHeader) headers_.assign(data, data + layout.vopStart);
  if (frame_->width != width || frame_->height != height) return -1;
  if (!output) return 0;  // decoded only, to bring the decoder up to a later frame
  return Convert(output, rgb) ? 0 : -1;
}

bool CMpeg4Decoder::DecodePicture(const uint8_t* headers, size_t headerSize, const uint8_t* data, size_t size) {
  packetBytes_.resize(headerSize + size + AV_INPUT_BUFFER_PADDING_SIZE);
  if (headerSize) std::memcpy(packetBytes_.data(), headers, headerSize);
  std::memcpy(packetBytes_.data() + headerSize, data, size);
  std::memset(packetBytes_.data() + headerSize + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);

  av_packet_unref(packet_);
  packet_->data = packetBytes_.data();
  packet_->size = static_cast<int>(headerSize + size);
  av_frame_unref(frame_);
  if (avcodec_send_packet(context_, packet_) < 0) return false;
  if (avcodec_receive_frame(context_, frame_) < 0) return false;
  if (frame_->decode_error_flags != 0 || (frame_->flags & AV_FRAME_FLAG_CORRUPT)) return false;
  return frame_->width > 0 && frame_->height > 0;
}

bool CMpeg4Decoder::Convert(uint8_t* output, int rgb) {
  const int width = frame_->width;
  const int height = frame_->height;
  const AVPixelFormat target = rgb ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_YUYV422;
  scaler_ = sws_getCachedContext(scaler_, width, height, static_cast<AVPixelFormat>(frame_->format), width, height,
                                 target, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!scaler_) return false;
  const int rowBytes = width * (rgb ? 3 : 2);
  const int strides[4] = {rowBytes, 0, 0, 0};
  const size_t pictureBytes = static_cast<size_t>(rowBytes) * height;
  if (width % kDirectWidthMultiple == 0) {
    uint8_t* planes[4] = {output, nullptr, nullptr, nullptr};
    return sws_scale(scaler_, frame_->data, frame_->linesize, 0, height, planes, strides) == height;
  }
  // At other widths the converter may write a block of pixels past the end
  // of a row: harmless inside the picture, where the next row overwrites it,
  // but not past the last row. Such pictures go through a buffer with room
  // to spare, at the same stride (so with the same pixels).
  conversion_.resize(pictureBytes + kConversionSlack);
  uint8_t* planes[4] = {conversion_.data(), nullptr, nullptr, nullptr};
  if (sws_scale(scaler_, frame_->data, frame_->linesize, 0, height, planes, strides) != height) return false;
  std::memcpy(output, conversion_.data(), pictureBytes);
  return true;
}

}  // namespace bv::zrmp4
