// The sliders under the mouse and the keyboard, in the real dialog: keys as a
// trackbar's, one picture per drag step, paging while the button is held,
// and the position the user chose winning over the playback thread's last
// steps.
#include <QApplication>
#include <QMouseEvent>
#include <QSlider>
#include <QTest>
#include <thread>

#include "base/host/control_ids.h"
#include "controls/custom_slider_ctrl.h"
#include "playback/engine/playback_engine.h"
#include "tests/gui/viewer_fixture.h"

namespace bv {
namespace {

using namespace std::chrono_literals;

class SliderInputTest : public test::ViewerFixture {
 protected:
  CCustomSliderCtrl* Slider(int id) { return static_cast<CCustomSliderCtrl*>(dialog->Slider(id)); }
  void OpenFrames(int frames) {
    Start();
    test::WriteMjpgBackup(dir.File("hall.zrv"), frames);
    OpenWithButton(dir.File("hall.zrv"));
    ASSERT_EQ(controller().Count(), static_cast<uint32_t>(frames));
  }
  // The position slider, the record shown and its title agree.
  void ExpectShown(uint32_t record) {
    EXPECT_EQ(controller().CurrentIndex(), record);
    EXPECT_EQ(Slider(IDC_POSITION_SLIDER)->value(), static_cast<int>(record));
    EXPECT_EQ(Edit(IDC_CAMERA_TITLE), TitleOf(record));
  }
  void PlayFastest() {
    QSlider* speed = Slider(IDC_SPEED_SLIDER);
    QTest::keyClick(speed, Qt::Key_End);
    ASSERT_EQ(speed->value(), 20);
    Click(IDC_PLAY_FORWARD);
    ASSERT_EQ(controller().GetPlayState(), kPlayingForward);
  }
};

TEST_F(SliderInputTest, KeysMoveAsOnATrackbarUpAndPageUpTowardTheMinimum) {
  OpenFrames(200);
  QSlider* speed = Slider(IDC_SPEED_SLIDER);
  ASSERT_EQ(speed->value(), 10);
  const auto delayAt = [](int position) { return CPlaybackEngine::DelayForStep(20 - position); };
  struct Step {
    Qt::Key key;
    int expected;
  };
  for (const Step& step : {Step{Qt::Key_Up, 9}, Step{Qt::Key_Left, 8}, Step{Qt::Key_Down, 9}, Step{Qt::Key_Right, 10},
                           Step{Qt::Key_PageUp, 1}, Step{Qt::Key_PageDown, 11}, Step{Qt::Key_End, 20},
                           Step{Qt::Key_Home, 1}}) {
    QTest::keyClick(speed, step.key);
    EXPECT_EQ(speed->value(), step.expected) << step.key;
    // Up plays slower, Down faster: the frame delay follows the slider.
    EXPECT_EQ(controller().Engine().FrameDelay(), delayAt(step.expected)) << step.key;
  }

  // The position slider pages by count / 100 = 2 records, and shows each
  // position it reaches.
  QSlider* position = Slider(IDC_POSITION_SLIDER);
  ASSERT_EQ(position->pageStep(), 2);
  for (const Step& step : {Step{Qt::Key_PageDown, 2}, Step{Qt::Key_PageDown, 4}, Step{Qt::Key_PageUp, 2},
                           Step{Qt::Key_Down, 3}, Step{Qt::Key_Up, 2}, Step{Qt::Key_Right, 3}, Step{Qt::Key_Left, 2},
                           Step{Qt::Key_End, 199}, Step{Qt::Key_Home, 0}}) {
    QTest::keyClick(position, step.key);
    ExpectShown(step.expected);
  }
}

TEST_F(SliderInputTest, DraggingTheThumbDecodesOnePicturePerStep) {
  OpenFrames(200);
  CCustomSliderCtrl* slider = Slider(IDC_POSITION_SLIDER);
  const QPoint start = slider->ThumbRect().center();
  QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, start);
  int last = slider->value();
  for (int step = 1; step <= 12; ++step) {
    const uint64_t decoded = controller().Engine().DecodedPictures();
    QTest::mouseMove(slider, start + QPoint(step * 9, 0));
    ASSERT_GT(slider->value(), last) << "each step reaches a new record";
    last = slider->value();
    EXPECT_EQ(controller().Engine().DecodedPictures() - decoded, 1u) << "step " << step;
    ExpectShown(static_cast<uint32_t>(last));
  }
  QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, start + QPoint(12 * 9, 0));
  ExpectShown(static_cast<uint32_t>(last));
}

