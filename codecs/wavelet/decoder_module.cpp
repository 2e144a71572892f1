// The "decoderdll.dll" module: the viewer's Wavelet decoder entry point.
// The decoded picture (Y in plane 4, Cb in plane 5, Cr in plane 6) is the
// reference of the next delta frame and stays there between calls; a small
// record at the start of plane 1 says which picture the planes hold. The
// entropy-decoding scratch memory is static, so no call allocates.
#include <mutex>
#include <type_traits>

#include "codecs/module_abi.h"
#include "codecs/wavelet/colour_output.h"
#include "codecs/wavelet/wavelet_decoder.h"

namespace {

bv::wavelet::DecoderWorkspace g_workspace;
// The viewer decodes on one thread at a time; the lock keeps the shared
// scratch memory safe should two callers ever overlap.
std::mutex g_workspaceMutex;

}  // namespace

extern "C" __attribute__((visibility("default"))) int bv_wavelet_decode_payload(
    void* /*object*/, uint8_t* plane1, uint8_t* /*plane2*/, uint8_t* /*plane3*/, uint8_t* plane4, uint8_t* plane5,
    uint8_t* plane6, uint8_t* /*plane7*/, uint8_t* payload, uint8_t* output, int /*arg10*/, int rgb, int /*arg12*/,
    int /*arg13*/, uint32_t payloadSize) {
  using namespace bv::wavelet;
  if (!plane1 || !plane4 || !plane5 || !plane6 || !payload || !output) return -1;
  std::lock_guard lock(g_workspaceMutex);
  const PictureBuffers picture{plane4, plane5, plane6, plane1};
  FrameInfo info;
  const DecodeStatus status = DecodeFrame(payload, payloadSize, g_workspace, picture, &info);
  if (status != DecodeStatus::kDecoded) return -1 - static_cast<int>(status);
  const PlaneView view{plane4, plane5, plane6, info.width, info.height};
  if (rgb != 0) {
    WriteBgr(view, output);
    return info.width * info.height * 3;
  }
  WriteYuy2(view, output);
  return info.width * info.height * 2;
}

// The signature must stay the one the viewer calls.
static_assert(std::is_same_v<decltype(&bv_wavelet_decode_payload), WaveletDecodeFn>);
