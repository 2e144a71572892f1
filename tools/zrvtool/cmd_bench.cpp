// zrvtool bench PATH [--raw | --forward | --backward | --steps | --drag] [--no-cache] [--warm]:
// decode speed. Without a mode every video record is decoded in order
// through the engine's decode path, as forward play decodes it (read,
// picture size, decode to the 24-bit DIB picture), without showing it; with
// --raw the same payloads go through the bare libraries. --forward and
// --backward play the whole backup through the controller as the playback
// thread does, showing every record in the headless DIB window; --steps
// times Step Forward from the first record to the last and Step Backward
// back, and gives the medians; --drag drags the position slider from the
// first record to the last, each position once. --no-cache plays and steps without the
// engine's kept pictures; --warm plays once untimed before the timed pass.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "base/format/backup_constants.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/decode_timing.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/play_timing.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {
namespace {

using Clock = std::chrono::steady_clock;

bool FitsBuffers(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxPictureWidth && height <= kMaxPictureHeight;
}

// One untimed decode per codec present, so that loading a module is not
// timed; a pass starts at record 0 afterwards, as play from the start does.
void LoadDecoders(CPlaybackEngine& engine, const IndexArray& index) {
  bool seen[kCodecCount] = {};
  for (uint32_t i = 0; i < index.size(); ++i) {
    if (index[i].IsAudio() || !engine.ReadVideoRecord(index[i])) continue;
    const int codec = engine.GetCodecType();
    if (seen[codec]) continue;
    seen[codec] = true;
    int width = 0;
    int height = 0;
    engine.GetPictureSize(&width, &height);
    engine.SetPictureSize(width, height);
    engine.DecodePayload(codec, true);
  }
}

DecodeTimings TimeViewerDecodes(CPlaybackController& controller) {
  CPlaybackEngine& engine = controller.Engine();
  const IndexArray& index = controller.Index();
  LoadDecoders(engine, index);
  DecodeTimings timings{};
  for (uint32_t i = 0; i < index.size(); ++i) {
    if (index[i].IsAudio()) continue;
    const auto start = Clock::now();
    if (!engine.ReadVideoRecord(index[i])) continue;
    int width = 0;
    int height = 0;
    engine.GetPictureSize(&width, &height);
    engine.SetPictureSize(width, height);
    if (!FitsBuffers(width, height)) continue;
    const int codec = engine.GetCodecType();
    const uint64_t before = engine.DecodedPictures();
    // Only pictures produced count; a refused frame is not decoding done.
    if (!engine.DecodePayload(codec, true) || engine.DecodedPictures() == before) {
      timings[codec].refused++;
      continue;
    }
    timings[codec].frames++;
    timings[codec].seconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  return timings;
}

std::vector<StoredPayload> ReadPayloads(CPlaybackController& controller) {
  CPlaybackEngine& engine = controller.Engine();
  const IndexArray& index = controller.Index();
  std::vector<StoredPayload> payloads;
  for (uint32_t i = 0; i < index.size(); ++i) {
    if (index[i].IsAudio() || !engine.ReadVideoRecord(index[i])) continue;
    StoredPayload payload;
    engine.GetPictureSize(&payload.width, &payload.height);
    if (!FitsBuffers(payload.width, payload.height)) continue;
    payload.codec = engine.GetCodecType();
    payload.bytes.assign(engine.ReadBuffer(), engine.ReadBuffer() + engine.PayloadSize());
    payloads.push_back(std::move(payload));
  }
  return payloads;
}

// The most memory the process has had resident, in KiB.
long PeakResidentKiB() {
  rusage usage{};
  return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : 0;
}

// The timings with the most bytes the kept pictures held and the process's
// peak resident size.
Json WithCachePeak(Json json, const CPlaybackEngine& engine) {
  json["cache_peak_bytes"] = static_cast<uint64_t>(engine.PictureCache().PeakBytesHeld());
  json["peak_resident_kib"] = PeakResidentKiB();
  return json;
}

Json StepTimingsJson(const StepTimings& steps, const CPlaybackEngine& engine) {
  Json json;
  json["steps"] = steps.steps;
  json["refused"] = steps.refused;
  json["forward_median_ms"] = Rounded(steps.forwardMedianMs);
  json["backward_median_ms"] = Rounded(steps.backwardMedianMs);
  json["ratio"] = Rounded(steps.forwardMedianMs > 0 ? steps.backwardMedianMs / steps.forwardMedianMs : 0.0);
  json["cache_peak_bytes"] = static_cast<uint64_t>(engine.PictureCache().PeakBytesHeld());
  return json;
}

int NothingDecoded() {
  std::fprintf(stderr, "no frame of the backup could be decoded\n");
  return kExitRefused;
}

struct BenchOptions {
  std::string path;
  bool raw = false;
  bool forward = false;
  bool backward = false;
  bool steps = false;
  bool drag = false;
  bool noCache = false;
  bool warm = false;
};

int RunBench(const BenchOptions& options) {
  const bool plays = options.forward || options.backward || options.steps || options.drag;
  // The kept pictures and a warm-up belong to play.
  if ((options.noCache || options.warm) && !plays) return kExitUsage;
  auto backup = OpenToolBackup(options.path);
  if (!backup) return kExitRefused;
  CPlaybackController& controller = backup->controller;
  CPlaybackEngine& engine = controller.Engine();

  if (!plays) {
    const DecodeTimings timings =
        options.raw ? TimeRawDecodes(ReadPayloads(controller)) : TimeViewerDecodes(controller);
    PrintJsonLine(DecodeTimingsJson(timings));
    return DecodedFrames(timings) > 0 ? kExitOk : NothingDecoded();
  }
  engine.SetPictureCacheEnabled(!options.noCache);
  // The decoders' first use is not timed, nor the start-up's making the kept
  // pictures' storage present; play starts at the first record.
  LoadDecoders(engine, controller.Index());
  engine.PreparePictureStorage();
  engine.WaitUntilPictureStoragePresent();
  controller.GoToFirst();
  if (options.steps) {
    if (options.warm) TimeSteps(controller);
    const StepTimings steps = TimeSteps(controller);
    PrintJsonLine(StepTimingsJson(steps, engine));
    if (steps.refused >= 2 * steps.steps) return NothingDecoded();
  } else {
    if (options.drag && options.warm) {
      TimeDrag(controller);
      engine.SetPictureCacheEnabled(engine.PictureCacheEnabled());
    }
    const DecodeTimings timings =
        options.drag ? TimeDrag(controller) : TimePlay(controller, options.backward, options.warm);
    PrintJsonLine(WithCachePeak(DecodeTimingsJson(timings), engine));
    if (DecodedFrames(timings) == 0) return NothingDecoded();
  }
  return kExitOk;
}

}  // namespace

Command AddBench(CLI::App& tool) {
  CLI::App* app =
      AddCommand(tool, "bench", "bench PATH [--raw | --forward | --backward | --steps | --drag] [--no-cache] [--warm]",
                 "Decode speed: every video record decoded in order through the engine's decode path");
  auto options = std::make_shared<BenchOptions>();
  app->add_option("PATH", options->path, "The backup")->required();
  const std::vector<CLI::Option*> modes = {
      app->add_flag("--raw", options->raw, "The same payloads through the bare libraries"),
      app->add_flag("--forward", options->forward, "Forward play of the whole backup through the controller"),
      app->add_flag("--backward", options->backward, "Backward play of the whole backup through the controller"),
      app->add_flag("--steps", options->steps, "Step Forward to the last record and Step Backward back: the medians"),
      app->add_flag("--drag", options->drag, "The position slider dragged from the first record to the last")};
  for (CLI::Option* mode : modes) {
    for (CLI::Option* other : modes) {
      if (other != mode) mode->excludes(other);
    }
  }
  app->add_flag("--no-cache", options->noCache, "Play and step without the engine's kept pictures");
  app->add_flag("--warm", options->warm, "Play once untimed before the timed pass");
  return {app, [options] { return RunBench(*options); }};
}

}  // namespace bv::tool
