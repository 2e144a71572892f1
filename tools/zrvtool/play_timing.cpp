#include "tools/zrvtool/play_timing.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace bv::tool {
namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// The records in order, each shown by show(record) and timed.
template <typename Show>
DecodeTimings ShowEach(CPlaybackController& controller, bool backward, Show show) {
  DecodeTimings timings{};
  const uint32_t count = controller.Count();
  CPlaybackEngine& engine = controller.Engine();
  const IndexArray& index = controller.Index();
  for (uint32_t n = 0; n < count; ++n) {
    const uint32_t record = backward ? count - 1 - n : n;
    const auto start = Clock::now();
    show(record);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (index[record].IsAudio()) continue;
    CodecTiming& timing = timings[engine.GetCodecType()];
    if (!engine.PictureDecoded()) {
      timing.refused++;
      continue;
    }
    timing.frames++;
    timing.seconds += seconds;
  }
  return timings;
}

// The playback thread's step, without the thread: one record on in the
// play direction. Going backward into the last record starts as a seek
// there would.
DecodeTimings PlayOnce(CPlaybackController& controller, bool backward) {
  controller.SetPlayState(backward ? kPlayingBackward : kPlayingForward);
  const DecodeTimings timings =
      ShowEach(controller, backward, [&](uint32_t record) { controller.GoToRecord(record); });
  controller.SetPlayState(kStoppedOrPaused);
  return timings;
}

}  // namespace

DecodeTimings TimeDrag(CPlaybackController& controller) {
  controller.SetPlayState(kStoppedOrPaused);
  return ShowEach(controller, false, [&](uint32_t record) { controller.OnPositionSlider(record); });
}

DecodeTimings TimePlay(CPlaybackController& controller, bool backward, bool warm) {
  if (controller.Count() == 0) return {};
  CPlaybackEngine& engine = controller.Engine();
  if (warm) {
    PlayOnce(controller, backward);
    // Nothing kept from the first pass is shown in the second; the storage
    // it touched stays with the process.
    engine.SetPictureCacheEnabled(engine.PictureCacheEnabled());
    controller.GoToFirst();
  }
  return PlayOnce(controller, backward);
}

StepTimings TimeSteps(CPlaybackController& controller) {
  StepTimings result;
  const uint32_t count = controller.Count();
  if (count < 2) return result;
  std::vector<double> forward;
  std::vector<double> backward;
  CPlaybackEngine& engine = controller.Engine();
  const IndexArray& index = controller.Index();
  // A step counts when it showed its record: audio records show nothing
  // new, video records their picture.
  auto timeStep = [&](auto step, std::vector<double>* times) {
    const auto start = Clock::now();
    step();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (index[controller.CurrentIndex()].IsAudio() || engine.PictureDecoded()) {
      times->push_back(ms);
    } else {
      result.refused++;
    }
  };
  // Each way starts with nothing kept.
  engine.SetPictureCacheEnabled(engine.PictureCacheEnabled());
  controller.GoToFirst();
  for (uint32_t i = 1; i < count; ++i) timeStep([&] { controller.StepForward(); }, &forward);
  engine.SetPictureCacheEnabled(engine.PictureCacheEnabled());
  for (uint32_t i = 1; i < count; ++i) timeStep([&] { controller.StepBackward(); }, &backward);
  result.steps = count - 1;
  result.forwardMedianMs = Median(forward);
  result.backwardMedianMs = Median(backward);
  return result;
}

}  // namespace bv::tool
