// The playback commands and thread against the headless host: play states,
// thread states, current record, latched and disabled buttons.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "base/host/control_ids.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/recording_host.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 5000ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

class PlaybackCommandsTest : public ::testing::Test {
 protected:
  test::RecordingHost host;
  CPlaybackController controller{host};
  test::TempDir dir;

  void Open(const CBackupWriter& writer) {
    ASSERT_TRUE(writer.WriteContainer(dir.File("b.zrv")));
    ASSERT_TRUE(controller.OpenBackup(dir.File("b.zrv"), false));
    controller.UpdatePlaybackControls();
  }
  void SetFastest() {
    host.SetSpeedPosition(20);
    controller.OnSpeedSlider(20);
  }
};

TEST_F(PlaybackCommandsTest, ForwardPlayWrapsToRecordZeroAndEndsTheThread) {
  Open(test::MakeSmallBackup(7, 6));
  SetFastest();
  controller.PlayForward();
  EXPECT_TRUE(host.Button(IDC_PLAY_FORWARD).latched);
  EXPECT_FALSE(host.Button(IDC_SAVE_SNAPSHOT).enabled);
  ASSERT_TRUE(WaitFor([&] { return controller.GetThreadState() == kNoThread; }));
  EXPECT_EQ(controller.CurrentIndex(), 0u);
  EXPECT_EQ(controller.GetPlayState(), kStoppedOrPaused);
  EXPECT_FALSE(host.Button(IDC_PLAY_FORWARD).latched);
  EXPECT_FALSE(host.Button(IDC_PLAY_BACKWARD).latched);
  EXPECT_TRUE(host.Button(IDC_SAVE_SNAPSHOT).enabled);
  EXPECT_EQ(host.Position(), 0u);
}

TEST_F(PlaybackCommandsTest, BackwardPlayEndsAtRecordZeroTheThreadIdlesUntilPausedOrStopped) {
  Open(test::MakeSmallBackup(7, 5));
  SetFastest();
  controller.GoToLast();
  EXPECT_EQ(controller.CurrentIndex(), 4u);
  controller.PlayBackward();
  EXPECT_TRUE(host.Button(IDC_PLAY_BACKWARD).latched);
  EXPECT_FALSE(host.Button(IDC_SAVE_SNAPSHOT).enabled);
  ASSERT_TRUE(WaitFor([&] { return controller.CurrentIndex() == 0; }));
  std::this_thread::sleep_for(20ms);
  EXPECT_NE(controller.GetThreadState(), kNoThread);
  // Play has ended there: the state and the buttons say so (save and print
  // are offered again) without a pause.
  EXPECT_EQ(controller.GetPlayState(), kStoppedOrPaused);
  EXPECT_FALSE(host.Button(IDC_PLAY_BACKWARD).latched);
  EXPECT_TRUE(host.Button(IDC_SAVE_SNAPSHOT).enabled);
  EXPECT_TRUE(host.Button(IDC_PRINT).enabled);
  EXPECT_EQ(controller.CurrentIndex(), 0u);
  controller.Pause();
  EXPECT_EQ(controller.GetThreadState(), kThreadBetweenSteps);
  EXPECT_EQ(controller.GetPlayState(), kStoppedOrPaused);
  controller.Stop();
  EXPECT_EQ(controller.GetThreadState(), kNoThread);
  EXPECT_EQ(controller.CurrentIndex(), 0u);
}

TEST_F(PlaybackCommandsTest, PauseHandshakeLeavesNoStepRunning) {
  Open(test::MakeSmallBackup(7, 400));
  SetFastest();
  for (int round = 0; round < 20; ++round) {
    controller.PlayForward();
    std::this_thread::sleep_for(2ms);
    controller.Pause();
    const uint32_t at = controller.CurrentIndex();
    std::this_thread::sleep_for(5ms);
    EXPECT_EQ(controller.CurrentIndex(), at) << "a step ran after the pause handshake";
    EXPECT_EQ(controller.GetThreadState(), kThreadBetweenSteps);
  }
  controller.Stop();
}

TEST_F(PlaybackCommandsTest, PlayResumesThePausedThreadAndSwitchesDirection) {
  Open(test::MakeSmallBackup(7, 400));
  host.SetSpeedPosition(15);  // 28 ms
  controller.OnSpeedSlider(15);
  controller.PlayForward();
  ASSERT_TRUE(WaitFor([&] { return controller.CurrentIndex() >= 3; }));
  controller.PlayBackward();  // no stop in between
  EXPECT_EQ(controller.GetPlayState(), kPlayingBackward);
  const uint32_t turned = controller.CurrentIndex();
  ASSERT_TRUE(WaitFor([&] { return controller.CurrentIndex() < turned; }));
  controller.Pause();
  controller.PlayForward();
  EXPECT_NE(controller.GetThreadState(), kNoThread);
  controller.Stop();
  EXPECT_EQ(controller.CurrentIndex(), 0u);
}

