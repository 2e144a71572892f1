#pragma once
// Cutting a clip out of a backup: records first..last copied byte for byte
// into a new container with the same camera information, version and
// trailer, so any viewer plays it and every record stays verifiable against
// the original.
#include <cstdint>
#include <string>

namespace bv {

class CPlaybackController;

struct CutResult {
  bool ok = false;
  std::string error;
  uint32_t first = 0;  // the first record taken: earlier than asked when a
                       // delta frame pulled in its key frame
  uint32_t last = 0;
  uint32_t count = 0;
};

// The record a clip asked to start at first must start from so that its
// first video frame decodes: the nearest key frame before a delta frame at
// the start (first itself when that frame needs none, or none is found).
uint32_t ClipStartWithKeyFrame(const CPlaybackController& source, uint32_t first);

// source has a backup open. A delta frame at the start pulls in the records
// back to its key frame.
CutResult CutBackup(const CPlaybackController& source, uint32_t first, uint32_t last, const std::string& path);

}  // namespace bv
