#pragma once
// CLosslessPictureEncoder: the viewer's 24-bit pictures as FFV1 frames
// (libavcodec), bit for bit. FFV1 version 3 keeps a CRC in every slice, so a
// damaged frame is detected on playback, and every frame is a key frame, so
// any frame can be reached exactly.
#include <cstdint>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;

namespace bv {

class CLosslessPictureEncoder {
 public:
  CLosslessPictureEncoder() = default;
  ~CLosslessPictureEncoder();
  CLosslessPictureEncoder(const CLosslessPictureEncoder&) = delete;
  CLosslessPictureEncoder& operator=(const CLosslessPictureEncoder&) = delete;

  // globalHeader: the codec's configuration goes into the stream parameters
  // (as Matroska needs) instead of every frame.
  bool Open(int width, int height, bool globalHeader);
  // Valid after Open: what a container stream needs.
  const AVCodecParameters* Parameters() const { return parameters_; }
  // Encodes a bottom-up picture of B, G, R pixels (rows of width * 3 bytes,
  // as the DIB presentation holds it) into one frame.
  bool Encode(const uint8_t* bgrBottomUp, std::vector<uint8_t>* frame);

  const std::string& Error() const { return error_; }
  static const char* CodecName() { return "ffv1"; }

 private:
  bool Fail(const char* what, int code);

  AVCodecContext* context_ = nullptr;
  AVCodecParameters* parameters_ = nullptr;
  AVFrame* picture_ = nullptr;
  AVPacket* packet_ = nullptr;
  int64_t next_ = 0;
  std::string error_;
};

}  // namespace bv
