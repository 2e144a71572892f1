#pragma once
// MPEG-4 Part 2 payloads for generated backups, encoded with libavcodec's
// mpeg4 encoder without B-frames: each key frame repeats the configuration
// headers before its I-VOP, each delta frame is one P-VOP. A payload is the
// 8-byte prefix (big-endian 24-bit length, kind 0xB0 key / 0xB1 delta,
// big-endian height and width) followed by that picture's stream data.
#include <cstdint>
#include <memory>
#include <vector>

#include "tools/samples/test_picture.h"

namespace bv::samples {

struct Mpeg4EncoderOptions {
  int width = 352;
  int height = 240;
  int keyFrameInterval = 25;  // a key frame every this many frames
  int quantizer = 3;          // 2 (finest) .. 31
  int framesPerSecond = 10;
};

class CMpeg4Encoder {
 public:
  explicit CMpeg4Encoder(const Mpeg4EncoderOptions& options);
  ~CMpeg4Encoder();
  CMpeg4Encoder(const CMpeg4Encoder&) = delete;
  CMpeg4Encoder& operator=(const CMpeg4Encoder&) = delete;

  // False when libavcodec refused the settings.
  bool IsOpen() const;
  // The payload of the next frame (a key frame when forceKeyFrame or when the
  // interval says so); empty on failure.
  std::vector<uint8_t> EncodePayload(const RgbPicture& picture, bool forceKeyFrame = false);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The 8-byte prefix and stream data of one picture.
std::vector<uint8_t> MakeMpeg4Payload(const uint8_t* stream, size_t size, bool keyFrame, int width, int height);

}  // namespace bv::samples
