#include "codecs/zrmp4/mpeg4_stream.h"

namespace bv::zrmp4 {
namespace {

constexpr uint8_t kVopStartCode = 0xB6;
// video_object_layer_start_code: 0x20..0x2F after the 00 00 01 prefix.
bool IsVolStartCode(uint8_t code) { return code >= 0x20 && code <= 0x2F; }

}  // namespace

StreamLayout ScanStream(const uint8_t* data, size_t size) {
  StreamLayout layout;
  layout.vopStart = size;
  for (size_t i = 0; i + 3 < size; ++i) {
    if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1) continue;
    const uint8_t code = data[i + 3];
    if (IsVolStartCode(code)) layout.hasVolHeader = true;
    if (code != kVopStartCode) continue;
    layout.vopStart = i;
    if (i + 4 < size) layout.vopType = static_cast<VopType>(data[i + 4] >> 6);
    break;
  }
  return layout;
}

}  // namespace bv::zrmp4
