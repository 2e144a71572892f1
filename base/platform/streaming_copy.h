#pragma once
// Copies into memory that is not read again soon (pictures kept for later):
// the bytes are written past the processor's caches, without reading the
// destination in first, which halves the memory traffic of a plain copy and
// leaves the caches to the data in use. StreamFence after a run of copies.
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace bv {

inline void StreamBytes(const uint8_t* source, uint8_t* destination, size_t bytes) {
  size_t done = 0;
#if defined(__SSE2__)
  const size_t head = (16 - (reinterpret_cast<uintptr_t>(destination) & 15)) & 15;
  if (bytes >= head + 16) {
    std::memcpy(destination, source, head);
    for (done = head; done + 16 <= bytes; done += 16) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + done));
      _mm_stream_si128(reinterpret_cast<__m128i*>(destination + done), block);
    }
  }
#endif
  std::memcpy(destination + done, source + done, bytes - done);
}

// Orders the streamed bytes before any later store (and before another
// thread reads them).
inline void StreamFence() {
#if defined(__SSE2__)
  _mm_sfence();
#endif
}

// rows rows of rowBytes from source (rows sourceStride apart) to destination
// (rows destinationStride apart), streamed.
inline void StreamRows(const uint8_t* source, ptrdiff_t sourceStride, uint8_t* destination,
                       ptrdiff_t destinationStride, size_t rowBytes, int rows) {
  for (int row = 0; row < rows; ++row) {
    StreamBytes(source + row * sourceStride, destination + row * destinationStride, rowBytes);
  }
  StreamFence();
}

}  // namespace bv
