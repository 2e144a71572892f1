#pragma once
// One MPEG-4 Part 2 decoder instance of the "ZRMP4.dll" module: libavcodec
// for the pictures, libswscale for the colour conversion.
//
// A payload is the 8-byte prefix (module_abi.h) and the elementary-stream
// data: a key frame (0xB0) carries the configuration headers before its
// I-VOP, a delta frame (0xB1) is one P-VOP. Each payload yields one picture
// of exactly the prefix's size: 24-bit B, G, R (rgb 1) or packed YUY2
// (rgb 0), top row first, width * height * 3 or * 2 bytes and not one more.
// Anything else is refused before the output is touched.
#include <cstdint>
#include <memory>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace bv::zrmp4 {

class CMpeg4Decoder {
 public:
  // Null when libavcodec has no MPEG-4 decoder or no memory.
  static std::unique_ptr<CMpeg4Decoder> Create();
  ~CMpeg4Decoder();
  CMpeg4Decoder(const CMpeg4Decoder&) = delete;
  CMpeg4Decoder& operator=(const CMpeg4Decoder&) = delete;

  // 0 on success, negative when the payload is refused. With a null output
  // the picture is decoded (the decoder moves on to it) but not converted.
  int Decode(const uint8_t* payload, uint8_t* output, int rgb);

 private:
  CMpeg4Decoder() = default;
  bool Open();
  // Hands packet bytes to the library and takes the picture they make.
  bool DecodePicture(const uint8_t* headers, size_t headerSize, const uint8_t* data, size_t size);
  bool Convert(uint8_t* output, int rgb);

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
  // A delta frame needs the picture of a key frame decoded before it, with
  // every delta frame since.
  bool haveReference_ = false;
};

}  // namespace bv::zrmp4
