// Marks In and Out: a range of the open backup's records.
#include <utility>

#include "playback/engine/playback_controller.h"

namespace bv {

void CPlaybackController::SetMarkIn() {
  if (!HasBackup()) return;
  markIn_ = currentIndex_;
  if (markOut_ != kNoMark && markOut_ < markIn_) std::swap(markIn_, markOut_);
}

void CPlaybackController::SetMarkOut() {
  if (!HasBackup()) return;
  markOut_ = currentIndex_;
  if (markIn_ != kNoMark && markOut_ < markIn_) std::swap(markIn_, markOut_);
}

void CPlaybackController::ClearMarks() {
  markIn_ = kNoMark;
  markOut_ = kNoMark;
}

bool CPlaybackController::MarkedRange(uint32_t* first, uint32_t* last) const {
  if (count_ == 0 || (markIn_ == kNoMark && markOut_ == kNoMark)) return false;
  *first = markIn_ == kNoMark ? 0 : markIn_;
  *last = markOut_ == kNoMark ? count_ - 1 : markOut_;
  return true;
}

}  // namespace bv
