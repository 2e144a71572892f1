#pragma once
// The three video codecs in one table. Everything that depends on the codec
// (its name, key-frame test, picture size) reads this table; nothing else
// switches on codec numbers.
#include <cstdint>
#include <span>

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

// Wavelet and MPEG-4 payloads start with an 8-byte prefix: bytes 0..2 are
// not examined (recorders store anything there), byte 3 is the kind, bytes
// 4..5 the height and 6..7 the width, big-endian. The coded picture is the
// rest of the payload, up to the record's payload size.
constexpr uint32_t kCodedPayloadPrefixSize = 8;
// The coded picture of a Wavelet or MPEG-4 payload of payloadSize bytes;
// empty when the payload is no longer than its prefix.
inline std::span<const uint8_t> CodedPictureOf(const uint8_t* payload, uint32_t payloadSize) {
  if (payloadSize <= kCodedPayloadPrefixSize) return {};
  return {payload + kCodedPayloadPrefixSize, payloadSize - kCodedPayloadPrefixSize};
}

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
