// zrvtool audio PATH -o OUT.wav [--from A] [--to B] [--real-time]: plays the
// backup forward from record A to record B through the viewer's own
// controller, engine and audio path, and writes the PCM handed to the sound
// output, in order, as a WAV file in the output's format.
//
// Without --real-time the engine runs on a manual clock, so pacing costs no
// waiting. The sound device is SDL's disk driver writing to /dev/null unless
// SDL_AUDIODRIVER (and SDL_DISKAUDIOFILE) say otherwise.
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "playback/system_dirs.h"
#include "playback/tick_clock.h"
#include "tools/samples/sound_capture.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {
namespace {

struct AudioArgs {
  std::string path;
  std::string output;
  uint32_t from = 0;
  std::optional<uint32_t> to;
  bool realTime = false;
};

bool ParseIndex(const std::string& text, uint32_t* value) {
  if (text.empty() || text.size() > 10) return false;
  char* end = nullptr;
  const unsigned long long parsed = std::strtoull(text.c_str(), &end, 10);
  if (*end != '\0' || text[0] == '-' || parsed > UINT32_MAX) return false;
  *value = static_cast<uint32_t>(parsed);
  return true;
}

std::optional<AudioArgs> ParseAudioArgs(const Args& args) {
  AudioArgs parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "-o" && hasValue) {
      parsed.output = args[++i];
    } else if (arg == "--from" && hasValue) {
      if (!ParseIndex(args[++i], &parsed.from)) return std::nullopt;
    } else if (arg == "--to" && hasValue) {
      uint32_t to = 0;
      if (!ParseIndex(args[++i], &to)) return std::nullopt;
      parsed.to = to;
    } else if (arg == "--real-time") {
      parsed.realTime = true;
    } else if (parsed.path.empty() && !arg.empty() && arg[0] != '-') {
      parsed.path = arg;
    } else {
      return std::nullopt;
    }
  }
  if (parsed.path.empty() || parsed.output.empty()) return std::nullopt;
  return parsed;
}

}  // namespace

int RunAudio(const Args& args) {
  const std::optional<AudioArgs> parsed = ParseAudioArgs(args);
  if (!parsed) return kExitUsage;
  // Nothing is heard unless asked for: the disk driver into /dev/null.
  setenv("SDL_AUDIODRIVER", "disk", 0);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 0);

  std::unique_ptr<ToolBackup> backup = OpenToolBackup(parsed->path);
  if (!backup) return kExitRefused;
  CPlaybackController& controller = backup->controller;
  CPlaybackEngine& engine = controller.Engine();
  const uint32_t count = controller.Count();
  const uint32_t to = parsed->to.value_or(count - 1);
  if (parsed->from >= count || to >= count || to < parsed->from) {
    std::fprintf(stderr, "records %u..%u are not within 0..%u\n", parsed->from, to, count - 1);
    return kExitUsage;
  }

  CManualTickClock manualClock;
  if (!parsed->realTime) engine.SetTickClock(manualClock);
  samples::CSoundCapture capture;
  engine.SetSoundTap(&capture);

  // As the viewer does: the slider puts record A on screen, play forward
  // goes on from there, and stop ends the sound.
  controller.GoToRecord(parsed->from);
  controller.BeginSteppedForwardPlay();
  uint32_t played = 0;
  while (controller.CurrentIndex() < to && controller.StepForwardPlay()) ++played;
  engine.StopSound();
  engine.SetSoundTap(nullptr);

  const uint32_t rate = capture.HasFormat() ? capture.SamplesPerSecond() : 8000;
  const uint16_t bits = capture.HasFormat() ? capture.BitsPerSample() : 16;
  if (!samples::WriteWavFile(parsed->output, rate, bits, capture.Pcm())) {
    std::fprintf(stderr, "cannot write %s\n", parsed->output.c_str());
    return kExitRefused;
  }
  const kvr_base_acm::CBase_ACM* acm = engine.AudioState().acm.get();
  if (acm && !acm->IsBound()) {
    std::fprintf(stderr, "%s not found in %s: GSM 6.10 sound was not decoded\n", kvr_base_acm::kZrSoundModule,
                 SystemDirectory().c_str());
  }

  const samples::DriftStats drift = capture.Drift();
  Json driftJson;
  driftJson["seconds"] = drift.seconds;
  driftJson["max_abs"] = drift.maxAbsMs;
  driftJson["mean"] = Rounded(drift.meanMs);
  driftJson["last"] = drift.lastMs;
  Json out;
  out["written"] = parsed->output;
  out["samples_per_second"] = rate;
  out["bits_per_sample"] = uint32_t{bits};
  out["pcm_bytes"] = static_cast<uint64_t>(capture.Pcm().size());
  out["records_played"] = played;
  out["real_time"] = parsed->realTime;
  out["drift_ms"] = std::move(driftJson);
  PrintJsonLine(out);

  if (capture.FormatChanged()) {
    std::fprintf(stderr, "the sound output changed its format; only the sound before the change was written\n");
    return kExitRefused;
  }
  return kExitOk;
}

}  // namespace bv::tool
