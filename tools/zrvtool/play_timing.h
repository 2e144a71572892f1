#pragma once
// Play and step timings of `zrvtool bench`: records shown through the
// controller and the engine as the playback thread and the step commands
// show them (read, catch-up or kept picture, decode, the headless window),
// without the frame delay.
#include <cstdint>

#include "playback/engine/playback_controller.h"
#include "tools/zrvtool/decode_timing.h"

namespace bv::tool {

// Every record from the first to the last (forward) or from the last to the
// first (backward), each video record timed under the codec of its payload.
// With warm the pass is timed the second time: the first touches the
// process's memory (the kept pictures' storage among it) and the file's
// pages, as a viewer that has been playing a while has.
DecodeTimings TimePlay(CPlaybackController& controller, bool backward, bool warm);

// The position slider dragged from the first record to the last, each
// position once, as its notifications reach the controller (paused, each
// record caught up as a seek is).
DecodeTimings TimeDrag(CPlaybackController& controller);

// Steps onto video records whose picture was refused are not timed.
struct StepTimings {
  uint64_t steps = 0;          // each way
  uint64_t refused = 0;        // both ways
  double forwardMedianMs = 0;  // Step Forward from the first record to the last
  double backwardMedianMs = 0;  // Step Backward from the last record to the first
};
StepTimings TimeSteps(CPlaybackController& controller);

}  // namespace bv::tool