TEST_F(PlaybackCommandsTest, StepsAndJumpsLeavePlayStopped) {
  Open(test::MakeSmallBackup(7, 4));
  EXPECT_FALSE(host.Button(IDC_FIRST_RECORD).enabled);
  EXPECT_FALSE(host.Button(IDC_STEP_BACKWARD).enabled);
  EXPECT_FALSE(host.Button(IDC_PLAY_BACKWARD).enabled);
  EXPECT_TRUE(host.Button(IDC_LAST_RECORD).enabled);
  controller.StepBackward();  // past the start: nothing
  EXPECT_EQ(controller.CurrentIndex(), 0u);
  controller.StepForward();
  EXPECT_EQ(controller.CurrentIndex(), 1u);
  EXPECT_EQ(controller.GetPauseRequest(), 1);
  controller.GoToLast();
  EXPECT_EQ(controller.CurrentIndex(), 3u);
  EXPECT_FALSE(host.Button(IDC_LAST_RECORD).enabled);
  EXPECT_FALSE(host.Button(IDC_STEP_FORWARD).enabled);
  EXPECT_FALSE(host.Button(IDC_PLAY_FORWARD).enabled);
  EXPECT_TRUE(host.Button(IDC_FIRST_RECORD).enabled);
  controller.StepForward();  // past the end: nothing
  EXPECT_EQ(controller.CurrentIndex(), 3u);
  controller.GoToFirst();
  EXPECT_EQ(controller.CurrentIndex(), 0u);
  EXPECT_EQ(controller.GetPlayState(), kStoppedOrPaused);
  EXPECT_EQ(controller.GetThreadState(), kNoThread);
}

TEST_F(PlaybackCommandsTest, ForwardPlaySkipsAudioRecordsSingleStepsLandOnThem) {
  CBackupWriter writer(7);
  AUDIO_HEADER audio;
  for (int i = 0; i < 6; ++i) {
    if (i == 2 || i == 3) {
      writer.AddAudioChunk(INDEX_RECORD{}, audio, std::vector<uint8_t>(8, 0x80));
    } else {
      writer.AddVideoFrame(INDEX_RECORD{}, "T" + std::to_string(i), "L", test::FakePayload(0, 352, 240));
    }
  }
  Open(writer);
  controller.StepForward();
  controller.StepForward();
  EXPECT_EQ(controller.CurrentIndex(), 2u);  // an audio record: nothing new shown
  EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), " T1 (1)");

  controller.GoToFirst();
  std::vector<uint32_t> visited;
  host.SetSpeedPosition(12);  // 100 ms a step, slow enough to watch
  controller.OnSpeedSlider(12);
  controller.PlayForward();
  ASSERT_TRUE(WaitFor([&] {
    const uint32_t now = controller.CurrentIndex();
    if (visited.empty() || visited.back() != now) visited.push_back(now);
    return controller.GetThreadState() == kNoThread;
  }));
  EXPECT_EQ(std::count(visited.begin(), visited.end(), 2u), 0);
  EXPECT_EQ(std::count(visited.begin(), visited.end(), 3u), 0);
  EXPECT_NE(std::count(visited.begin(), visited.end(), 4u), 0);
}

TEST_F(PlaybackCommandsTest, MovingThePositionSliderPausesPlayAndShowsThatRecord) {
  Open(test::MakeSmallBackup(7, 300));
  host.SetSpeedPosition(10);
  controller.OnSpeedSlider(10);
  controller.PlayForward();
  controller.OnPositionSlider(120);
  EXPECT_EQ(controller.GetPlayState(), kStoppedOrPaused);
  EXPECT_EQ(controller.CurrentIndex(), 120u);
  EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), " CAM 120 (3)");
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(controller.CurrentIndex(), 120u);  // does not resume
  controller.OnPositionSlider(299);
  EXPECT_FALSE(host.Button(IDC_STEP_FORWARD).enabled);
  controller.Stop();
}

TEST_F(PlaybackCommandsTest, SpeedSliderKeepsOneMillisecondDuringAudioPacedForwardPlay) {
  CBackupWriter writer(7);
  for (int i = 0; i < 200; ++i) {
    INDEX_RECORD r{};
    r.type = 0x80;
    writer.AddVideoFrame(r, "T", "L", test::FakePayload(0, 352, 240));
  }
  Open(writer);
  host.SetSpeedPosition(5);
  controller.PlayForward();
  EXPECT_EQ(controller.Engine().FrameDelay(), 1u);
  controller.OnSpeedSlider(5);
  EXPECT_EQ(controller.Engine().FrameDelay(), 1u);
  controller.Pause();
  controller.OnSpeedSlider(5);
  EXPECT_EQ(controller.Engine().FrameDelay(), 190u);  // step 15
  controller.Stop();
}

TEST_F(PlaybackCommandsTest, CommandsWithoutABackupDoNothing) {
  controller.PlayForward();
  controller.PlayBackward();
  controller.StepForward();
  controller.StepBackward();
  controller.GoToFirst();
  controller.GoToLast();
  controller.OnPositionSlider(5);
  controller.Pause();
  controller.Stop();
  EXPECT_EQ(controller.GetThreadState(), kNoThread);
  EXPECT_EQ(controller.GetPlayState(), kStoppedOrPaused);
}

TEST_F(PlaybackCommandsTest, ResetDuringPlayEndsTheThreadAndEmptiesTheViewer) {
  Open(test::MakeSmallBackup(7, 300));
  SetFastest();
  controller.PlayForward();
  std::this_thread::sleep_for(10ms);
  controller.ResetViewer();
  EXPECT_EQ(controller.GetThreadState(), kNoThread);
  EXPECT_EQ(controller.Count(), 0u);
  EXPECT_FALSE(host.PositionSliderVisible());
  EXPECT_FALSE(host.SpeedSliderEnabled());
  EXPECT_EQ(host.SpeedPosition(), 10);
  for (int id : {IDC_PLAY_FORWARD, IDC_PAUSE, IDC_STOP, IDC_SAVE_SNAPSHOT, IDC_PRINT}) {
    EXPECT_TRUE(host.Button(id).disabledLook) << id;
    EXPECT_FALSE(host.Button(id).latched) << id;
  }
  EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), "");
}

}  // namespace
}  // namespace bv
