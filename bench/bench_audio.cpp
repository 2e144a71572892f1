// The audio path against real time, its reference:
//   BM_GsmDecodeOneSecond   one second of GSM 6.10 through Zr_Sound.dll
//                           (seconds of sound decoded per second: x real time)
//   BM_PlaySoundBackup      a 60-second sound backup played forward through
//                           the controller on a manual clock (x real time)
//   BM_AvDriftRealTime      a sound backup played in real time on the steady
//                           clock with SDL's disk driver, measuring when each
//                           second's sound is handed over against its record
//                           time (drift in ms; the target is 40 ms over ten
//                           minutes), and how much sound waits in the ring at
//                           each hand-over (the device's own pace against the
//                           tick). BV_DRIFT_SECONDS sets the length (600 by
//                           default); it runs that long.
// Codec modules come from the build's system folder. For the quick ones only:
//   bv_bench_audio --benchmark_filter=-Drift
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/platform/tick_clock.h"
#include "codecs/base_acm.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"
#include "tools/samples/gsm_encode.h"
#include "tools/samples/sound_backup.h"
#include "tools/samples/sound_capture.h"

namespace {

void UseBuildEnvironment() {
  setenv("BACKUP_VIEWER_SYSTEM_DIR", BV_MODULE_DIR, 0);
  setenv("SDL_AUDIODRIVER", "disk", 0);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 0);
}

std::string WriteSoundBackup(int seconds) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("bv-bench-sound-" + std::to_string(seconds) + ".zrv")).string();
  if (std::filesystem::exists(path)) return path;
  bv::samples::SoundBackupOptions options;
  options.seconds = seconds;
  options.width = 96;
  options.height = 64;
  if (!bv::samples::MakeSoundBackup(options).writer.WriteContainer(path)) std::abort();
  return path;
}

void BM_GsmDecodeOneSecond(benchmark::State& state) {
  UseBuildEnvironment();
  std::vector<uint8_t> gsm = bv::samples::EncodeGsmWav49(bv::samples::MakeSweep(8000, 8000, 250, 2000));
  std::vector<uint8_t> pcm(23000);
  kvr_base_acm::CBase_ACM acm;
  if (!acm.ACM_Create(1, 8000, 16, kvr_base_acm::kGsm610FormatTag)) {
    state.SkipWithError("Zr_Sound.dll not found");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(acm.ACM_Decode(gsm.data(), gsm.size(), pcm.data(), pcm.size()));
  }
  // One item is one second of sound: items per second is the real-time factor.
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GsmDecodeOneSecond)->Unit(benchmark::kMicrosecond);

void BM_PlaySoundBackup(benchmark::State& state) {
  UseBuildEnvironment();
  const int seconds = 60;
  const std::string path = WriteSoundBackup(seconds);
  for (auto _ : state) {
    bv::CHeadlessHost host;
    host.SetMessageSink(nullptr);
    bv::CManualTickClock clock;
    bv::samples::CSoundCapture capture;
    bv::CPlaybackController controller(host);
    controller.Engine().SetTickClock(clock);
    controller.Engine().SetSoundTap(&capture);
    if (!controller.OpenBackup(path, false)) {
      state.SkipWithError("open failed");
      return;
    }
    controller.BeginSteppedForwardPlay();
    while (controller.StepForwardPlay()) {
    }
    controller.Engine().SetSoundTap(nullptr);
    if (capture.Pcm().size() != static_cast<size_t>(seconds) * 16000) state.SkipWithError("sound went missing");
  }
  state.SetItemsProcessed(state.iterations() * seconds);
}
BENCHMARK(BM_PlaySoundBackup)->Unit(benchmark::kMillisecond)->UseRealTime();

// Also notes the sound still waiting in the ring when a second is handed over.
class CRingWatch : public bv::samples::CSoundCapture {
 public:
  explicit CRingWatch(const bv::CPlaybackEngine& engine) : engine_(engine) {}
  void OnSecondHandedOver(uint32_t tick, int secondOfDay, uint16_t firstMillisecond) override {
    CSoundCapture::OnSecondHandedOver(tick, secondOfDay, firstMillisecond);
    const bv::CSoundOutput* output = engine_.AudioState().soundOutput.get();
    if (!output || !output->IsOpen()) return;
    const bv::CWaveOutStream& stream = output->Stream();
    const double ms = stream.QueuedBytes() * 1000.0 / stream.Format().averageBytesPerSecond;
    maxRingMs = std::max(maxRingMs, ms);
    lastRingMs = ms;
  }
  double maxRingMs = 0;
  double lastRingMs = 0;

 private:
  const bv::CPlaybackEngine& engine_;
};

void BM_AvDriftRealTime(benchmark::State& state) {
  UseBuildEnvironment();
  const char* env = std::getenv("BV_DRIFT_SECONDS");
  const int seconds = env ? std::max(2, std::atoi(env)) : 600;
  const std::string path = WriteSoundBackup(seconds);
  bv::samples::DriftStats drift;
  double maxRingMs = 0;
  double lastRingMs = 0;
  for (auto _ : state) {
    bv::CHeadlessHost host;
    bv::CPlaybackController controller(host);
    CRingWatch capture(controller.Engine());
    controller.Engine().SetSoundTap(&capture);
    if (!controller.OpenBackup(path, false)) {
      state.SkipWithError("open failed");
      return;
    }
    controller.BeginSteppedForwardPlay();
    while (controller.StepForwardPlay()) {
    }
    controller.Engine().SetSoundTap(nullptr);
    drift = capture.Drift();
    maxRingMs = capture.maxRingMs;
    lastRingMs = capture.lastRingMs;
    if (!host.Messages().empty()) state.SkipWithError(host.Messages().front().c_str());
  }
  state.counters["seconds"] = drift.seconds;
  state.counters["drift_max_abs_ms"] = drift.maxAbsMs;
  state.counters["drift_mean_ms"] = drift.meanMs;
  state.counters["drift_last_ms"] = drift.lastMs;
  state.counters["ring_max_ms"] = maxRingMs;
  state.counters["ring_last_ms"] = lastRingMs;
}
BENCHMARK(BM_AvDriftRealTime)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