TEST_F(SliderInputTest, AClickHeldOnTheChannelPagesUntilTheThumbReachesThePointer) {
  OpenFrames(200);
  CCustomSliderCtrl* slider = Slider(IDC_POSITION_SLIDER);
  const QRect channel = slider->ChannelRect();
  // About record 24: a dozen pages of 2 from the start.
  const QPoint pointer(channel.left() + channel.width() * 24 / 199, slider->height() / 2);
  QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, pointer);
  EXPECT_EQ(slider->value(), 2) << "the press itself pages once";
  ASSERT_TRUE(test::PumpUntil([&] { return slider->ThumbRect().right() >= pointer.x(); }, 8000ms))
      << "stopped at " << slider->value();
  const int reached = slider->value();
  QTest::qWait(400);
  EXPECT_EQ(slider->value(), reached) << "paging stops at the pointer";
  EXPECT_GE(reached, 20);
  EXPECT_LE(reached, 28);
  QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, pointer);
  ExpectShown(static_cast<uint32_t>(reached));

  // A short click pages once, toward the click.
  QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(channel.left() + 2, slider->height() / 2));
  QTest::qWait(500);
  ExpectShown(static_cast<uint32_t>(reached - 2));
}

TEST_F(SliderInputTest, ClicksOnTheChannelDuringPlayPauseAndShowWhereTheThumbStays) {
  OpenFrames(300);
  CCustomSliderCtrl* slider = Slider(IDC_POSITION_SLIDER);
  for (int round = 0; round < 8; ++round) {
    PlayFastest();
    const uint32_t from = controller().CurrentIndex();
    ASSERT_TRUE(test::PumpUntil([&] { return controller().CurrentIndex() >= from + 3; }));
    // Beside the thumb, toward the end: one page on from where play paused.
    const QPoint beside(slider->ThumbRect().right() + 30, slider->height() / 2);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, beside);
    EXPECT_EQ(controller().GetPlayState(), kStoppedOrPaused);
    EXPECT_FALSE(dialog->Button(IDC_PLAY_FORWARD)->IsLatched());
    const uint32_t shown = controller().CurrentIndex();
    ExpectShown(shown);
    QTest::qWait(30);
    ExpectShown(shown);  // no late step of the thread moves the thumb back
    if (shown > 250) QTest::keyClick(slider, Qt::Key_Home);
  }
}

TEST_F(SliderInputTest, MovesArrivingWhileThePlaybackThreadIsPausedAreShownToo) {
  OpenFrames(300);
  CCustomSliderCtrl* slider = Slider(IDC_POSITION_SLIDER);
  PlayFastest();
  ASSERT_TRUE(test::PumpUntil([&] { return controller().CurrentIndex() >= 5; }));
  // Not serving events for a while leaves the playback thread waiting for
  // the screen in the middle of a step, so the pause below has to wait.
  std::this_thread::sleep_for(30ms);
  ASSERT_EQ(controller().GetThreadState(), kThreadInStep);
  const QPoint grip = slider->ThumbRect().center();
  QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, grip);
  // The user's next move is already waiting when the first one pauses play.
  const QPoint later = grip + QPoint(60, 0);
  QApplication::postEvent(slider, new QMouseEvent(QEvent::MouseMove, QPointF(later), slider->mapToGlobal(QPointF(later)),
                                                  Qt::NoButton, Qt::LeftButton, Qt::NoModifier));
  QTest::mouseMove(slider, grip + QPoint(20, 0));
  QApplication::processEvents();
  EXPECT_EQ(controller().GetPlayState(), kStoppedOrPaused);
  const int reached = slider->value();
  EXPECT_GT(reached, 5 + 20);
  ExpectShown(static_cast<uint32_t>(reached));
  QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, later);
  ExpectShown(static_cast<uint32_t>(reached));
}

}  // namespace
}  // namespace bv
