// The real viewer on a real X server: the picture and its outlined texts
// where they belong on the screen during play, in both presentations.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QTest>
#include <functional>

#include "app/viewer_dlg.h"
#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/sample_backups.h"
#include "video/dib_video_wnd.h"

namespace bv {
namespace {

bool Near(const QColor& a, const QColor& b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

int Count(const QImage& image, const QRect& area, const QColor& colour, int tolerance) {
  int n = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) n += Near(image.pixelColor(x, y), colour, tolerance);
  }
  return n;
}

class OnScreenTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::unique_ptr<CViewerDlg> dialog;

  void SetUp() override {
    test::WriteFileBytes(dir.File("viewer"), std::vector<uint8_t>(kProgramFileLength, 0));
    samples::MjpgBackupOptions options;
    options.frames = 60;
    ASSERT_TRUE(samples::MakeMjpgBackup(options).WriteContainer(dir.File("demo.zrv")));
    CViewerDlg::Options o;
    o.programPath = dir.File("viewer");
    o.chooseFileToOpen = [this] { return dir.File("demo.zrv"); };
    o.messageBox = [](const QString&, bool) {};
    dialog = std::make_unique<CViewerDlg>(o);
    ASSERT_TRUE(dialog->OnInitDialog());
    dialog->move(40, 40);
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    QTest::qWait(200);  // the Open dialog of the first paint opens the backup
    ASSERT_EQ(dialog->Controller().Count(), 60u);
  }

  // The video area as the screen shows it now.
  QImage GrabVideoArea() {
    QApplication::processEvents();
    QTest::qWait(50);
    const QRect area = dialog->DibWindow().geometry();
    const QPoint origin = dialog->ClientArea()->mapToGlobal(area.topLeft());
    return QGuiApplication::primaryScreen()->grabWindow(0, origin.x(), origin.y(), area.width(), area.height()).toImage();
  }

  void PlayAndPause() {
    dialog->SetSpeedPosition(15);
    dialog->Controller().OnSpeedSlider(15);
    dialog->Controller().PlayForward();
    QTest::qWait(400);
    dialog->Controller().Pause();
  }

  // Colour bars along the top third, white outlined texts along the bottom.
  void ExpectPictureAndTexts(const QImage& screen) {
    ASSERT_FALSE(screen.isNull());
    const int w = screen.width();
    const int h = screen.height();
    const int barY = h / 6;
    EXPECT_TRUE(Near(screen.pixelColor(w * 1 / 16, barY), QColor(235, 235, 235), 24)) << "white bar";
    EXPECT_TRUE(Near(screen.pixelColor(w * 3 / 16, barY), QColor(235, 235, 16), 24)) << "yellow bar";
    EXPECT_TRUE(Near(screen.pixelColor(w * 11 / 16, barY), QColor(235, 16, 16), 24)) << "red bar";
    const QRect camera(10, h - 25, 110, 16);
    EXPECT_GT(Count(screen, camera, Qt::white, 20), 30);
    EXPECT_GT(Count(screen, camera.adjusted(-1, -1, 1, 1), Qt::black, 20), 30);
    const QRect size(w - 70, h - 25, 70, 16);
    EXPECT_GT(Count(screen, size, Qt::white, 20), 15);
  }
};

TEST_F(OnScreenTest, DibPresentationShowsThePictureAndTextsDuringPlay) {
  dialog->MenuAction(ID_OPTION_OVERLAY)->trigger();  // start-up switched overlay on
  ASSERT_FALSE(dialog->Controller().Engine().IsOverlay());
  dialog->OnOpen();
  PlayAndPause();
  EXPECT_GT(dialog->Controller().CurrentIndex(), 3u);
  ExpectPictureAndTexts(GrabVideoArea());
}

TEST_F(OnScreenTest, OverlayFrameOnScreenMatchesTheDibFrameOfTheSameRecord) {
  ASSERT_TRUE(dialog->Controller().Engine().IsOverlay());
  PlayAndPause();
  const uint32_t record = dialog->Controller().CurrentIndex();
  const QImage overlay = GrabVideoArea();
  ExpectPictureAndTexts(overlay);

  dialog->MenuAction(ID_OPTION_OVERLAY)->trigger();
  dialog->OnOpen();
  dialog->Controller().OnPositionSlider(record);
  const QImage dib = GrabVideoArea();
  ASSERT_EQ(overlay.size(), dib.size());
  int differing = 0;
  for (int y = 0; y < dib.height(); ++y) {
    for (int x = 0; x < dib.width(); ++x) differing += !Near(overlay.pixelColor(x, y), dib.pixelColor(x, y), 12);
  }
  // The same picture; JPEG's chroma reaches the two presentations by
  // different paths, and text edges are smoothed differently.
  EXPECT_LT(differing, dib.width() * dib.height() / 20) << differing;
}

}  // namespace
}  // namespace bv
