// Commands given at awkward moments of play, in the real dialog: pause, step
// and stop while real-time pacing waits for a record's time, play pressed
// just as forward play ends, and the end of backward play at record 0.
#include <QApplication>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "base/host/control_ids.h"
#include "base/platform/tick_clock.h"
#include "tests/gui/viewer_fixture.h"
#include "tools/samples/sound_backup.h"

namespace bv {
namespace {

using namespace std::chrono_literals;

// A tick that stands still until released: real-time pacing waits on it for
// ever. A watchdog releases it after a while, so that a wait that ignores
// the commands ends too and the test can tell.
class CFrozenClock : public ITickClock {
 public:
  CFrozenClock() {
    watchdog_ = std::thread([this] {
      std::unique_lock lock(mutex_);
      if (!finished_.wait_for(lock, 10s, [this] { return done_; })) released_ = true;
    });
  }
  ~CFrozenClock() override {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    finished_.notify_all();
    watchdog_.join();
  }
  uint32_t TickCount() override { return released_ ? SteadyTickClock().TickCount() + 100000 : 5000; }
  void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  bool Released() const { return released_; }

 private:
  std::atomic<bool> released_{false};
  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;
  std::thread watchdog_;
};

class PlaybackTimingTest : public test::ViewerFixture {
 protected:
  int saveDialogs = 0;

