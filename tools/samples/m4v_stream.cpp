#include "tools/samples/m4v_stream.h"

#include <algorithm>

namespace bv::samples {
namespace {

constexpr uint8_t kVopStartCode = 0xB6;
bool IsVolStartCode(uint8_t code) { return code >= 0x20 && code <= 0x2F; }
bool IsStartCodePrefix(const uint8_t* p) { return p[0] == 0 && p[1] == 0 && p[2] == 1; }

// Most significant bit first; reading past the end sets a flag and gives 0.
class BitReader {
 public:
  explicit BitReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint32_t Read(int bits) {
    uint32_t value = 0;
    for (int i = 0; i < bits; ++i) {
      if (position_ >= bytes_.size() * 8) {
        overrun_ = true;
        return 0;
      }
      value = (value << 1) | ((bytes_[position_ / 8] >> (7 - position_ % 8)) & 1u);
      ++position_;
    }
    return value;
  }
  bool Marker() { return Read(1) == 1; }
  bool Overrun() const { return overrun_; }

 private:
  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
  bool overrun_ = false;
};

}  // namespace

bool CM4vSplitter::Feed(std::span<const uint8_t> bytes) {
  if (!error_.empty()) return false;
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  return Scan();
}

bool CM4vSplitter::Scan() {
  size_t start = 0;  // where the picture being gathered begins in pending_
  size_t i = scanned_;
  // A start code takes four bytes: one at i can be told only once i + 3 is in.
  while (i + 3 < pending_.size()) {
    if (!IsStartCodePrefix(pending_.data() + i)) {
      ++i;
      continue;
    }
    const uint8_t code = pending_[i + 3];
    if (!started_) {
      ignored_ += i - start;
      start = i;
      started_ = true;
    } else if (inVop_) {
      // Any start code ends a VOP's coded data.
      if (!Emit(start, i)) return false;
      start = i;
    }
    if (code == kVopStartCode) {
      inVop_ = true;
      vopAt_ = i;
    } else if (IsVolStartCode(code)) {
      volSeen_ = true;
    }
    i += 4;
  }
  if (!started_) {
    // Nothing to keep yet but the bytes that may begin a start code.
    const size_t keep = std::min<size_t>(pending_.size(), 3);
    start = pending_.size() - keep;
    ignored_ += start;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start));
  scanned_ = i - start;
  vopAt_ -= inVop_ ? start : 0;
  return true;
}

bool CM4vSplitter::Emit(size_t start, size_t end) {
  // The two bits after the start code are the coding type (0: intra).
  if (end <= vopAt_ + 4) {
    error_ = "a VOP without its coding type at picture " + std::to_string(pictures_);
    return false;
  }
  M4vPicture picture;
  picture.bytes = std::span<const uint8_t>(pending_.data() + start, end - start);
  picture.key = (pending_[vopAt_ + 4] >> 6) == 0;
  picture.hasVol = volSeen_;
  sink_(picture);
  ++pictures_;
  inVop_ = false;
  volSeen_ = false;
  return true;
}

bool CM4vSplitter::Finish() {
  if (!error_.empty()) return false;
  bool ok = true;
  if (inVop_) {
    ok = Emit(0, pending_.size());
  } else {
    ignored_ += pending_.size();
  }
  pending_.clear();
  scanned_ = 0;
  started_ = false;
  return ok;
}

bool ReadVolPictureSize(std::span<const uint8_t> vol, int* width, int* height) {
  BitReader bits(vol);
  bits.Read(1);  // random_accessible_vol
  bits.Read(8);  // video_object_type_indication
  uint32_t verid = 1;
  if (bits.Read(1)) {  // is_object_layer_identifier
    verid = bits.Read(4);
    bits.Read(3);  // priority
  }
  if (bits.Read(4) == 15) bits.Read(16);  // extended pixel aspect ratio
  if (bits.Read(1)) {                     // vol_control_parameters
    bits.Read(3);                         // chroma_format, low_delay
    if (bits.Read(1)) bits.Read(79);      // vbv_parameters with their markers
  }
  const uint32_t shape = bits.Read(2);
  if (shape == 3 && verid != 1) bits.Read(4);
  if (!bits.Marker()) return false;
  const uint32_t resolution = bits.Read(16);
  if (!bits.Marker() || resolution == 0) return false;
  if (bits.Read(1)) {  // fixed_vop_rate: an increment as wide as resolution - 1 needs
    int increment = 1;
    while (increment < 16 && (resolution - 1) >> increment) ++increment;
    bits.Read(increment);
  }
  if (shape != 0) return false;  // only rectangular layers carry a size
  if (!bits.Marker()) return false;
  const uint32_t w = bits.Read(13);
  if (!bits.Marker()) return false;
  const uint32_t h = bits.Read(13);
  if (!bits.Marker() || bits.Overrun()) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

bool FindVolPictureSize(std::span<const uint8_t> bytes, int* width, int* height) {
  for (size_t i = 0; i + 3 < bytes.size(); ++i) {
    if (IsStartCodePrefix(bytes.data() + i) && IsVolStartCode(bytes[i + 3])) {
      return ReadVolPictureSize(bytes.subspan(i + 4), width, height);
    }
  }
  return false;
}

}  // namespace bv::samples
