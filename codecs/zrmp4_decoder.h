#pragma once
// CZRMP4Decoder: the viewer's MPEG-4 decoder object. It loads "ZRMP4.dll"
// from the system directory on first use and forwards to the module's
// decoder instance; without the module every call fails (negative).
#include <cstdint>

#include "codecs/module_abi.h"

namespace bv {

class CZRMP4Decoder {
 public:
  CZRMP4Decoder() = default;
  ~CZRMP4Decoder();
  CZRMP4Decoder(const CZRMP4Decoder&) = delete;
  CZRMP4Decoder& operator=(const CZRMP4Decoder&) = delete;

  // Decodes one MPEG-4 payload (8-byte prefix, then stream data up to
  // payloadSize, the record's payload size) into out: rgb 1 gives 24-bit
  // B, G, R rows top row first (width * height * 3 bytes), rgb 0 packed YUY2
  // (width * height * 2). 0 for a clean picture, kMpeg4Concealed when the
  // library concealed damage in it, negative when no picture came out (out
  // unchanged). A null out decodes the picture without converting it: the
  // decoder moves on to it (catching up to a later frame). arg4 and arg5 are
  // passed on (0 and null).
  int Decode(uint8_t* payload, uint8_t* out, int rgb, int arg4, void* arg5, uint32_t payloadSize);
  // Whether the module can write 24-bit pictures bottom row first.
  bool WritesBottomUp();
  // Decode with rgb 1, the rows bottom row first; negative without the
  // module or without that entry point.
  int DecodeBottomUp(uint8_t* payload, uint8_t* out, uint32_t payloadSize);
  // Whether the module can write a picture's 4:2:0 planes; DecodePlanar
  // writes them (width * height * 3 / 2 bytes, even sizes only), negative
  // without the module or that entry point.
  bool WritesPlanes();
  int DecodePlanar(uint8_t* payload, uint8_t* out, uint32_t payloadSize);

 private:
  bool EnsureInstance();

  void* instance_ = nullptr;
  Mpeg4DecodeFn decode_ = nullptr;
  Mpeg4DecodeFn decodeBottomUp_ = nullptr;
  Mpeg4DecodeFn decodePlanar_ = nullptr;
  Mpeg4DestroyFn destroy_ = nullptr;
};

}  // namespace bv
