// Forward play on the caller's thread, step by step: the play-forward
// command's state change and the playback thread's step, without the thread,
// for tools that play a backup headless and for tests.
#include "base/platform/tick_clock.h"
#include "playback/engine/playback_controller.h"

namespace bv {

void CPlaybackController::BeginSteppedForwardPlay() {
  if (count_ == 0 || playState_ == kPlayingForward) return;
  playState_ = kPlayingForward;
  const uint32_t current = currentIndex_;
  engine_.SetFrameDelay(index_[current].IsAudioPaced() ? 1 : 20 - host_.SpeedPosition());
  engine_.RestartAudioSync();
  pauseRequest_ = 0;
  UpdatePlaybackControls();
}

bool CPlaybackController::StepForwardPlay() {
  if (playState_ != kPlayingForward) return false;
  engine_.TickClock().Sleep(engine_.FrameDelay());
  GoToRecord(currentIndex_ + 1);
  return playState_ == kPlayingForward;
}

}  // namespace bv
