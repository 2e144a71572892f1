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
#include <string>

#include "base/platform/system_dirs.h"
#include "base/platform/tick_clock.h"
#include "tools/samples/sound_capture.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/option_values.h"
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

int RunAudio(const AudioArgs& parsed) {
  if (parsed.output.empty()) return kExitUsage;
  // Nothing is heard unless asked for: the disk driver into /dev/null.
  setenv("SDL_AUDIODRIVER", "disk", 0);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 0);

  std::unique_ptr<ToolBackup> backup = OpenToolBackup(parsed.path);
  if (!backup) return kExitRefused;
  CPlaybackController& controller = backup->controller;
  CPlaybackEngine& engine = controller.Engine();
  const uint32_t count = controller.Count();
  const uint32_t to = parsed.to.value_or(count - 1);
  if (parsed.from >= count || to >= count || to < parsed.from) {
    std::fprintf(stderr, "records %u..%u are not within 0..%u\n", parsed.from, to, count - 1);
    return kExitUsage;
  }

  CManualTickClock manualClock;
  if (!parsed.realTime) engine.SetTickClock(manualClock);
  samples::CSoundCapture capture;
  engine.SetSoundTap(&capture);

  // As the viewer does: the slider puts record A on screen, play forward
  // goes on from there, and stop ends the sound.
  controller.GoToRecord(parsed.from);
  controller.BeginSteppedForwardPlay();
  uint32_t played = 0;
  while (controller.CurrentIndex() < to && controller.StepForwardPlay()) ++played;
  engine.StopSound();
  engine.SetSoundTap(nullptr);

  const uint32_t rate = capture.HasFormat() ? capture.SamplesPerSecond() : 8000;
  const uint16_t bits = capture.HasFormat() ? capture.BitsPerSample() : 16;
  if (!samples::WriteWavFile(parsed.output, rate, bits, capture.Pcm())) {
    std::fprintf(stderr, "cannot write %s\n", parsed.output.c_str());
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
  out["written"] = parsed.output;
  out["samples_per_second"] = rate;
  out["bits_per_sample"] = uint32_t{bits};
  out["pcm_bytes"] = static_cast<uint64_t>(capture.Pcm().size());
  out["records_played"] = played;
  out["real_time"] = parsed.realTime;
  out["drift_ms"] = std::move(driftJson);
  PrintJsonLine(out);

  if (capture.FormatChanged()) {
    std::fprintf(stderr, "the sound output changed its format; only the sound before the change was written\n");
    return kExitRefused;
  }
  return kExitOk;
}

}  // namespace

Command AddAudio(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "audio", "audio PATH -o OUT.wav [--from A] [--to B] [--real-time]",
                             "The sound of records A..B as the viewer plays it, as a WAV file");
  auto parsed = std::make_shared<AudioArgs>();
  app->add_option("PATH", parsed->path, "The backup")->required();
  app->add_option("-o", parsed->output, "The WAV file")->required()->type_name("OUT.wav");
  app->add_option("--from", parsed->from, "The first record (0 unless given)")->type_name("A")->transform(WholeNumber());
  AddOptional(*app, "--to", parsed->to, "The last record (the backup's last unless given)")
      ->type_name("B")
      ->transform(WholeNumber());
  app->add_flag("--real-time", parsed->realTime, "Paced by the real clock, as heard");
  return {app, [parsed] { return RunAudio(*parsed); }};
}

}  // namespace bv::tool
