#include "codecs/mvia_dec.h"

#include <atomic>

#include "codecs/codec_module.h"
#include "codecs/module_abi.h"

namespace bv {
namespace {

constexpr const char* kModuleFile = "decoderdll.dll";

// The module's entry point, found once; looked for again while it is missing.
WaveletDecodeFn Entry() {
  static std::atomic<WaveletDecodeFn> entry{nullptr};
  if (WaveletDecodeFn known = entry.load(std::memory_order_acquire)) return known;
  CCodecModule* module = CCodecModule::Load(kModuleFile);
  if (!module) return nullptr;
  const auto found = module->Function<WaveletDecodeFn>(kWaveletDecodeSymbol);
  entry.store(found, std::memory_order_release);
  return found;
}

}  // namespace

int CMVIADec::MVIADecDll(uint8_t* plane1, uint8_t* plane2, uint8_t* plane3, uint8_t* plane4, uint8_t* plane5,
                         uint8_t* plane6, uint8_t* plane7, uint8_t* payload, uint8_t* output, int arg10, int rgb,
                         int arg12, int arg13, uint32_t payloadSize) {
  const WaveletDecodeFn entry = Entry();
  if (!entry) return -1;
  return entry(this, plane1, plane2, plane3, plane4, plane5, plane6, plane7, payload, output, arg10, rgb, arg12,
               arg13, payloadSize);
}

}  // namespace bv
