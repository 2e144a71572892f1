#pragma once
// Decoding one Wavelet payload into the current picture (three 8-bit
// planes, 4:2:0), which is also the reference of the next delta frame.
// Everything is checked before the picture is touched: the prefix, the
// checksum, the reference a delta frame applies to, and the complete
// entropy-coded data. A refused payload leaves the picture as it was.
#include <cstddef>
#include <cstdint>

#include "codecs/wavelet/entropy_tables.h"
#include "codecs/wavelet/inverse_transform.h"
#include "codecs/wavelet/plane_geometry.h"
#include "codecs/wavelet/wavelet_format.h"

namespace bv::wavelet {

inline constexpr int kMaxBlocksPerBand = ((kMaxWidth / 2 + kBlockSize - 1) / kBlockSize) *
                                         ((kMaxHeight / 2 + kBlockSize - 1) / kBlockSize);

// Scratch memory of a decode; no decode allocates.
struct DecoderWorkspace {
  alignas(64) int16_t luma[kMaxWidth * kMaxHeight];
  alignas(64) int16_t chroma[2][kMaxWidth * kMaxHeight / 4];
  alignas(64) int16_t low[2][kMaxWidth * kMaxHeight / 4];
  alignas(64) int16_t rows[kSynthesisRows * kSynthesisRowLength];
  alignas(64) uint8_t blockClasses[kMaxBands][kMaxBlocksPerBand];
  bool tablePresent[kTableCount];
  DecodeTable tables[kTableCount];
};

// The picture planes and the record that says what they hold. The record
// lives in caller memory that may start out as garbage, so it carries a
// magic value and its own check.
inline constexpr size_t kPictureRecordSize = 24;
struct PictureBuffers {
  uint8_t* luma;     // width x height
  uint8_t* cb;       // width/2 x height/2
  uint8_t* cr;       // width/2 x height/2
  uint8_t* record;   // kPictureRecordSize bytes
};

struct PictureRecord {
  int width = 0;
  int height = 0;
  uint32_t identity = 0;
};

// The record's contents, or false when it does not describe a picture.
bool ReadPictureRecord(const uint8_t* record, PictureRecord* out);
void WritePictureRecord(uint8_t* record, const PictureRecord& picture);
void ForgetPicture(uint8_t* record);

enum class DecodeStatus {
  kDecoded,
  kNotWaveletPayload,   // kind byte of another codec
  kUnsupportedSize,     // width or height outside what the format allows
  kBadLength,           // payload too short for the header, or larger than the read buffer
  kChecksumMismatch,    // damaged or truncated coded data
  kNoReference,         // delta frame without the picture it applies to
  kCorruptData,         // tables or entropy-coded data inconsistent
};

struct FrameInfo {
  int width = 0;
  int height = 0;
  uint8_t kind = 0;
  uint32_t identity = 0;
};

// payload: the prefix and coded data, payloadSize bytes in all (the record's
// payload size); nothing past it is read. The prefix's bytes 0..2 are not
// examined.
DecodeStatus DecodeFrame(const uint8_t* payload, size_t payloadSize, DecoderWorkspace& workspace,
                         const PictureBuffers& picture, FrameInfo* info);

}  // namespace bv::wavelet
