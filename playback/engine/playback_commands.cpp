// The playback commands and the playback thread of the main dialog.
#include <algorithm>

#include "base/host/control_ids.h"
#include "playback/engine/playback_controller.h"

namespace bv {

CPlaybackController::~CPlaybackController() {
  RequestStop();
  if (thread_.joinable()) thread_.join();
}

bool CPlaybackController::HasBackup() const { return count_ > 0 && engine_.Mode() == kModeBackup; }

void CPlaybackController::RequestPause() {
  {
    std::lock_guard gate(stepGate_);
    pauseRequest_ = 1;
  }
  wake_.notify_all();
}

void CPlaybackController::RequestStop() {
  {
    std::lock_guard gate(stepGate_);
    stopRequest_ = 1;
    pauseRequest_ = 0;
  }
  wake_.notify_all();
}

void CPlaybackController::WaitUntilPaused() {
  while (threadState_ != kThreadBetweenSteps && threadState_ != kNoThread) host_.PumpOneMessage();
  host_.SettleUpdates();
}

void CPlaybackController::WaitUntilStopped() {
  while (threadState_ != kNoThread) host_.PumpOneMessage();
  // The thread's last act was to report state 0.
  if (thread_.joinable()) thread_.join();
  host_.SettleUpdates();
}

bool CPlaybackController::PlaybackThreadAsked() const {
  return threadState_ != kNoThread && (pauseRequest_ != 0 || stopRequest_ == 1);
}

void CPlaybackController::WaitForEndingThread() {
  // Forward play that ran out asked its own thread to stop; until that
  // thread is gone a play command would find it and start none.
  if (threadState_ != kNoThread && stopRequest_ == 1) WaitUntilStopped();
}

void CPlaybackController::StartPlaybackThread() {
  if (thread_.joinable()) thread_.join();
  stopRequest_ = 0;
  threadState_ = kThreadStarted;
  thread_ = std::thread(&CPlaybackController::PlaybackThreadProc, this);
}

void CPlaybackController::PlaybackThreadProc() {
  threadState_ = kThreadStarted;
  Clock::time_point lastStep = Clock::now();
  while (stopRequest_ != 1) {
    {
      std::unique_lock gate(stepGate_);
      if (pauseRequest_) {
        threadState_ = kThreadBetweenSteps;
        wake_.wait_for(gate, std::chrono::milliseconds(1));
        lastStep = Clock::now();
        continue;
      }
      threadState_ = kThreadInStep;
      // The frame delay counts from the start of the previous step, so the
      // step's own work is part of it; a pause or stop request ends the wait
      // without stepping.
      const auto deadline = lastStep + std::chrono::milliseconds(engine_.FrameDelay());
      if (wake_.wait_until(gate, deadline, [this] { return pauseRequest_ != 0 || stopRequest_ == 1; })) {
        threadState_ = kThreadBetweenSteps;
        continue;
      }
    }
    lastStep = Clock::now();
    const uint8_t state = playState_;
    if (state == kPlayingForward) {
      GoToRecord(currentIndex_ + 1);
    } else if (state == kPlayingBackward) {
      GoToRecord(currentIndex_ - 1);
    }
    host_.FlushUpdates();
    if (forwardPlayEndedInStep_) {
      forwardPlayEndedInStep_ = false;
      if (threadObserver_) threadObserver_->OnForwardPlayEnded();
    }
    threadState_ = kThreadBetweenSteps;
  }
  threadState_ = kNoThread;
}

void CPlaybackController::SetDelayFromSpeedSlider() { engine_.SetFrameDelay(20 - host_.SpeedPosition()); }

void CPlaybackController::PlayForward() {
  if (!HasBackup() || playState_ == kPlayingForward) return;
  WaitForEndingThread();
  playState_ = kPlayingForward;
  if (index_[currentIndex_].IsAudioPaced()) {
    engine_.SetFrameDelay(1);
  } else {
    SetDelayFromSpeedSlider();
  }
  engine_.RestartAudioSync();
  {
    std::lock_guard gate(stepGate_);
    pauseRequest_ = 0;
  }
  wake_.notify_all();
  if (threadState_ == kNoThread) StartPlaybackThread();
  UpdatePlaybackControls();
}

void CPlaybackController::PlayBackward() {
  if (!HasBackup() || playState_ == kPlayingBackward) return;
  WaitForEndingThread();
  playState_ = kPlayingBackward;
  {
    std::lock_guard gate(stepGate_);
    pauseRequest_ = 0;
  }
  wake_.notify_all();
  if (threadState_ == kNoThread) StartPlaybackThread();
  UpdatePlaybackControls();
}

void CPlaybackController::Pause() {
  RequestPause();
  WaitUntilPaused();
  playState_ = kStoppedOrPaused;
  UpdatePlaybackControls();
}

void CPlaybackController::Stop() {
  RequestStop();
  WaitUntilStopped();
  engine_.StopSound();
  playState_ = kStoppedOrPaused;
  UpdatePlaybackControls();
  GoToRecord(0);
}

void CPlaybackController::StepBackward() {
  if (!HasBackup()) return;
  if (playState_ != kStoppedOrPaused) Pause();
  RequestPause();
  GoToRecord(currentIndex_ - 1);
  UpdatePlaybackControls();
}

void CPlaybackController::StepForward() {
  if (!HasBackup()) return;
  if (playState_ != kStoppedOrPaused) Pause();
  RequestPause();
  GoToRecord(currentIndex_ + 1);
  UpdatePlaybackControls();
}

void CPlaybackController::GoToFirst() {
  if (!HasBackup()) return;
  if (playState_ != kStoppedOrPaused) Pause();
  RequestPause();
  // Record 0, or the camera's first when one camera plays alone.
  GoToRecord(firstShown_);
  UpdatePlaybackControls();
}

void CPlaybackController::GoToLast() {
  if (!HasBackup()) return;
  if (playState_ != kStoppedOrPaused) Pause();
  playState_ = kStoppedOrPaused;
  RequestPause();
  GoToRecord(lastShown_);
  UpdatePlaybackControls();
}

void CPlaybackController::OnPositionSlider(uint32_t position) {
  if (!HasBackup()) return;
  if (playState_ != kStoppedOrPaused) Pause();
  UpdatePlaybackControls();
  uint32_t index = std::min(position, count_ - 1);
  if (!IsShownRecord(index)) {
    // One camera plays alone: the slider stops on its nearest record.
    uint32_t shown = NearestShownRecord(index, false);
    if (shown == CRecordTimeSearch::kNone) shown = NearestShownRecord(index, true);
    index = shown;
    host_.SetPosition(index);
  }
  currentIndex_ = index;
  engine_.DisplayRecord(index_[currentIndex_]);
  // Brings first/last enabling in line with the record now shown.
  UpdatePlaybackControls();
}

void CPlaybackController::OnSpeedSlider(int position) {
  if (HasBackup() && index_[currentIndex_].IsAudioPaced() && playState_ == kPlayingForward) {
    engine_.SetFrameDelay(1);
  } else {
    engine_.SetFrameDelay(20 - position);
  }
}

void CPlaybackController::Shutdown() {
  RequestStop();
  WaitUntilStopped();
  playState_ = kStoppedOrPaused;
  engine_.ReclaimLentPictures();
}

}  // namespace bv
