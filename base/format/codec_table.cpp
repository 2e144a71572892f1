#include "base/format/codec_table.h"

#include "base/platform/le_bytes.h"

namespace bv {
namespace {

bool MjpgIsKeyFrame(const uint8_t*) { return true; }
bool WaveletIsKeyFrame(const uint8_t* p) { return p[3] == kWaveletKeyFrame; }
bool Mpeg4IsKeyFrame(const uint8_t* p) { return p[3] == kMpeg4KeyFrame; }

// MJPG payloads start with a bitmap information header.
void MjpgPictureSize(const uint8_t* p, int* width, int* height) {
  *width = ReadI32LE(p + 4);
  *height = ReadI32LE(p + 8);
}
// Wavelet and MPEG4 payloads carry height then width as big-endian u16.
void PrefixPictureSize(const uint8_t* p, int* width, int* height) {
  *width = ReadU16BE(p + 6);
  *height = ReadU16BE(p + 4);
}

const CodecEntry kCodecs[kCodecCount] = {
    {"MJPG", " MJPG", "Mjpg32_g.dll", MjpgIsKeyFrame, MjpgPictureSize},
    {"Wavelet", " Wavelet", "decoderdll.dll", WaveletIsKeyFrame, PrefixPictureSize},
    {"MPEG4", " MPEG4", "ZRMP4.dll", Mpeg4IsKeyFrame, PrefixPictureSize},
};

}  // namespace

const CodecEntry& CodecInfo(int codec) { return kCodecs[codec]; }

int GetCodecType(const uint8_t* payload) {
  switch (payload[3]) {
    case kWaveletKeyFrame:
    case kWaveletDeltaFrame1:
    case kWaveletDeltaFrame2:
      return kCodecWavelet;
    case kMpeg4KeyFrame:
    case kMpeg4DeltaFrame:
      return kCodecMPEG4;
    default:
      return kCodecMJPG;
  }
}

bool IsKeyFrame(const uint8_t* payload) { return CodecInfo(GetCodecType(payload)).isKeyFrame(payload); }

void GetPictureSize(const uint8_t* payload, int* width, int* height) {
  CodecInfo(GetCodecType(payload)).pictureSize(payload, width, height);
}

bool IsKeyFrameKind(uint8_t kind) { return kind == kWaveletKeyFrame || kind == kMpeg4KeyFrame; }

}  // namespace bv
