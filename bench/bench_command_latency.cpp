// How soon Pause, Stop and Step Forward take effect when pressed with the
// mouse during play, in the real dialog: during the fastest play of an MJPG
// backup and during audio-paced play of a backup with sound. Each press
// comes at a random moment of play; a press counts only when the state it
// asks for was reached (paused, stopped at record 0, one record further).
// The reference, measured in the same run, is Step Forward pressed on the
// paused viewer: the work of showing one record with no play to end.
//   QT_QPA_PLATFORM=offscreen build/bench/bv_bench_command_latency [PRESSES]
// What would be heard goes to SDL's disk driver unless SDL_AUDIODRIVER says
// otherwise.
#include <QApplication>
#include <QSlider>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/viewer_dlg.h"
#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "controls/skin_button.h"
#include "tools/samples/sample_backups.h"
#include "tools/samples/sound_backup.h"

namespace {

using Clock = std::chrono::steady_clock;
using bv::CViewerDlg;

struct Figures {
  std::vector<double> ms;
  int refused = 0;  // presses after which the state was not the one asked for

  double Median() const {
    std::vector<double> v = ms;
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
  }
  double Max() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
  long Over(double limit) const { return std::count_if(ms.begin(), ms.end(), [limit](double v) { return v > limit; }); }
};

class CLatencyRun {
 public:
  CLatencyRun(CViewerDlg& dialog, int presses) : dialog_(dialog), presses_(presses) {}

  // Presses id with the mouse and returns how long the press took to come
  // back (the commands finish before the click returns).
  double Press(int id) {
    const auto t0 = Clock::now();
    QTest::mouseClick(dialog_.Button(id), Qt::LeftButton);
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  }

  void Open(const std::string& path) {
    dialog_.Controller().OpenChosenFile(path);
    QApplication::processEvents();
  }

  void PlayFor(int minMs, int maxMs) {
    Press(bv::IDC_PLAY_FORWARD);
    QTest::qWait(std::uniform_int_distribution<int>(minMs, maxMs)(random_));
  }

  void Measure(Figures& pause, Figures& step, Figures& stop) {
    bv::CPlaybackController& controller = dialog_.Controller();
    for (int i = 0; i < presses_; ++i) {
      PlayFor(20, 150);
      double ms = Press(bv::IDC_PAUSE);
      Count(pause, ms, controller.GetPlayState() == bv::kStoppedOrPaused &&
                           controller.GetThreadState() == bv::kThreadBetweenSteps);

      PlayFor(20, 150);
      const uint32_t before = controller.CurrentIndex();
      ms = Press(bv::IDC_STEP_FORWARD);
      Count(step, ms, controller.GetPlayState() == bv::kStoppedOrPaused && controller.CurrentIndex() > before);

      PlayFor(20, 150);
      ms = Press(bv::IDC_STOP);
      Count(stop, ms, controller.GetThreadState() == bv::kNoThread && controller.CurrentIndex() == 0);
    }
  }

  void MeasureReference(Figures& reference) {
    bv::CPlaybackController& controller = dialog_.Controller();
    Press(bv::IDC_FIRST_RECORD);
    for (int i = 0; i < presses_; ++i) {
      const uint32_t before = controller.CurrentIndex();
      const double ms = Press(bv::IDC_STEP_FORWARD);
      Count(reference, ms, controller.CurrentIndex() == before + 1);
      QApplication::processEvents();
    }
  }

 private:
  static void Count(Figures& figures, double ms, bool reached) {
    if (reached) {
      figures.ms.push_back(ms);
    } else {
      ++figures.refused;
    }
  }

  CViewerDlg& dialog_;
  int presses_;
  std::mt19937 random_{20261209};
};

void Report(const char* play, const char* command, const Figures& figures, const Figures& reference) {
  const double ratio = reference.Median() > 0 ? figures.Median() / reference.Median() : 0;
  std::printf("%-22s %-6s %6zu %8d %10.2f %8.2f %12.1f %8ld\n", play, command, figures.ms.size(), figures.refused,
              figures.Median(), figures.Max(), ratio, figures.Over(50));
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path work = std::filesystem::temp_directory_path() / "bv-bench-latency";
  std::filesystem::create_directories(work);
  setenv("SDL_AUDIODRIVER", "disk", 0);
  setenv("SDL_DISKAUDIOFILE", (work / "heard.raw").c_str(), 0);
  QApplication app(argc, argv);
  const int presses = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 60;

  const std::string program = work / "program";
  {
    std::ofstream plain(program, std::ios::binary);
    plain.seekp(bv::kProgramFileLength - 1);
    plain.put('\0');
  }
  bv::samples::MjpgBackupOptions mjpg;
  mjpg.frames = 3000;
  const std::string mjpgPath = work / "fastest.zrv";
  bv::samples::SoundBackupOptions sound;
  sound.seconds = 60;
  const std::string soundPath = work / "sound.zrv";
  if (!bv::samples::MakeMjpgBackup(mjpg).WriteContainer(mjpgPath) ||
      !bv::samples::MakeSoundBackup(sound).writer.WriteContainer(soundPath)) {
    std::fprintf(stderr, "cannot write the backups in %s\n", work.c_str());
    return 1;
  }

  CViewerDlg::Options options;
  options.programPath = program;
  options.chooseFileToOpen = [] { return std::string(); };
  options.messageBox = [](const QString& text, bool) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); };
  CViewerDlg dialog(options);
  if (!dialog.OnInitDialog()) return 1;
  dialog.show();
  QTest::qWait(100);
  CLatencyRun run(dialog, presses);

  std::printf("%-22s %-6s %6s %8s %10s %8s %12s %8s\n", "play", "press", "counted", "refused", "median ms", "max ms",
              "x reference", "> 50 ms");
  Figures reference;
  run.Open(mjpgPath);
  run.MeasureReference(reference);
  std::printf("%-22s %-6s %6zu %8d %10.2f %8.2f %12s %8ld\n", "paused (reference)", "step", reference.ms.size(),
              reference.refused, reference.Median(), reference.Max(), "1.0", reference.Over(50));

  // The fastest speed: the speed slider's End key.
  QTest::keyClick(dialog.Slider(bv::IDC_SPEED_SLIDER), Qt::Key_End);
  Figures pause, step, stop;
  run.Measure(pause, step, stop);
  Report("fastest MJPG", "pause", pause, reference);
  Report("fastest MJPG", "step", step, reference);
  Report("fastest MJPG", "stop", stop, reference);

  run.Open(soundPath);
  if (dialog.Controller().Count() == 0 || !dialog.Controller().Index()[0].IsAudioPaced()) {
    std::fprintf(stderr, "the backup with sound did not open as audio-paced\n");
    return 1;
  }
  Figures pacedPause, pacedStep, pacedStop;
  run.Measure(pacedPause, pacedStep, pacedStop);
  Report("audio-paced", "pause", pacedPause, reference);
  Report("audio-paced", "step", pacedStep, reference);
  Report("audio-paced", "stop", pacedStop, reference);

  const int refused = pause.refused + step.refused + stop.refused + pacedPause.refused + pacedStep.refused +
                      pacedStop.refused + reference.refused;
  return refused == 0 ? 0 : 1;
}
