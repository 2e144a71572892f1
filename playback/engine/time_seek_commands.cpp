// Seeking by time: the Go menu's "Go to Time..." on the playback state.
#include "playback/engine/playback_controller.h"

namespace bv {

const CRecordTimeSearch& CPlaybackController::TimeSearch() {
  if (!timeSearch_) timeSearch_ = std::make_unique<CRecordTimeSearch>(index_.data(), count_);
  return *timeSearch_;
}

void CPlaybackController::ShowRecord(uint32_t index) {
  if (!HasBackup() || index >= count_) return;
  if (playState_ != kStoppedOrPaused) Pause();
  RequestPause();
  GoToRecord(index);
  UpdatePlaybackControls();
}

uint32_t CPlaybackController::GoToTime(int64_t ms) {
  if (!HasBackup()) return CRecordTimeSearch::kNone;
  // Audio records carry no picture: the moment is shown by a video frame.
  // Records of other cameras are passed over when one camera plays alone.
  const int camera = cameraFilter_;
  auto ofCamera = [camera](const INDEX_RECORD& r) { return camera == kAllCameras || r.camera == camera; };
  uint32_t found = TimeSearch().Find(ms, [&](const INDEX_RECORD& r) { return !r.IsAudio() && ofCamera(r); });
  // Audio records only: show what a seek would.
  if (found == CRecordTimeSearch::kNone) found = TimeSearch().Find(ms, ofCamera);
  ShowRecord(found);
  return found;
}

}  // namespace bv
