#pragma once
// The start of an MPEG-4 Visual elementary stream as a container needs it:
// the configuration headers (visual object sequence, visual object, video
// object layer, user data) that go into the track's codec data, and the
// coding type of the first picture (VOP) after them. A group-of-VOP header
// (a time code) belongs to the pictures, not to the configuration.
#include <cstddef>
#include <cstdint>
#include <span>

namespace bv {

enum class Mpeg4PictureType : uint8_t { kIntra, kPredicted, kBidirectional, kSprite, kNone };

struct Mpeg4StreamHead {
  // Bytes before the first group-of-VOP or VOP start code (all of them when
  // there is neither).
  size_t configLength = 0;
  bool hasVideoObjectLayer = false;
  Mpeg4PictureType pictureType = Mpeg4PictureType::kNone;
};

// Reads start codes (00 00 01 xx) up to and including the first VOP. A VOP
// start code with no byte after it has no picture type (kNone).
Mpeg4StreamHead ScanMpeg4StreamHead(std::span<const uint8_t> stream);

}  // namespace bv
