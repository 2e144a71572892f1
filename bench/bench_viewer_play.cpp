// The viewer's forward play at the fastest speed against the decode rate of
// the same backup (`zrvtool bench`, run in the same session), in both
// presentations, with the process CPU time per shown frame; then how soon
// pause, stop and step commands take effect during fastest play, and, with
// --minutes N, whether CPU and memory stay flat over N minutes of looping
// fastest play of the 704 x 576 MPEG-4 footage. Run on a display (Xvfb with Mesa for the overlay presentation):
//   xvfb-run -a build/bench/bv_bench_viewer_play build/demo [--minutes 10] [--only NAME]
// (--only plays just the backup of file name NAME, in the DIB
// presentation, overlay or both as NAME:dib or NAME:overlay says: for profiling.)
#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/viewer_dlg.h"
#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "bench/bench_footage.h"
#include "tools/samples/sample_backups.h"

namespace {

using Clock = std::chrono::steady_clock;
using bv::CViewerDlg;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

double ZrvtoolFps(const std::string& zrvtool, const std::string& backup) {
  const std::string command = zrvtool + " bench " + backup;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return 0;
  char buffer[4096] = {};
  const size_t n = fread(buffer, 1, sizeof buffer - 1, pipe);
  pclose(pipe);
  const std::string out(buffer, n);
  const size_t at = out.find("\"fps\":");
  return at == std::string::npos ? 0 : std::stod(out.substr(at + 6));
}

// Serves events as the dialog's own event loop would, blocking between them
// (a timer wakes it to look at the condition), so the CPU measured is the
// viewer's, not a spinning wait's.
void PumpUntil(const std::function<bool()>& done) {
  QTimer wake;
  wake.start(2);
  while (!done()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

struct PlayResult {
  double fps = 0;
  double cpuPerFrameMs = 0;
};

// One forward pass over the whole backup at the fastest speed.
PlayResult PlayOnce(CViewerDlg& dialog) {
  bv::CPlaybackController& controller = dialog.Controller();
  controller.GoToFirst();
  dialog.SetSpeedPosition(20);
  controller.OnSpeedSlider(20);
  uint32_t frames = 0;
  for (uint32_t i = 0; i < controller.Count(); ++i) frames += !controller.Index()[i].IsAudio();
  const double cpu0 = CpuSeconds();
  const auto t0 = Clock::now();
  controller.PlayForward();
  PumpUntil([&] { return controller.GetThreadState() == bv::kNoThread; });
  const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  PlayResult r;
  r.fps = frames / seconds;
  r.cpuPerFrameMs = (CpuSeconds() - cpu0) * 1000 / frames;
  return r;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: bv_bench_viewer_play DEMO_DIR [--minutes N] [--only NAME[:dib|:overlay]]\n");
    return 2;
  }
  const std::string demo = argv[1];
  double minutes = 0;
  std::string only;
  std::string onlyPresentation;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--minutes") minutes = std::stod(argv[i + 1]);
    if (option == "--only") only = argv[i + 1];
  }
  if (const size_t colon = only.find(':'); colon != std::string::npos) {
    onlyPresentation = only.substr(colon + 1);
    only.resize(colon);
  }
  const std::string zrvtool = std::filesystem::path(argv[0]).parent_path().parent_path() / "tools" / "zrvtool";
  const std::string program = std::filesystem::temp_directory_path() / "bv-bench-program";
  {
    std::ofstream plain(program, std::ios::binary);
    plain.seekp(bv::kProgramFileLength - 1);
    plain.put('\0');
  }

  CViewerDlg::Options options;
  options.programPath = program;
  options.chooseFileToOpen = [] { return std::string(); };
  options.messageBox = [](const QString& text, bool) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); };
  CViewerDlg dialog(options);
  if (!dialog.OnInitDialog()) return 1;
  dialog.show();
  PumpUntil([] { return true; });
  QTest::qWait(200);

  // The demo backups, and the 704 x 576 benchmark footage.
  const std::string mjpg704 = bv::bench::FootageFile("mjpg.zrv");
  const std::string wavelet704 = bv::bench::FootageFile("wavelet-k30.zrv");
  const std::string mpeg4704 = bv::bench::FootageFile("mpeg4-k30.zrv");
  // The minimum frame delay of 1 ms holds fastest play to 1,000 frames a
  // second at most: "of limit" compares with the lower of that and the
  // decode rate.
  constexpr double kFrameDelayLimit = 1000;
  constexpr int kRuns = 5;
  std::printf("%-18s %-8s %9s %9s %7s %8s %12s\n", "backup", "present", "decode/s", "shown/s", "ratio", "of limit",
              "cpu ms/frame");
  for (const std::string& path : {demo + "/demo-mjpg.zrv", demo + "/demo-wavelet.zrv", demo + "/demo-mpeg4.zrv",
                                 mjpg704, wavelet704, mpeg4704}) {
    const std::string name = std::filesystem::path(path).filename();
    if (!only.empty() && name != only) continue;
    for (bool overlay : {false, true}) {
      if (!onlyPresentation.empty() && onlyPresentation != (overlay ? "overlay" : "dib")) continue;
      if (dialog.MenuAction(bv::ID_OPTION_OVERLAY)->isChecked() != overlay) {
        dialog.MenuAction(bv::ID_OPTION_OVERLAY)->trigger();
      }
      dialog.Controller().OpenChosenFile(path);
      std::vector<double> fps;
      std::vector<double> cpu;
      std::vector<double> decode;
      // The viewer and zrvtool take turns, so that load on the machine
      // falls on both alike.
      for (int run = 0; run < kRuns; ++run) {
        const PlayResult r = PlayOnce(dialog);
        fps.push_back(r.fps);
        cpu.push_back(r.cpuPerFrameMs);
        decode.push_back(ZrvtoolFps(zrvtool, path));
      }
      const double reference = Median(decode);
      const double limit = std::min(reference, kFrameDelayLimit);
      std::printf("%-18s %-8s %9.0f %9.0f %7.2f %8.2f %12.3f\n", name.c_str(), overlay ? "overlay" : "DIB", reference,
                  Median(fps), reference > 0 ? Median(fps) / reference : 0, limit > 0 ? Median(fps) / limit : 0,
                  Median(cpu));
      std::fflush(stdout);
    }
  }

  bv::CPlaybackController& controller = dialog.Controller();
  if (!only.empty()) {
    std::filesystem::remove(program);
    return 0;
  }
  // Commands during fastest play: how long each takes to come back with the
  // playback thread outside a step.
  controller.OpenChosenFile(demo + "/demo-mpeg4.zrv");
  dialog.SetSpeedPosition(20);
  controller.OnSpeedSlider(20);
  std::vector<double> pause, stop, step;
  for (int i = 0; i < 20; ++i) {
    controller.GoToFirst();
    controller.PlayForward();
    QTest::qWait(50);
    auto t0 = Clock::now();
    controller.Pause();
    pause.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    controller.PlayForward();
    QTest::qWait(30);
    t0 = Clock::now();
    controller.StepForward();
    step.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    controller.PlayForward();
    QTest::qWait(30);
    t0 = Clock::now();
    controller.Stop();
    stop.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  auto maxOf = [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); };
  std::printf("command latency during fastest play (ms): pause median %.2f max %.2f; step median %.2f max %.2f; "
              "stop median %.2f max %.2f\n",
              Median(pause), maxOf(pause), Median(step), maxOf(step), Median(stop), maxOf(stop));

  if (minutes > 0) {
    controller.OpenChosenFile(mpeg4704);
    const auto end = Clock::now() + std::chrono::duration<double, std::ratio<60>>(minutes);
    int pass = 0;
    while (Clock::now() < end) {
      const PlayResult r = PlayOnce(dialog);
      if (pass % 20 == 0) {
        std::printf("loop %4d: %.0f frames/s, %.3f ms CPU/frame, %ld KiB resident\n", pass, r.fps, r.cpuPerFrameMs,
                    ResidentKiB());
        std::fflush(stdout);
      }
      ++pass;
    }
  }
  std::filesystem::remove(program);
  return 0;
}