  void StartViewer() {
    // What would be heard goes to a file.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", dir.File("heard.raw").c_str(), 1);
    CViewerDlg::Options options;
    options.chooseFileToSave = [this] {
      ++saveDialogs;
      return std::string();
    };
    Start(options);
  }
  void PlayFastest() {
    QTest::keyClick(dialog->Slider(IDC_SPEED_SLIDER), Qt::Key_End);
    Click(IDC_PLAY_FORWARD);
  }
};

TEST_F(PlaybackTimingTest, PauseStepAndStopTakeEffectWhilePacingWaitsForARecordsTime) {
  StartViewer();
  samples::SoundBackupOptions sound;
  sound.seconds = 4;
  ASSERT_TRUE(samples::MakeSoundBackup(sound).writer.WriteContainer(dir.File("sound.zrv")));
  OpenWithButton(dir.File("sound.zrv"));
  ASSERT_GT(controller().Count(), 40u);
  ASSERT_TRUE(controller().Index()[0].IsAudioPaced());
  CFrozenClock clock;
  controller().Engine().SetTickClock(clock);

  // The second record is due 100 ms into the second; on this clock that
  // moment never comes, so play waits inside the step.
  Click(IDC_PLAY_FORWARD);
  ASSERT_EQ(controller().Engine().FrameDelay(), 1u) << "paced by the records' times";
  ASSERT_TRUE(test::PumpUntil([&] { return controller().CurrentIndex() >= 1; }));
  QTest::qWait(50);
  ASSERT_EQ(controller().GetThreadState(), kThreadInStep);

  Click(IDC_PAUSE);
  EXPECT_FALSE(clock.Released()) << "pause waited for the record's time";
  EXPECT_EQ(controller().GetPlayState(), kStoppedOrPaused);
  EXPECT_EQ(controller().GetThreadState(), kThreadBetweenSteps);
  const uint32_t paused = controller().CurrentIndex();
  EXPECT_EQ(Edit(IDC_CAMERA_TITLE).isEmpty(), false);

  Click(IDC_PLAY_FORWARD);
  QTest::qWait(50);
  Click(IDC_STEP_FORWARD);
  EXPECT_FALSE(clock.Released()) << "the step waited for the record's time";
  EXPECT_EQ(controller().GetPlayState(), kStoppedOrPaused);
  EXPECT_GT(controller().CurrentIndex(), paused);

  Click(IDC_PLAY_FORWARD);
  QTest::qWait(50);
  ASSERT_EQ(controller().GetThreadState(), kThreadInStep);
  Click(IDC_STOP);
  EXPECT_FALSE(clock.Released()) << "stop waited for the record's time";
  EXPECT_EQ(controller().GetThreadState(), kNoThread);
  EXPECT_EQ(controller().CurrentIndex(), 0u);
  controller().Engine().SetTickClock(SteadyTickClock());
}

TEST_F(PlaybackTimingTest, PlayPressedAsForwardPlayEndsStartsPlayAgain) {
  StartViewer();
  test::WriteMjpgBackup(dir.File("short.zrv"), 6);
  OpenWithButton(dir.File("short.zrv"));
  // The moment forced: forward play has ended, the screen shows record 0
  // and play offered again, but the thread has not finished yet.
  std::atomic<bool> ended{false};
  std::atomic<bool> released{false};
  std::atomic<int> ends{0};
  struct HoldAtFirstEnd : IPlaybackThreadObserver {
    std::atomic<bool>& ended;
    std::atomic<bool>& released;
    std::atomic<int>& ends;
    HoldAtFirstEnd(std::atomic<bool>& e, std::atomic<bool>& r, std::atomic<int>& n) : ended(e), released(r), ends(n) {}
    void OnForwardPlayEnded() override {
      if (ends++ > 0) return;
      ended = true;
      const auto limit = std::chrono::steady_clock::now() + 10s;
      while (!released && std::chrono::steady_clock::now() < limit) std::this_thread::sleep_for(1ms);
    }
  } observer(ended, released, ends);
  controller().SetPlaybackThreadObserver(&observer);
  PlayFastest();
  ASSERT_TRUE(test::PumpUntil([&] { return ended.load(); }));
  // What the thread's last step handed over is on screen once events are
  // served.
  QApplication::processEvents();
  ASSERT_EQ(controller().GetPlayState(), kStoppedOrPaused);
  ASSERT_NE(controller().GetThreadState(), kNoThread);
  ASSERT_FALSE(dialog->Button(IDC_PLAY_FORWARD)->HasDisabledLook());
  ASSERT_FALSE(dialog->Button(IDC_PLAY_FORWARD)->IsLatched());

  // The ending thread goes on once events are served again: the click
  // must wait for it rather than find it and start no thread.
  QTimer::singleShot(0, [&] { released = true; });
  Click(IDC_PLAY_FORWARD);
  EXPECT_TRUE(released) << "the play command did not wait for the ending thread";
  EXPECT_EQ(controller().GetPlayState(), kPlayingForward);
  EXPECT_NE(controller().GetThreadState(), kNoThread);
  EXPECT_TRUE(dialog->Button(IDC_PLAY_FORWARD)->IsLatched());
  // And it plays: the records move, and play ends again by itself.
  EXPECT_TRUE(test::PumpUntil([&] { return ends.load() == 2; }));
  EXPECT_TRUE(test::PumpUntil([&] { return controller().GetThreadState() == kNoThread; }));
  EXPECT_EQ(controller().GetPlayState(), kStoppedOrPaused);
  controller().SetPlaybackThreadObserver(nullptr);
}

TEST_F(PlaybackTimingTest, BackwardPlayReachingTheFirstRecordOffersSaveAndPrintAgain) {
  StartViewer();
  test::WriteMjpgBackup(dir.File("hall.zrv"), 20);
  OpenWithButton(dir.File("hall.zrv"));
  Click(IDC_LAST_RECORD);
  QTest::keyClick(dialog->Slider(IDC_SPEED_SLIDER), Qt::Key_End);
  Click(IDC_PLAY_BACKWARD);
  EXPECT_TRUE(dialog->Button(IDC_SAVE_SNAPSHOT)->HasDisabledLook());
  ASSERT_TRUE(test::PumpUntil([&] { return controller().CurrentIndex() == 0; }));
  ASSERT_TRUE(test::PumpUntil([&] { return !dialog->Button(IDC_SAVE_SNAPSHOT)->HasDisabledLook(); }));
  // Play has ended there, without Pause: the buttons say so.
  EXPECT_EQ(controller().GetPlayState(), kStoppedOrPaused);
  EXPECT_FALSE(dialog->Button(IDC_PLAY_BACKWARD)->IsLatched());
  EXPECT_TRUE(dialog->Button(IDC_SAVE_SNAPSHOT)->isEnabled());
  EXPECT_FALSE(dialog->Button(IDC_PRINT)->HasDisabledLook());
  EXPECT_EQ(Edit(IDC_CAMERA_TITLE), TitleOf(0));
  Click(IDC_SAVE_SNAPSHOT);
  EXPECT_EQ(saveDialogs, 1);
  // Forward play goes on from there with the same thread.
  Click(IDC_PLAY_FORWARD);
  EXPECT_EQ(controller().GetPlayState(), kPlayingForward);
  EXPECT_TRUE(test::PumpUntil([&] { return controller().CurrentIndex() >= 3; }));
  Click(IDC_STOP);
}

}  // namespace
}  // namespace bv
