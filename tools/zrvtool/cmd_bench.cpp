// zrvtool bench PATH [--raw]: decode speed. Without --raw every video record
// is decoded in order through the engine's decode path, as forward play
// decodes it (read, picture size, decode to the 24-bit DIB picture), without
// showing it; with --raw the same payloads go through the bare libraries.
#include <chrono>
#include <cstdio>

#include "playback/backup_constants.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/decode_timing.h"
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
    engine.DecodePayload(codec, true);
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

}  // namespace

int RunBench(const Args& args) {
  const bool raw = args.size() == 2 && args[1] == "--raw";
  if (args.size() != 1 && !raw) return kExitUsage;
  auto backup = OpenToolBackup(args[0]);
  if (!backup) return kExitRefused;
  const DecodeTimings timings =
      raw ? TimeRawDecodes(ReadPayloads(backup->controller)) : TimeViewerDecodes(backup->controller);
  std::printf("%s\n", DecodeTimingsJson(timings).c_str());
  return kExitOk;
}

}  // namespace bv::tool
