// Playing one camera of a backup alone: the Go menu's "Camera" choice.
#include <algorithm>

#include "playback/engine/playback_controller.h"

namespace bv {

void CPlaybackController::ForgetIndexDerivedState() {
  timeSearch_.reset();
  cameras_.clear();
  camerasFound_ = false;
  cameraFilter_ = kAllCameras;
  firstShown_ = 0;
  lastShown_ = 0;
  markIn_ = kNoMark;
  markOut_ = kNoMark;
}

const std::vector<int>& CPlaybackController::CamerasInIndex() {
  if (!camerasFound_) {
    bool seen[256] = {};
    for (uint32_t i = 0; i < count_; ++i) seen[index_[i].camera] = true;
    for (int camera = 0; camera < 256; ++camera) {
      if (seen[camera]) cameras_.push_back(camera);
    }
    camerasFound_ = true;
  }
  return cameras_;
}

bool CPlaybackController::IsShownRecord(uint32_t index) const {
  return index < count_ && (cameraFilter_ == kAllCameras || index_[index].camera == cameraFilter_);
}

uint32_t CPlaybackController::NearestShownRecord(uint32_t index, bool forward) const {
  if (count_ == 0) return CRecordTimeSearch::kNone;
  if (forward) {
    for (uint32_t i = index; i < count_; ++i) {
      if (IsShownRecord(i)) return i;
    }
  } else {
    for (uint32_t i = std::min(index, count_ - 1) + 1; i > 0; --i) {
      if (IsShownRecord(i - 1)) return i - 1;
    }
  }
  return CRecordTimeSearch::kNone;
}

void CPlaybackController::SetCameraFilter(int camera) {
  if (count_ == 0) return;
  const std::vector<int>& cameras = CamerasInIndex();
  if (camera != kAllCameras && !std::binary_search(cameras.begin(), cameras.end(), camera)) return;
  const bool playing = playState_ != kStoppedOrPaused;
  if (playing) Pause();
  cameraFilter_ = camera;
  firstShown_ = NearestShownRecord(0, true);
  lastShown_ = NearestShownRecord(count_ - 1, false);
  // The record on show stays when it is one of the camera's, else the
  // camera's nearest record before it (after it when there is none).
  const uint32_t current = currentIndex_;
  if (!IsShownRecord(current)) {
    uint32_t shown = NearestShownRecord(current, false);
    if (shown == CRecordTimeSearch::kNone) shown = NearestShownRecord(current, true);
    RequestPause();
    GoToRecord(shown);
  }
  UpdatePlaybackControls();
}

}  // namespace bv
