#include "codecs/zrmp4/mpeg4_decoder.h"

#include <cstdarg>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include "base/format/backup_constants.h"
#include "base/platform/le_bytes.h"
#include "base/platform/streaming_copy.h"
#include "codecs/module_abi.h"
#include "codecs/zrmp4/bgr24_rows.h"
#include "codecs/zrmp4/mpeg4_stream.h"

namespace bv::zrmp4 {
namespace {

constexpr size_t kPrefixSize = 8;
constexpr uint8_t kKeyFrame = 0xB0;
constexpr uint8_t kDeltaFrame = 0xB1;
// The viewer's read buffer holds every payload.
constexpr size_t kMaxPayloadSize = kPictureBufferSize;

// Widths the colour converter writes exactly; others go through conversion_.
constexpr int kDirectWidthMultiple = 16;
constexpr size_t kConversionSlack = 4096;

// The library reports the faults it meets (and conceals) in its log. While a
// decoder of this module decodes, the messages of its context at error level
// mark the picture as damaged; nothing is printed.
thread_local const AVCodecContext* t_decodingContext = nullptr;
thread_local bool t_faultLogged = false;

void LogCallback(void* avcl, int level, const char* format, va_list args) {
  if (t_decodingContext && avcl == t_decodingContext && level <= AV_LOG_ERROR) {
    t_faultLogged = true;
    return;
  }
  av_log_default_callback(avcl, level, format, args);
}

void InstallLogCallback() {
  static std::once_flag once;
  std::call_once(once, [] {
    av_log_set_level(AV_LOG_QUIET);
    av_log_set_callback(LogCallback);
  });
}

// Marks the decoding context for the log callback while it is in scope.
class CFaultWatch {
 public:
  explicit CFaultWatch(const AVCodecContext* context) {
    t_decodingContext = context;
    t_faultLogged = false;
  }
  ~CFaultWatch() { t_decodingContext = nullptr; }
  bool FaultLogged() const { return t_faultLogged; }
};

}  // namespace

std::unique_ptr<CMpeg4Decoder> CMpeg4Decoder::Create() {
  auto decoder = std::unique_ptr<CMpeg4Decoder>(new CMpeg4Decoder());
  if (!decoder->Open()) return nullptr;
  return decoder;
}

bool CMpeg4Decoder::Open() {
  InstallLogCallback();
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG4);
  if (!codec) return false;
  context_ = avcodec_alloc_context3(codec);
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (!context_ || !frame_ || !packet_) return false;
  // One thread: every packet gives its picture at once, in order.
  context_->thread_count = 1;
  // Damaged data is decoded as far as it goes and the rest concealed, as
  // every common player shows it; the damage is reported, not refused.
  context_->err_recognition = AV_EF_CRCCHECK | AV_EF_BITSTREAM | AV_EF_BUFFER;
  context_->error_concealment = FF_EC_GUESS_MVS | FF_EC_DEBLOCK;
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

int CMpeg4Decoder::Decode(const uint8_t* payload, size_t payloadSize, uint8_t* output, int rgb, RowOrder order) {
  if (!payload || payloadSize <= kPrefixSize || payloadSize > kMaxPayloadSize) return -1;
  const uint8_t kind = payload[3];
  if (kind != kKeyFrame && kind != kDeltaFrame) return -1;
  const int height = ReadU16BE(payload + 4);
  const int width = ReadU16BE(payload + 6);
  if (width <= 0 || height <= 0 || width > kMaxPictureWidth || height > kMaxPictureHeight) return -1;
  // Packed YUY2 has no room for an odd last pixel within width * 2 bytes,
  // nor the 4:2:0 planes for an odd row or column.
  if (output && rgb == 0 && width % 2 != 0) return -1;
  if (output && order == RowOrder::kPlanar420 && (width % 2 != 0 || height % 2 != 0)) return -1;
  // Bytes 0..2 are not read: the stream data is the rest of the payload.
  const uint8_t* data = payload + kPrefixSize;
  const size_t size = payloadSize - kPrefixSize;

  const StreamLayout layout = ScanStream(data, size);
  if (layout.vopStart >= size) return -1;
  const uint8_t* headers = nullptr;
  size_t headerSize = 0;
  // A key frame starts afresh, whatever came before it; so does any intra
  // picture that brings its own configuration headers.
  const bool startsAfresh = kind == kKeyFrame || (layout.hasVolHeader && layout.vopType == VopType::kIntra);
  if (startsAfresh) {
    if (!layout.hasVolHeader) {
      if (headers_.empty()) return -1;  // nothing says how to read this picture
      headers = headers_.data();
      headerSize = headers_.size();
    }
    avcodec_flush_buffers(context_);
    haveReference_ = false;
    referenceDamaged_ = false;
  } else if (!haveReference_) {
    return -1;  // nothing to build on since the decoder started or flushed
  }

  bool damaged = false;
  if (!DecodePicture(headers, headerSize, data, size, &damaged)) {
    // The pictures that build on this one are shown with the damage.
    referenceDamaged_ = true;
    return -1;
  }
  haveReference_ = true;
  // A key frame labelled so but coded otherwise still shows; what it lacks
  // is damage.
  if (kind == kKeyFrame && layout.vopType != VopType::kIntra) referenceDamaged_ = true;
  if (layout.hasVolHeader) headers_.assign(data, data + layout.vopStart);
  damaged = damaged || referenceDamaged_;
  if (damaged) referenceDamaged_ = true;
  if (output && !Convert(output, rgb, width, height, order)) return -1;
  return damaged ? kMpeg4Concealed : 0;
}

bool CMpeg4Decoder::DecodePicture(const uint8_t* headers, size_t headerSize, const uint8_t* data, size_t size,
                                  bool* damaged) {
  packetBytes_.resize(headerSize + size + AV_INPUT_BUFFER_PADDING_SIZE);
  if (headerSize) std::memcpy(packetBytes_.data(), headers, headerSize);
  std::memcpy(packetBytes_.data() + headerSize, data, size);
  std::memset(packetBytes_.data() + headerSize + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);

  av_packet_unref(packet_);
  packet_->data = packetBytes_.data();
  packet_->size = static_cast<int>(headerSize + size);
  av_frame_unref(frame_);
  const CFaultWatch watch(context_);
  const int sent = avcodec_send_packet(context_, packet_);
  if (avcodec_receive_frame(context_, frame_) < 0) return false;
  if (frame_->width <= 0 || frame_->height <= 0) return false;
  *damaged = sent < 0 || watch.FaultLogged() || frame_->decode_error_flags != 0 ||
             (frame_->flags & AV_FRAME_FLAG_CORRUPT) != 0;
  return true;
}

bool CMpeg4Decoder::Convert(uint8_t* output, int rgb, int width, int height, RowOrder order) {
  if (order == RowOrder::kPlanar420) return CopyPlanes(output, width, height);
  // The common case, a 4:2:0 picture of the prefix's size to 24 bits, takes
  // libyuv's matrix: it is faster and nearer the BT.601 formula than
  // libswscale's. Its rows are written bottom row first at no cost (a
  // negative stride), which the viewer's DIB presentation wants. With AVX2
  // the module's own rows compute the same bytes in one pass.
  if (rgb && frame_->format == AV_PIX_FMT_YUV420P && frame_->width == width && frame_->height == height) {
    return ConvertI420ToBgr24({frame_->data[0], frame_->linesize[0], frame_->data[1], frame_->linesize[1],
                               frame_->data[2], frame_->linesize[2]},
                              output, width, height, order == RowOrder::kBottomRowFirst);
  }
  const AVPixelFormat target = rgb ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_YUYV422;
  // A stream whose own size differs from the prefix's is scaled to it: the
  // viewer's buffers and windows are sized by the prefix.
  scaler_ = sws_getCachedContext(scaler_, frame_->width, frame_->height, static_cast<AVPixelFormat>(frame_->format),
                                 width, height, target, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!scaler_) return false;
  const int rowBytes = width * (rgb ? 3 : 2);
  const int strides[4] = {rowBytes, 0, 0, 0};
  const size_t pictureBytes = static_cast<size_t>(rowBytes) * height;
  const bool bottomUp = rgb && order == RowOrder::kBottomRowFirst;
  if (!bottomUp && width % kDirectWidthMultiple == 0) {
    uint8_t* planes[4] = {output, nullptr, nullptr, nullptr};
    return sws_scale(scaler_, frame_->data, frame_->linesize, 0, frame_->height, planes, strides) == height;
  }
  // At other widths the converter may write a block of pixels past the end
  // of a row: harmless inside the picture, where the next row overwrites it,
  // but not past the last row. Such pictures, and those wanted bottom row
  // first, go through a buffer with room to spare, at the same stride (so
  // with the same pixels).
  conversion_.resize(pictureBytes + kConversionSlack);
  uint8_t* planes[4] = {conversion_.data(), nullptr, nullptr, nullptr};
  if (sws_scale(scaler_, frame_->data, frame_->linesize, 0, frame_->height, planes, strides) != height) return false;
  if (!bottomUp) {
    std::memcpy(output, conversion_.data(), pictureBytes);
    return true;
  }
  for (int row = 0; row < height; ++row) {
    std::memcpy(output + static_cast<size_t>(height - 1 - row) * rowBytes,
                conversion_.data() + static_cast<size_t>(row) * rowBytes, rowBytes);
  }
  return true;
}

// The 4:2:0 planes as they are, or scaled to the prefix's size.
bool CMpeg4Decoder::CopyPlanes(uint8_t* output, int width, int height) {
  uint8_t* luma = output;
  uint8_t* cb = luma + static_cast<size_t>(width) * height;
  uint8_t* cr = cb + static_cast<size_t>(width / 2) * (height / 2);
  if (frame_->format == AV_PIX_FMT_YUV420P && frame_->width == width && frame_->height == height) {
    // The planes are kept for later, while the library's buffer is used
    // again at once: streamed past the caches.
    StreamRows(frame_->data[0], frame_->linesize[0], luma, width, width, height);
    StreamRows(frame_->data[1], frame_->linesize[1], cb, width / 2, width / 2, height / 2);
    StreamRows(frame_->data[2], frame_->linesize[2], cr, width / 2, width / 2, height / 2);
    return true;
  }
  scaler_ = sws_getCachedContext(scaler_, frame_->width, frame_->height, static_cast<AVPixelFormat>(frame_->format),
                                 width, height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!scaler_) return false;
  uint8_t* planes[4] = {luma, cb, cr, nullptr};
  const int strides[4] = {width, width / 2, width / 2, 0};
  return sws_scale(scaler_, frame_->data, frame_->linesize, 0, frame_->height, planes, strides) == height;
}

}  // namespace bv::zrmp4
