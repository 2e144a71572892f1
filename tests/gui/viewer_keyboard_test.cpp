// The dialog from the keyboard and the mouse as a new user meets it: where
// the keyboard starts, the menus' access keys, tooltips and the speed
// readout, the video area's edge, and the full-screen view.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWindow>
#include <filesystem>

#include "app/viewer_app.h"
#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "controls/custom_slider_ctrl.h"
#include "playback/engine/playback_engine.h"
#include "tests/gui/viewer_fixture.h"
#include "tests/support/small_backups.h"
#include "video/dib_video_wnd.h"
#include "video/overlay_video_wnd.h"

namespace bv {
namespace {

using namespace std::chrono_literals;

int CountNear(const QImage& image, const QRect& area, const QColor& colour, int tolerance) {
  int n = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      n += std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance &&
           std::abs(c.blue() - colour.blue()) <= tolerance;
    }
  }
  return n;
}

class ViewerKeyboardTest : public test::ViewerFixture {
 protected:
  std::vector<std::string> exportSuggestions;

  void StartWith(int frames) {
    test::WriteMjpgBackup(dir.File("hall.zrv"), frames);
    CViewerDlg::Options options;
    options.fileToOpen = dir.File("hall.zrv");
    options.chooseExportFile = [this](const std::string& suggested) {
      exportSuggestions.push_back(suggested);
      return std::string();
    };
    Start(options);
    ASSERT_TRUE(test::PumpUntil([&] { return controller().Count() == static_cast<uint32_t>(frames); }));
    Activate();
  }
  // Opens a top-level menu with its access key and returns it.
  QMenu* OpenMenu(Qt::Key key) {
    QTest::keyClick(dialog.get(), key, Qt::AltModifier);
    QMenu* menu = nullptr;
    test::PumpUntil([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr; });
    return menu;
  }
  // Switches to the DIB presentation from the keyboard (Option menu).
  void SwitchPresentation() {
    QMenu* option = OpenMenu(Qt::Key_O);
    ASSERT_NE(option, nullptr);
    QTest::keyClick(option, Qt::Key_P);
  }
};

TEST_F(ViewerKeyboardTest, ShortcutsWorkRightAfterStartUpWithoutAClick) {
  StartWith(50);
  // Nothing has been clicked: the keyboard is where the shortcuts work, not
  // in a read-only field that would keep the arrow keys.
  QWidget* focus = QApplication::focusWidget();
  ASSERT_NE(focus, nullptr);
  EXPECT_EQ(focus, dialog->ClientArea());
  EXPECT_EQ(qobject_cast<QLineEdit*>(focus), nullptr);
  QTest::keyClick(focus, Qt::Key_Right);
  EXPECT_EQ(controller().CurrentIndex(), 1u);
  EXPECT_EQ(Edit(IDC_CAMERA_TITLE), TitleOf(1));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
  EXPECT_EQ(controller().CurrentIndex(), 49u);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Home);
  EXPECT_EQ(controller().CurrentIndex(), 0u);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  EXPECT_EQ(controller().GetPlayState(), kPlayingForward);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  EXPECT_EQ(controller().GetPlayState(), kStoppedOrPaused);
  // A click on the picture brings the keyboard back from a field.
  dialog->Edit(IDC_LOCATION)->setFocus();
  QTest::mouseClick(&dialog->DibWindow(), Qt::LeftButton);
  QTest::mouseClick(dialog->OverlayWindow(), Qt::LeftButton);
  EXPECT_EQ(QApplication::focusWidget(), dialog->ClientArea());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  EXPECT_EQ(controller().CurrentIndex(), 1u);
}

TEST_F(ViewerKeyboardTest, ExportAndExitHaveAccessKeysOfTheirOwn) {
  StartWith(10);
  QMenu* file = OpenMenu(Qt::Key_F);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->title(), QStringLiteral("&File"));
  QTest::keyClick(file, Qt::Key_E);
  EXPECT_EQ(exportSuggestions, std::vector<std::string>{dir.File("hall.mkv")});
  EXPECT_TRUE(dialog->isVisible());

  file = OpenMenu(Qt::Key_F);
  ASSERT_NE(file, nullptr);
  QTest::keyClick(file, Qt::Key_X);
  EXPECT_FALSE(dialog->isVisible()) << "Alt+F, X exits at once";
  EXPECT_EQ(controller().GetThreadState(), kNoThread);
}

