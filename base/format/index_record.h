#pragma once
// INDEX_RECORD: one 24-byte index entry per video frame or audio chunk.
#include <cstdint>

#include "base/format/backup_constants.h"
#include "base/platform/le_bytes.h"

namespace bv {

#pragma pack(push, 1)
// A plain record without member initialisers, so a large index can be read
// straight into uninitialised memory; write INDEX_RECORD r{} for a zeroed one.
struct INDEX_RECORD {
  uint16_t year;
  uint16_t millisecond;  // position within the second, paces real-time play
  uint16_t month;
  uint16_t day;
  uint16_t hour;
  uint16_t minute;
  uint16_t second;
  uint8_t camera;  // 0-based
  uint8_t type;    // 0xF0 audio; bit 0x80 on a video frame: audio-paced
  uint32_t offset;  // from the frame base
  uint32_t size;    // payload bytes

  static constexpr int kSize = 24;
  static INDEX_RECORD FromBytes(const uint8_t* p) {
    INDEX_RECORD r{};
    r.year = ReadU16LE(p);
    r.millisecond = ReadU16LE(p + 2);
    r.month = ReadU16LE(p + 4);
    r.day = ReadU16LE(p + 6);
    r.hour = ReadU16LE(p + 8);
    r.minute = ReadU16LE(p + 10);
    r.second = ReadU16LE(p + 12);
    r.camera = p[14];
    r.type = p[15];
    r.offset = ReadU32LE(p + 16);
    r.size = ReadU32LE(p + 20);
    return r;
  }
  void ToBytes(uint8_t* p) const {
    WriteU16LE(p, year);
    WriteU16LE(p + 2, millisecond);
    WriteU16LE(p + 4, month);
    WriteU16LE(p + 6, day);
    WriteU16LE(p + 8, hour);
    WriteU16LE(p + 10, minute);
    WriteU16LE(p + 12, second);
    p[14] = camera;
    p[15] = type;
    WriteU32LE(p + 16, offset);
    WriteU32LE(p + 20, size);
  }

  bool IsAudio() const { return type == kAudioRecordType; }
  // Bit 0x80 marks an audio-paced frame; the audio type 0xF0 also has it, so
  // callers that care test IsAudio first.
  bool IsAudioPaced() const { return (type & kAudioPacedBit) != 0; }
  int SecondOfDay() const { return hour * 3600 + minute * 60 + second; }
};
#pragma pack(pop)
static_assert(sizeof(INDEX_RECORD) == INDEX_RECORD::kSize);

}  // namespace bv
