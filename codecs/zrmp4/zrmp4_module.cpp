// "ZRMP4.dll": the MPEG-4 decoder module. Its three entry points create a
// decoder instance, decode one payload with it and destroy it.
#include <type_traits>

#include "codecs/module_abi.h"
#include "codecs/zrmp4/mpeg4_decoder.h"

#define BV_EXPORT extern "C" __attribute__((visibility("default")))

BV_EXPORT void* bv_zrmp4_create() { return bv::zrmp4::CMpeg4Decoder::Create().release(); }

BV_EXPORT void bv_zrmp4_destroy(void* decoder) { delete static_cast<bv::zrmp4::CMpeg4Decoder*>(decoder); }

BV_EXPORT int bv_zrmp4_decode_payload(void* decoder, uint8_t* payload, uint8_t* output, int rgb, int /*arg4*/,
                                      void* /*arg5*/, uint32_t payloadSize) {
  if (!decoder) return -1;
  return static_cast<bv::zrmp4::CMpeg4Decoder*>(decoder)->Decode(payload, payloadSize, output, rgb);
}

BV_EXPORT int bv_zrmp4_decode_payload_bottom_up(void* decoder, uint8_t* payload, uint8_t* output, int rgb,
                                                int /*arg4*/, void* /*arg5*/, uint32_t payloadSize) {
  if (!decoder) return -1;
  return static_cast<bv::zrmp4::CMpeg4Decoder*>(decoder)->Decode(payload, payloadSize, output, rgb,
                                                                 bv::zrmp4::RowOrder::kBottomRowFirst);
}

BV_EXPORT int bv_zrmp4_decode_payload_planar(void* decoder, uint8_t* payload, uint8_t* output, int rgb, int /*arg4*/,
                                             void* /*arg5*/, uint32_t payloadSize) {
  if (!decoder) return -1;
  return static_cast<bv::zrmp4::CMpeg4Decoder*>(decoder)->Decode(payload, payloadSize, output, rgb,
                                                                 bv::zrmp4::RowOrder::kPlanar420);
}

// The signatures must stay the ones the viewer calls.
static_assert(std::is_same_v<decltype(&bv_zrmp4_create), Mpeg4CreateFn>);
static_assert(std::is_same_v<decltype(&bv_zrmp4_destroy), Mpeg4DestroyFn>);
static_assert(std::is_same_v<decltype(&bv_zrmp4_decode_payload), Mpeg4DecodeFn>);
static_assert(std::is_same_v<decltype(&bv_zrmp4_decode_payload_bottom_up), Mpeg4DecodeFn>);
static_assert(std::is_same_v<decltype(&bv_zrmp4_decode_payload_planar), Mpeg4DecodeFn>);
