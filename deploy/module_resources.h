#pragma once
// The codec modules the viewer carries, as resources of type "DLL" by ID:
// 131 the Wavelet decoder, 129 the MPEG-4 decoder, 142 the audio decoder,
// 144 the MJPEG driver. The build embeds the modules it made.
#include <cstdint>
#include <span>

namespace bv {

constexpr int kResourceWaveletModule = 131;
constexpr int kResourceMpeg4Module = 129;
constexpr int kResourceAudioModule = 142;
constexpr int kResourceMjpegDriver = 144;

// The bytes of a "DLL" resource; empty when the program has none of that ID.
std::span<const uint8_t> FindDllResource(int id);

}  // namespace bv
