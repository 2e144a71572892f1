// "Zr_Sound.dll": the audio compression decoder module. Exports the C entry
// points of module_abi.h; each decoder object is a CGsm610Decoder.
#include <new>
#include <type_traits>

#include "codecs/module_abi.h"
#include "codecs/zr_sound/gsm610_decoder.h"

#define ZR_SOUND_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

zr_sound::CGsm610Decoder* Decoder(void* acm) { return static_cast<zr_sound::CGsm610Decoder*>(acm); }

}  // namespace

ZR_SOUND_EXPORT void* bv_acm_new() { return new (std::nothrow) zr_sound::CGsm610Decoder; }

ZR_SOUND_EXPORT void bv_acm_delete(void* acm) { delete Decoder(acm); }

ZR_SOUND_EXPORT int bv_acm_create(void* acm, unsigned short channels, unsigned long samplesPerSecond,
                                  unsigned short bitsPerSample, unsigned short formatTag) {
  if (!acm) return 0;
  return Decoder(acm)->Create(channels, samplesPerSecond, bitsPerSample, formatTag) ? 1 : 0;
}

ZR_SOUND_EXPORT unsigned long bv_acm_decode(void* acm, unsigned char* input, unsigned long inputLength,
                                            unsigned char* output, unsigned long outputCapacity) {
  if (!acm) return 0;
  return Decoder(acm)->Decode(input, inputLength, output, outputCapacity);
}

ZR_SOUND_EXPORT void bv_acm_destroy(void* acm) {
  if (acm) Decoder(acm)->Destroy();
}

// The entry points keep the signatures the viewer looks them up with.
static_assert(std::is_same_v<decltype(&bv_acm_new), AcmCreateObjectFn>);
static_assert(std::is_same_v<decltype(&bv_acm_delete), AcmDestroyObjectFn>);
static_assert(std::is_same_v<decltype(&bv_acm_create), AcmCreateFn>);
static_assert(std::is_same_v<decltype(&bv_acm_decode), AcmDecodeFn>);
static_assert(std::is_same_v<decltype(&bv_acm_destroy), AcmDestroyFn>);
