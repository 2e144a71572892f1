#pragma once
// What an installable video codec driver and its caller agree on: the driver
// and ICM message numbers, result codes, modes and flags with their Windows
// values, and the two structures passed by pointer (ICOPEN with DRV_OPEN,
// ICDECOMPRESS with ICM_DECOMPRESS). Shared by the in-project Video for
// Windows layer (vfw.h) and the MJPEG driver module.
#include <cstdint>

#include "base/platform/platform_types.h"

namespace bv {

// Installable-driver messages.
constexpr unsigned DRV_LOAD = 0x0001;
constexpr unsigned DRV_ENABLE = 0x0002;
constexpr unsigned DRV_OPEN = 0x0003;
constexpr unsigned DRV_CLOSE = 0x0004;
constexpr unsigned DRV_DISABLE = 0x0005;
constexpr unsigned DRV_FREE = 0x0006;
constexpr unsigned DRV_USER = 0x4000;

// Installable-compressor messages (ICM_USER is DRV_USER).
constexpr unsigned ICM_USER = DRV_USER;
constexpr unsigned ICM_DECOMPRESS_GET_FORMAT = ICM_USER + 10;
constexpr unsigned ICM_DECOMPRESS_QUERY = ICM_USER + 11;
constexpr unsigned ICM_DECOMPRESS_BEGIN = ICM_USER + 12;
constexpr unsigned ICM_DECOMPRESS = ICM_USER + 13;
constexpr unsigned ICM_DECOMPRESS_END = ICM_USER + 14;
// This project's MJPEG driver only: how many faults libjpeg reported (and
// worked around) in the last frame decompressed on the instance; 0 for a
// clean frame. Other drivers answer ICERR_UNSUPPORTED.
constexpr unsigned ICM_BV_DAMAGE_OF_LAST_FRAME = ICM_USER + 0x0B00;

// Results of the ICM messages.
constexpr intptr_t ICERR_OK = 0;
constexpr intptr_t ICERR_UNSUPPORTED = -1;
constexpr intptr_t ICERR_BADFORMAT = -2;
constexpr intptr_t ICERR_MEMORY = -3;
constexpr intptr_t ICERR_INTERNAL = -4;
constexpr intptr_t ICERR_BADFLAGS = -5;
constexpr intptr_t ICERR_BADPARAM = -6;
constexpr intptr_t ICERR_BADSIZE = -7;
constexpr intptr_t ICERR_BADHANDLE = -8;
constexpr intptr_t ICERR_ERROR = -100;

// Open modes (ICOPEN::dwFlags, ICLocate's wFlags).
constexpr uint16_t ICMODE_COMPRESS = 1;
constexpr uint16_t ICMODE_DECOMPRESS = 2;
constexpr uint16_t ICMODE_FASTDECOMPRESS = 3;
constexpr uint16_t ICMODE_QUERY = 4;

// ICDECOMPRESS::dwFlags.
constexpr uint32_t ICDECOMPRESS_HURRYUP = 0x80000000u;
constexpr uint32_t ICDECOMPRESS_UPDATE = 0x40000000u;
constexpr uint32_t ICDECOMPRESS_PREROLL = 0x20000000u;
constexpr uint32_t ICDECOMPRESS_NULLFRAME = 0x10000000u;
constexpr uint32_t ICDECOMPRESS_NOTKEYFRAME = 0x08000000u;

// Type of video compressors, as registered ("vidc.XXXX").
constexpr uint32_t ICTYPE_VIDEO = MakeFourCC('v', 'i', 'd', 'c');

// Compression 0 of a bitmap header: uncompressed RGB.
constexpr uint32_t BI_RGB = 0;

// Passed with DRV_OPEN as the second parameter.
struct ICOPEN {
  uint32_t dwSize = sizeof(ICOPEN);
  uint32_t fccType = 0;
  uint32_t fccHandler = 0;
  uint32_t dwVersion = 0;
  uint32_t dwFlags = 0;  // ICMODE_*
  intptr_t dwError = ICERR_OK;
  void* pV1Reserved = nullptr;
  void* pV2Reserved = nullptr;
  uint32_t dnDevNode = 0;
};

// Passed with ICM_DECOMPRESS as the first parameter (its size as the second).
struct ICDECOMPRESS {
  uint32_t dwFlags = 0;  // ICDECOMPRESS_*
  BITMAPINFOHEADER* lpbiInput = nullptr;
  void* lpInput = nullptr;  // lpbiInput->biSizeImage bytes
  BITMAPINFOHEADER* lpbiOutput = nullptr;
  void* lpOutput = nullptr;
  uint32_t ckid = 0;
};

}  // namespace bv
