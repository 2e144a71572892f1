#include "outputs/mpeg4_stream_head.h"

namespace bv {
namespace {

constexpr uint8_t kGroupOfVopStartCode = 0xB3;
constexpr uint8_t kVopStartCode = 0xB6;
// video_object_layer_start_code: 0x20..0x2F.
bool IsVideoObjectLayerCode(uint8_t code) { return (code & 0xF0) == 0x20; }

}  // namespace

Mpeg4StreamHead ScanMpeg4StreamHead(std::span<const uint8_t> stream) {
  Mpeg4StreamHead head;
  head.configLength = stream.size();
  bool configEnded = false;
  for (size_t i = 0; i + 3 < stream.size(); ++i) {
    if (stream[i] != 0 || stream[i + 1] != 0 || stream[i + 2] != 1) continue;
    const uint8_t code = stream[i + 3];
    if (IsVideoObjectLayerCode(code) && !configEnded) head.hasVideoObjectLayer = true;
    if ((code == kGroupOfVopStartCode || code == kVopStartCode) && !configEnded) {
      head.configLength = i;
      configEnded = true;
    }
    if (code != kVopStartCode) continue;
    // vop_coding_type: the two bits after the start code.
    if (i + 4 < stream.size()) head.pictureType = static_cast<Mpeg4PictureType>(stream[i + 4] >> 6);
    return head;
  }
  return head;
}

}  // namespace bv
