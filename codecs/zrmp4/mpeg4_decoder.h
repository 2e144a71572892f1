#pragma once
// One MPEG-4 Part 2 decoder instance of the "ZRMP4.dll" module: libavcodec
// for the pictures, libyuv's colour conversion (or the same bytes from the
// module's own rows, bgr24_rows.h; libswscale where the picture is scaled or
// not 4:2:0).
//
// A payload is the 8-byte prefix (module_abi.h) and the elementary-stream
// data after it, up to the record's payload size: a key frame (0xB0) is an
// I-VOP, with or without the configuration headers before it (recorders
// repeat them before every key frame or write them before the first only); a
// delta frame (0xB1) is one VOP. Each payload yields one picture of exactly
// the prefix's size: 24-bit B, G, R (rgb 1) or packed YUY2 (rgb 0), top row
// first (24-bit rows may be asked for bottom row first, as a DIB holds
// them), width * height * 3 or * 2 bytes and not one more. Damaged data is
// decoded as far as the library can, its damage concealed and reported;
// only a payload that gives no picture is refused, before the output is
// touched.
#include <cstdint>
#include <memory>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace bv::zrmp4 {

// The form of the picture in the output: 24-bit rows (rgb 1) top row first
// or bottom row first, or the 4:2:0 planes (Y, then Cb, then Cr, each row
// after row, w * h * 3 / 2 bytes, even sizes only) that the viewer keeps
// for stepping back and converts when it shows them.
enum class RowOrder { kTopRowFirst, kBottomRowFirst, kPlanar420 };

class CMpeg4Decoder {
 public:
  // Null when libavcodec has no MPEG-4 decoder or no memory.
  static std::unique_ptr<CMpeg4Decoder> Create();
  ~CMpeg4Decoder();
  CMpeg4Decoder(const CMpeg4Decoder&) = delete;
  CMpeg4Decoder& operator=(const CMpeg4Decoder&) = delete;

  // payloadSize: the whole payload, prefix included. 0 for a clean picture,
  // kMpeg4Concealed for one with damage concealed, negative when no picture
  // came out. With a null output the picture is decoded (the decoder moves
  // on to it) but not converted.
  int Decode(const uint8_t* payload, size_t payloadSize, uint8_t* output, int rgb,
             RowOrder order = RowOrder::kTopRowFirst);

 private:
  CMpeg4Decoder() = default;
  bool Open();
  // Hands packet bytes to the library and takes the picture they make;
  // *damaged tells whether the library met (and concealed) faults in them.
  bool DecodePicture(const uint8_t* headers, size_t headerSize, const uint8_t* data, size_t size, bool* damaged);
  // The picture in frame_ at width x height (scaled when the stream's own
  // size differs from the prefix's).
  bool Convert(uint8_t* output, int rgb, int width, int height, RowOrder order);
  bool CopyPlanes(uint8_t* output, int width, int height);

  AVCodecContext* context_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* scaler_ = nullptr;
  // The configuration headers of the last key frame that carried them, so
  // that a key frame without them still decodes after a flush.
  std::vector<uint8_t> headers_;
  // The bytes handed to the library, followed by the zero padding it reads.
  std::vector<uint8_t> packetBytes_;
  // Converted rows of pictures whose width the converter would overrun.
  std::vector<uint8_t> conversion_;
  // A delta frame needs a picture decoded before it since the last flush.
  bool haveReference_ = false;
  // A frame since the last key frame was refused or damaged: the pictures
  // that build on it carry its damage.
  bool referenceDamaged_ = false;
};

}  // namespace bv::zrmp4
