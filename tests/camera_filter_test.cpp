// Playing one camera of a two-camera backup alone: steps, jumps, the slider,
// forward play and going to a time pass over the other camera's records.
#include <gtest/gtest.h>

#include "base/format/record_time.h"
#include "base/host/control_ids.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/recording_host.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

class CameraFilterTest : public ::testing::Test {
 protected:
  test::RecordingHost host;
  CPlaybackController controller{host};
  test::TempDir dir;

  void SetUp() override {
    ASSERT_TRUE(test::WriteTwoCameraBackup(dir.File("TWO.ZRV")));
    ASSERT_TRUE(controller.OpenBackup(dir.File("TWO.ZRV"), false));
    controller.UpdatePlaybackControls();
  }
};

TEST_F(CameraFilterTest, StepsAndJumpsStayOnTheChosenCamera) {
  EXPECT_EQ(controller.CamerasInIndex(), (std::vector<int>{0, 1}));
  EXPECT_EQ(controller.CameraFilter(), CPlaybackController::kAllCameras);
  controller.SetCameraFilter(1);
  // Record 0 is camera 0's: the camera's first record is shown instead.
  EXPECT_EQ(controller.CurrentIndex(), 1u);
  EXPECT_EQ(host.Position(), 1u);
  EXPECT_FALSE(host.Button(IDC_STEP_BACKWARD).enabled);  // nothing of camera 1 before it
  controller.StepForward();
  EXPECT_EQ(controller.CurrentIndex(), 4u);
  controller.StepForward();
  EXPECT_EQ(controller.CurrentIndex(), 5u);
  controller.StepForward();
  EXPECT_EQ(controller.CurrentIndex(), 7u);
  EXPECT_FALSE(host.Button(IDC_STEP_FORWARD).enabled);
  controller.StepForward();  // past the camera's last record: nothing
  EXPECT_EQ(controller.CurrentIndex(), 7u);
  controller.StepBackward();
  EXPECT_EQ(controller.CurrentIndex(), 5u);
  controller.GoToFirst();
  EXPECT_EQ(controller.CurrentIndex(), 1u);
  controller.GoToLast();
  EXPECT_EQ(controller.CurrentIndex(), 7u);
  controller.OnPositionSlider(3);  // camera 0's: back to camera 1's record before it
  EXPECT_EQ(controller.CurrentIndex(), 1u);
  EXPECT_EQ(host.Position(), 1u);
  controller.Stop();
  EXPECT_EQ(controller.CurrentIndex(), 1u);

  controller.SetCameraFilter(0);
  EXPECT_EQ(controller.CurrentIndex(), 0u);
  controller.GoToLast();
  EXPECT_EQ(controller.CurrentIndex(), 6u);
  controller.SetCameraFilter(7);  // no such camera: refused
  EXPECT_EQ(controller.CameraFilter(), 0);
  controller.SetCameraFilter(CPlaybackController::kAllCameras);
  controller.StepForward();
  EXPECT_EQ(controller.CurrentIndex(), 7u);
}

TEST_F(CameraFilterTest, ForwardPlayAndGoToTimeShowOnlyTheChosenCamera) {
  controller.SetCameraFilter(0);
  controller.BeginSteppedForwardPlay();
  std::vector<uint32_t> shown;
  do shown.push_back(controller.CurrentIndex());
  while (controller.StepForwardPlay());
  EXPECT_EQ(shown, (std::vector<uint32_t>{0, 2, 3, 6}));
  EXPECT_EQ(controller.CurrentIndex(), 0u);  // wrapped to the camera's first record

  // Record 5 (camera 1) is the latest at that moment; camera 0 shows record 3.
  const int64_t atFive = RecordMomentMs(controller.Index()[5]);
  EXPECT_EQ(controller.GoToTime(atFive), 3u);
  controller.SetCameraFilter(1);
  EXPECT_EQ(controller.GoToTime(atFive), 5u);
  EXPECT_EQ(controller.GoToTime(RecordMomentMs(controller.Index()[0])), 1u);  // before camera 1 begins

  // A new open plays every camera again.
  ASSERT_TRUE(controller.OpenBackup(dir.File("TWO.ZRV"), false));
  EXPECT_EQ(controller.CameraFilter(), CPlaybackController::kAllCameras);
}

}  // namespace
}  // namespace bv