TEST_F(ViewerKeyboardTest, TheVideoAreaHasItsSunkenTwoPixelEdge) {
  StartWith(10);
  SwitchPresentation();
  ASSERT_FALSE(controller().Engine().IsOverlay());
  CDibVideoWnd& video = dialog->DibWindow();
  const QImage shown = video.grab().toImage();
  const QPalette& p = video.palette();
  const int w = shown.width();
  const int h = shown.height();
  // Outer ring: shadow at the top and left, highlight at the bottom and
  // right; inner ring: dark shadow, then light.
  EXPECT_EQ(shown.pixelColor(w / 2, 0).rgb(), p.color(QPalette::Dark).rgb());
  EXPECT_EQ(shown.pixelColor(0, h / 2).rgb(), p.color(QPalette::Dark).rgb());
  EXPECT_EQ(shown.pixelColor(w / 2, 1).rgb(), p.color(QPalette::Shadow).rgb());
  EXPECT_EQ(shown.pixelColor(w / 2, h - 1).rgb(), p.color(QPalette::Light).rgb());
  EXPECT_EQ(shown.pixelColor(w - 1, h / 2).rgb(), p.color(QPalette::Light).rgb());
  EXPECT_EQ(shown.pixelColor(w - 2, h / 2).rgb(), p.color(QPalette::Midlight).rgb());
  // The picture fills the client area inside the edge.
  EXPECT_EQ(video.ComposedPicture().size(), video.size() - QSize(4, 4));
  EXPECT_EQ(shown.copy(2, 2, w - 4, h - 4), video.ComposedPicture());
}

TEST_F(ViewerKeyboardTest, ButtonsAndSlidersTellTheirCommandAndKeyAndTheSpeedItGives) {
  StartWith(30);
  auto tipOf = [&](QWidget* widget) -> QString {
    QTest::mouseMove(widget, QPoint(widget->width() / 2, widget->height() / 2));
    if (!test::PumpUntil([] { return QToolTip::isVisible(); }, 3000ms)) return QString();
    const QString text = QToolTip::text();
    QToolTip::hideText();
    QTest::mouseMove(dialog->ClientArea(), QPoint(2, 2));
    test::PumpUntil([] { return !QToolTip::isVisible(); }, 1000ms);
    return text;
  };
  EXPECT_EQ(tipOf(dialog->Button(IDC_STEP_FORWARD)), QStringLiteral("Step Forward (Right)"));
  EXPECT_EQ(tipOf(dialog->Button(IDC_PLAY_FORWARD)), QStringLiteral("Play (Space)"));
  EXPECT_EQ(tipOf(dialog->Button(IDC_STOP)), QStringLiteral("Stop"));
  EXPECT_EQ(tipOf(dialog->Button(IDC_OPEN)),
            QStringLiteral("Open (%1)").arg(QKeySequence(QKeySequence::Open).toString(QKeySequence::NativeText)));
  for (int id : {IDC_PLAY_BACKWARD, IDC_PAUSE, IDC_STEP_BACKWARD, IDC_FIRST_RECORD, IDC_LAST_RECORD,
                 IDC_SAVE_SNAPSHOT, IDC_PRINT}) {
    EXPECT_FALSE(dialog->Button(id)->toolTip().isEmpty()) << id;
  }
  // 10 frames a second recorded; speed 10 waits 30 ms a frame.
  EXPECT_EQ(tipOf(dialog->Slider(IDC_SPEED_SLIDER)),
            QStringLiteral("Speed: 30 ms per frame, 3.33 x real time (Left / Right: slower / faster)"));
  EXPECT_TRUE(tipOf(dialog->Slider(IDC_POSITION_SLIDER)).startsWith(QStringLiteral("Position: record 1 of 30")));

  // Dragging the speed thumb shows the speed reached as it goes.
  auto* speed = static_cast<CCustomSliderCtrl*>(dialog->Slider(IDC_SPEED_SLIDER));
  const QPoint grip = speed->ThumbRect().center();
  QTest::mousePress(speed, Qt::LeftButton, Qt::NoModifier, grip);
  QTest::mouseMove(speed, QPoint(speed->width() - 1, grip.y()));
  ASSERT_EQ(speed->value(), 20);
  ASSERT_TRUE(test::PumpUntil([] { return QToolTip::isVisible(); }, 2000ms));
  EXPECT_EQ(QToolTip::text(), QStringLiteral("Speed: 1 ms per frame, 100 x real time (Left / Right: slower / faster)"));
  QTest::mouseRelease(speed, Qt::LeftButton, Qt::NoModifier, QPoint(speed->width() - 1, grip.y()));
  EXPECT_EQ(controller().Engine().FrameDelay(), 1u);
}

