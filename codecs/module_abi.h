#pragma once
// The C entry points each codec module exports. The viewer-side classes
// (CZRMP4Decoder, CMVIADec, kvr_base_acm::CBase_ACM, the MJPEG driver's
// Video for Windows layer) look these up in the loaded module and forward to
// them; nothing else of a module is visible to the viewer.
//
// Wavelet and MPEG-4 payloads (kind byte 0xA0..0xA2 / 0xB0..0xB1) start with
// an 8-byte prefix:
//   bytes 0..2  anything (recorders store what they like there)
//   byte  3     kind
//   bytes 4..5  picture height, big-endian
//   bytes 6..7  picture width, big-endian
// The coded picture is everything after the prefix up to the record's
// payload size, which the viewer passes beside the call (payloadSize, the
// index record's size). The decoders read nothing past payloadSize, and
// refuse a payloadSize larger than the read buffer (0x129000 bytes).
#include <cstdint>

extern "C" {

// --- "decoderdll.dll", the Wavelet decoder -------------------------------
// object: the first 4 bytes of the viewer's work block; plane1..plane7 the
// work planes that follow it. rgb 1: 24-bit B, G, R rows, top row first;
// rgb 0: packed YUY2 rows, top row first. Returns >= 0 on success, < 0 when
// the payload is refused (output then untouched).
using WaveletDecodeFn = int (*)(void* object, uint8_t* plane1, uint8_t* plane2, uint8_t* plane3,
                                uint8_t* plane4, uint8_t* plane5, uint8_t* plane6, uint8_t* plane7,
                                uint8_t* payload, uint8_t* output, int arg10, int rgb, int arg12, int arg13,
                                uint32_t payloadSize);
inline constexpr const char* kWaveletDecodeSymbol = "bv_wavelet_decode_payload";

// --- "ZRMP4.dll", the MPEG-4 Part 2 decoder -------------------------------
// create: a decoder instance (null on failure); destroy frees it.
// decode: payload as above; rgb 1: 24-bit B, G, R rows top row first; rgb 0:
// packed YUY2. Returns 0 for a clean picture, kMpeg4Concealed for a picture
// the library decoded with damage concealed, < 0 when no picture came out.
// A null output decodes the picture (the decoder moves on to it) without
// converting it.
using Mpeg4CreateFn = void* (*)();
using Mpeg4DestroyFn = void (*)(void* decoder);
using Mpeg4DecodeFn = int (*)(void* decoder, uint8_t* payload, uint8_t* output, int rgb, int arg4, void* arg5,
                              uint32_t payloadSize);
inline constexpr int kMpeg4Concealed = 1;
inline constexpr const char* kMpeg4CreateSymbol = "bv_zrmp4_create";
inline constexpr const char* kMpeg4DestroySymbol = "bv_zrmp4_destroy";
inline constexpr const char* kMpeg4DecodeSymbol = "bv_zrmp4_decode_payload";
// Optional: decode with the same arguments, 24-bit rows bottom row first (as
// the DIB presentation holds them), so that the viewer need not flip them.
inline constexpr const char* kMpeg4DecodeBottomUpSymbol = "bv_zrmp4_decode_payload_bottom_up";
// Optional: decode with the same arguments into the picture's 4:2:0 planes
// (Y, Cb, Cr one after the other, width * height * 3 / 2 bytes; even sizes
// only), which the viewer keeps while stepping back through a group.
inline constexpr const char* kMpeg4DecodePlanarSymbol = "bv_zrmp4_decode_payload_planar";

// --- "Zr_Sound.dll", the audio compression (GSM 6.10) decoder -------------
using AcmCreateObjectFn = void* (*)();
using AcmDestroyObjectFn = void (*)(void* acm);
using AcmCreateFn = int (*)(void* acm, unsigned short channels, unsigned long samplesPerSecond,
                            unsigned short bitsPerSample, unsigned short formatTag);
using AcmDecodeFn = unsigned long (*)(void* acm, unsigned char* input, unsigned long inputLength,
                                      unsigned char* output, unsigned long outputCapacity);
using AcmDestroyFn = void (*)(void* acm);
inline constexpr const char* kAcmCreateObjectSymbol = "bv_acm_new";
inline constexpr const char* kAcmDestroyObjectSymbol = "bv_acm_delete";
inline constexpr const char* kAcmCreateSymbol = "bv_acm_create";
inline constexpr const char* kAcmDecodeSymbol = "bv_acm_decode";
inline constexpr const char* kAcmDestroySymbol = "bv_acm_destroy";

// --- "Mjpg32_g.dll", the MJPEG Video for Windows driver ---------------------
// The driver entry point, as an installable driver's DriverProc: driverId
// identifies an open instance, message is a DRV_* or ICM_* code. Besides the
// standard messages the driver answers ICM_BV_DAMAGE_OF_LAST_FRAME (vfw_abi.h)
// with the number of faults libjpeg reported (and worked around) in the last
// frame it decompressed; a driver that does not know it answers
// ICERR_UNSUPPORTED (negative).
using DriverProcFn = intptr_t (*)(uintptr_t driverId, void* driverHandle, unsigned message, intptr_t param1,
                                  intptr_t param2);
inline constexpr const char* kDriverProcSymbol = "DriverProc";

}  // extern "C"
