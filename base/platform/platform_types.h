#pragma once
// The Windows records that backup, still-image and event files embed, with
// their exact packed sizes. Files are decoded field by field (le_bytes.h);
// the structs are the in-memory form.
#include <cstdint>

#include "base/platform/le_bytes.h"

namespace bv {

using COLORREF = uint32_t;  // 0x00BBGGRR

constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
  return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
         (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}
constexpr uint32_t kFourCC_MJPG = MakeFourCC('M', 'J', 'P', 'G');
constexpr uint32_t kFourCC_UYVY = MakeFourCC('U', 'Y', 'V', 'Y');
constexpr uint32_t kFourCC_YUY2 = MakeFourCC('Y', 'U', 'Y', '2');

#pragma pack(push, 1)

struct SYSTEMTIME {
  uint16_t wYear = 0;
  uint16_t wMonth = 0;
  uint16_t wDayOfWeek = 0;
  uint16_t wDay = 0;
  uint16_t wHour = 0;
  uint16_t wMinute = 0;
  uint16_t wSecond = 0;
  uint16_t wMilliseconds = 0;

  static constexpr int kSize = 16;
  static SYSTEMTIME FromBytes(const uint8_t* p) {
    SYSTEMTIME t;
    t.wYear = ReadU16LE(p);
    t.wMonth = ReadU16LE(p + 2);
    t.wDayOfWeek = ReadU16LE(p + 4);
    t.wDay = ReadU16LE(p + 6);
    t.wHour = ReadU16LE(p + 8);
    t.wMinute = ReadU16LE(p + 10);
    t.wSecond = ReadU16LE(p + 12);
    t.wMilliseconds = ReadU16LE(p + 14);
    return t;
  }
  void ToBytes(uint8_t* p) const {
    WriteU16LE(p, wYear);
    WriteU16LE(p + 2, wMonth);
    WriteU16LE(p + 4, wDayOfWeek);
    WriteU16LE(p + 6, wDay);
    WriteU16LE(p + 8, wHour);
    WriteU16LE(p + 10, wMinute);
    WriteU16LE(p + 12, wSecond);
    WriteU16LE(p + 14, wMilliseconds);
  }
};

struct BITMAPINFOHEADER {
  uint32_t biSize = 0;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;

  static constexpr int kSize = 40;
  static BITMAPINFOHEADER FromBytes(const uint8_t* p) {
    BITMAPINFOHEADER h;
    h.biSize = ReadU32LE(p);
    h.biWidth = ReadI32LE(p + 4);
    h.biHeight = ReadI32LE(p + 8);
    h.biPlanes = ReadU16LE(p + 12);
    h.biBitCount = ReadU16LE(p + 14);
    h.biCompression = ReadU32LE(p + 16);
    h.biSizeImage = ReadU32LE(p + 20);
    h.biXPelsPerMeter = ReadI32LE(p + 24);
    h.biYPelsPerMeter = ReadI32LE(p + 28);
    h.biClrUsed = ReadU32LE(p + 32);
    h.biClrImportant = ReadU32LE(p + 36);
    return h;
  }
  void ToBytes(uint8_t* p) const {
    WriteU32LE(p, biSize);
    WriteI32LE(p + 4, biWidth);
    WriteI32LE(p + 8, biHeight);
    WriteU16LE(p + 12, biPlanes);
    WriteU16LE(p + 14, biBitCount);
    WriteU32LE(p + 16, biCompression);
    WriteU32LE(p + 20, biSizeImage);
    WriteI32LE(p + 24, biXPelsPerMeter);
    WriteI32LE(p + 28, biYPelsPerMeter);
    WriteU32LE(p + 32, biClrUsed);
    WriteU32LE(p + 36, biClrImportant);
  }
};

struct BITMAPFILEHEADER {
  uint16_t bfType = 0;
  uint32_t bfSize = 0;
  uint16_t bfReserved1 = 0;
  uint16_t bfReserved2 = 0;
  uint32_t bfOffBits = 0;

  static constexpr int kSize = 14;
  static BITMAPFILEHEADER FromBytes(const uint8_t* p) {
    BITMAPFILEHEADER h;
    h.bfType = ReadU16LE(p);
    h.bfSize = ReadU32LE(p + 2);
    h.bfReserved1 = ReadU16LE(p + 6);
    h.bfReserved2 = ReadU16LE(p + 8);
    h.bfOffBits = ReadU32LE(p + 10);
    return h;
  }
  void ToBytes(uint8_t* p) const {
    WriteU16LE(p, bfType);
    WriteU32LE(p + 2, bfSize);
    WriteU16LE(p + 6, bfReserved1);
    WriteU16LE(p + 8, bfReserved2);
    WriteU32LE(p + 10, bfOffBits);
  }
};

#pragma pack(pop)

static_assert(sizeof(SYSTEMTIME) == SYSTEMTIME::kSize);
static_assert(sizeof(BITMAPINFOHEADER) == BITMAPINFOHEADER::kSize);
static_assert(sizeof(BITMAPFILEHEADER) == BITMAPFILEHEADER::kSize);

}  // namespace bv