TEST_F(ViewerKeyboardTest, FullScreenShowsThePictureAloneKeepsTheKeysAndEscapeLeavesIt) {
  StartWith(40);
  SwitchPresentation();
  ASSERT_FALSE(controller().Engine().IsOverlay());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  const QRect before = dialog->frameGeometry();

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F11);
  ASSERT_TRUE(test::PumpUntil([&] { return dialog->isFullScreen(); }));
  QApplication::processEvents();
  const QSize screen = dialog->screen()->size();
  EXPECT_EQ(dialog->size(), screen);
  EXPECT_FALSE(dialog->findChild<QMenuBar*>()->isVisible());
  for (int id : {IDC_PLAY_FORWARD, IDC_OPEN, IDC_SAVE_SNAPSHOT}) EXPECT_FALSE(dialog->Button(id)->isVisible()) << id;
  EXPECT_FALSE(dialog->Slider(IDC_POSITION_SLIDER)->isVisible());
  EXPECT_FALSE(dialog->Edit(IDC_CAMERA_TITLE)->isVisible());
  // The picture as large as the screen allows at 360 : 288, centred.
  const QRect picture = dialog->DibWindow().geometry();
  EXPECT_NEAR(picture.width() * 288.0 / picture.height(), 360.0, 1.5);
  EXPECT_TRUE(picture.width() == screen.width() || picture.height() == screen.height());
  EXPECT_NEAR(picture.center().x(), screen.width() / 2, 1);
  EXPECT_NEAR(picture.center().y(), screen.height() / 2, 1);
  // Its texts at its own corners: the camera title bottom left, the size
  // bottom right.
  const QImage composed = dialog->DibWindow().ComposedPicture();
  ASSERT_EQ(composed.size(), picture.size());
  const int h = composed.height();
  EXPECT_GT(CountNear(composed, QRect(10, h - 25, 60, 18), Qt::white, 10), 20);
  EXPECT_GT(CountNear(composed, QRect(composed.width() - 70, h - 25, 70, 18), Qt::white, 10), 20);

  // The playback keys work there.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  EXPECT_EQ(controller().CurrentIndex(), 2u);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  EXPECT_EQ(controller().GetPlayState(), kPlayingForward);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  EXPECT_EQ(controller().GetPlayState(), kStoppedOrPaused);

  // Escape leaves the view, not the program.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  ASSERT_TRUE(test::PumpUntil([&] { return !dialog->isFullScreen(); }));
  QApplication::processEvents();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->frameGeometry(), before);
  EXPECT_TRUE(dialog->Button(IDC_PLAY_FORWARD)->isVisible());
  EXPECT_TRUE(dialog->Slider(IDC_POSITION_SLIDER)->isVisible());
  EXPECT_EQ(dialog->DibWindow().geometry().size(), dialog->ClientArea()->size() - QSize(192, 73));
  EXPECT_EQ(dialog->DibWindow().ComposedPicture().size(), dialog->DibWindow().size() - QSize(4, 4));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  EXPECT_TRUE(dialog->isVisible());

  // A double-click on the picture enters it, F11 leaves it.
  QTest::mouseDClick(&dialog->DibWindow(), Qt::LeftButton);
  ASSERT_TRUE(test::PumpUntil([&] { return dialog->isFullScreen(); }));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F11);
  ASSERT_TRUE(test::PumpUntil([&] { return !dialog->isFullScreen(); }));
  EXPECT_EQ(dialog->frameGeometry(), before);
  // The size rules are back.
  const QSize frame = dialog->frameGeometry().size() - dialog->size();
  EXPECT_EQ(dialog->maximumSize() + frame, QSize(840, 639));
}

TEST_F(ViewerKeyboardTest, ASelfContainedViewerThatLosesItsBackupEndsTheRunWithExitCode1) {
  const std::string self = dir.File("evidence");
  ASSERT_TRUE(test::MakeSmallBackup(5, 4).WriteSelfContained(self, std::vector<uint8_t>(kProgramFileLength, 1)));
  const auto run = [&](const std::function<void()>& user) {
    CViewerDlg::Options options;
    options.programPath = self;
    options.messageBox = [this](const QString& text, bool) { messages.push_back(text); };
    dialog = std::make_unique<CViewerDlg>(options);
    QTimer::singleShot(0, [&] {
      test::PumpUntil([&] { return dialog->isVisible() && controller().Count() == 4; });
      Activate();
      user();
      // Whatever the user did, the run ends here (exit code 0).
      if (dialog->isVisible()) dialog->windowHandle()->close();
    });
    return RunViewerDialog(*dialog);
  };
  // Closed by the user: a normal end.
  EXPECT_EQ(run([] {}), 0);
  EXPECT_TRUE(messages.empty());
  // The backup appended to the program is gone when the presentation is
  // switched from the Option menu: the viewer has nothing to show.
  EXPECT_EQ(run([&] {
              std::filesystem::resize_file(self, kProgramFileLength + 10);
              SwitchPresentation();
            }),
            1);
  EXPECT_FALSE(messages.empty());
}

}  // namespace
}  // namespace bv
