#pragma once
// What the MPEG-4 module reads of an elementary stream itself, before the
// library sees it: where the configuration headers (visual object sequence,
// visual object, video object layer) end and the first picture (VOP) starts,
// and that picture's coding type.
#include <cstddef>
#include <cstdint>

namespace bv::zrmp4 {

enum class VopType : uint8_t { kIntra = 0, kPredicted = 1, kBidirectional = 2, kSprite = 3, kNone = 4 };

struct StreamLayout {
  size_t vopStart = 0;         // offset of the first VOP start code (size when none)
  bool hasVolHeader = false;   // a video object layer start code precedes it
  VopType vopType = VopType::kNone;
};

// Scans data (size bytes) for start codes up to and including the first VOP.
StreamLayout ScanStream(const uint8_t* data, size_t size);

}  // namespace bv::zrmp4
