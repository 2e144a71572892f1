#include "deploy/module_resources.h"

// Symbols made by the generated assembly file that includes the modules.
extern "C" {
extern const uint8_t bv_dll_131_begin[], bv_dll_131_end[];
extern const uint8_t bv_dll_129_begin[], bv_dll_129_end[];
extern const uint8_t bv_dll_142_begin[], bv_dll_142_end[];
extern const uint8_t bv_dll_144_begin[], bv_dll_144_end[];
}

namespace bv {

std::span<const uint8_t> FindDllResource(int id) {
  switch (id) {
    case kResourceWaveletModule:
      return {bv_dll_131_begin, bv_dll_131_end};
    case kResourceMpeg4Module:
      return {bv_dll_129_begin, bv_dll_129_end};
    case kResourceAudioModule:
      return {bv_dll_142_begin, bv_dll_142_end};
    case kResourceMjpegDriver:
      return {bv_dll_144_begin, bv_dll_144_end};
    default:
      return {};
  }
}

}  // namespace bv
