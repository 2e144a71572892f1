#pragma once
// The three video codecs in one table. Everything that depends on the codec
// (its name, key-frame test, picture size) reads this table; nothing else
// switches on codec numbers.
#include <cstdint>

namespace bv {

enum CodecType : int { kCodecMJPG = 0, kCodecWavelet = 1, kCodecMPEG4 = 2 };
constexpr int kCodecCount = 3;

// Kind bytes (payload byte 3) of the Wavelet and MPEG-4 payloads.
constexpr uint8_t kWaveletKeyFrame = 0xA0;
constexpr uint8_t kWaveletDeltaFrame1 = 0xA1;
constexpr uint8_t kWaveletDeltaFrame2 = 0xA2;
constexpr uint8_t kMpeg4KeyFrame = 0xB0;
constexpr uint8_t kMpeg4DeltaFrame = 0xB1;

// Every payload's first bytes that codec recognition and picture sizes read:
// the MJPG bitmap header is the longest.
constexpr uint32_t kPayloadHeadSize = 40;

struct CodecEntry {
  const char* name;       // "MJPG"
  const char* shownName;  // in the codec edit, with its leading blank
  const char* moduleFile;
  bool (*isKeyFrame)(const uint8_t* payload);
  void (*pictureSize)(const uint8_t* payload, int* width, int* height);
};

const CodecEntry& CodecInfo(int codec);

// Reads byte 3 of a payload: 0xA0..0xA2 Wavelet, 0xB0..0xB1 MPEG4, anything
// else MJPG. The payload must have kPayloadHeadSize readable bytes.
int GetCodecType(const uint8_t* payload);
bool IsKeyFrame(const uint8_t* payload);
void GetPictureSize(const uint8_t* payload, int* width, int* height);
// True for the two key-frame kind bytes the catch-up searches for.
bool IsKeyFrameKind(uint8_t kind);

}  // namespace bv
