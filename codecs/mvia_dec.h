#pragma once
// CMVIADec: the viewer's Wavelet decoder object. It has no state of its own:
// the engine calls it on the first 4 bytes of its work block, which it never
// constructs or destroys. The first call loads "decoderdll.dll" from the
// system directory and every call forwards to the module's entry point, with
// the object's address; without the module every call fails (negative).
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace bv {

// The viewer's Wavelet work block: the decoder object in its first 4 bytes,
// then seven work planes at these offsets.
constexpr size_t kWaveletWorkBlockSize = 1631236;
constexpr size_t kWaveletPlaneOffsets[7] = {4, 414724, 516100, 617476, 1022980, 1124356, 1225732};

class CMVIADec {
 public:
  // plane1..plane7: the work planes of the work block; payload: the Wavelet
  // payload (8-byte prefix, then the coded picture up to payloadSize, the
  // record's payload size); output: rgb 1 gives 24-bit B, G, R rows top row
  // first, rgb 0 packed YUY2. The engine passes 0, rgb, 0, 2 for
  // arg10..arg13. Negative when the payload is refused.
  int MVIADecDll(uint8_t* plane1, uint8_t* plane2, uint8_t* plane3, uint8_t* plane4, uint8_t* plane5,
                 uint8_t* plane6, uint8_t* plane7, uint8_t* payload, uint8_t* output, int arg10, int rgb,
                 int arg12, int arg13, uint32_t payloadSize);
};

// Lives in memory the viewer does not construct: it must stay a trivial type
// that fits in 4 bytes.
static_assert(std::is_trivial_v<CMVIADec> && sizeof(CMVIADec) <= 4);

}  // namespace bv
