// The viewer's window under a real window manager (openbox on the Xvfb
// server of the run): a normal top-level window that the taskbar lists and
// that can be minimised, and borders dragged with the mouse (xdotool) that
// keep the picture at 360:288 and the window within its limits.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <QTest>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/viewer_dlg.h"
#include "base/format/backup_constants.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/sample_backups.h"
#include "video/dib_video_wnd.h"

extern char** environ;

namespace bv {
namespace {

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

bool Have(const char* program) { return std::system((std::string("command -v ") + program + " >/dev/null").c_str()) == 0; }

class WindowManagerTest : public ::testing::Test {
 protected:
  static pid_t windowManager_;

  static void SetUpTestSuite() {
    if (!Have("openbox") || !Have("xdotool") || !Have("xprop") || qgetenv("DISPLAY").isEmpty()) return;
    const char* argv[] = {"openbox", nullptr};
    if (posix_spawnp(&windowManager_, "openbox", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
      windowManager_ = 0;
      return;
    }
    for (int i = 0; i < 100; ++i) {
      if (Output("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null").find("window id") != std::string::npos) return;
      QTest::qWait(50);
    }
  }
  static void TearDownTestSuite() {
    if (windowManager_ > 0) {
      kill(windowManager_, SIGTERM);
      waitpid(windowManager_, nullptr, 0);
      windowManager_ = 0;
    }
  }

  void SetUp() override {
    if (windowManager_ <= 0) GTEST_SKIP() << "needs openbox, xdotool and xprop on an X display";
    test::WriteFileBytes(dir.File("viewer"), std::vector<uint8_t>(kProgramFileLength, 0));
    samples::MjpgBackupOptions backup;
    backup.frames = 10;
    ASSERT_TRUE(samples::MakeMjpgBackup(backup).WriteContainer(dir.File("hall.zrv")));
    CViewerDlg::Options options;
    options.programPath = dir.File("viewer");
    options.fileToOpen = dir.File("hall.zrv");
    options.messageBox = [](const QString&, bool) {};
    dialog = std::make_unique<CViewerDlg>(options);
    ASSERT_TRUE(dialog->OnInitDialog());
    dialog->show();
    // A window manager that has only just started, on a loaded machine, may
    // take a while to map the first window it manages, or miss a window
    // mapped while it was starting: such a window is mapped again.
    if (!QTest::qWaitForWindowExposed(dialog.get(), 15000)) {
      dialog->hide();
      QTest::qWait(500);
      dialog->show();
    }
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get(), 30000));
    // The frame is there once the window manager has reparented the window.
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->windowHandle()->frameMargins().top() > 0; }, 30000));
    QTest::qWait(300);
  }

  std::string Property(const char* name) {
    return Output("xprop -id " + std::to_string(dialog->winId()) + " " + name + " 2>&1");
  }
  // Drags with the left button from the point (x, y) of the screen by
  // (dx, dy), in steps as a hand would.
  void Drag(int x, int y, int dx, int dy) {
    std::string command = "xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " mousedown 1";
    for (int step = 1; step <= 8; ++step) {
      command += " sleep 0.03 mousemove " + std::to_string(x + dx * step / 8) + " " + std::to_string(y + dy * step / 8);
    }
    command += " sleep 0.05 mouseup 1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    QTest::qWait(400);
  }
  // The video area keeps 360:288 within a pixel.
  void ExpectPictureProportion(const char* after) {
    const QSize video = dialog->DibWindow().size();
    EXPECT_LE(std::abs(video.width() * 288 - video.height() * 360), 360)
        << after << ": video area " << video.width() << " x " << video.height();
  }

  test::TempDir dir;
  std::unique_ptr<CViewerDlg> dialog;
};

pid_t WindowManagerTest::windowManager_ = 0;

TEST_F(WindowManagerTest, TheViewerIsANormalTopLevelWindowThatMinimises) {
  EXPECT_NE(Property("_NET_WM_WINDOW_TYPE").find("_NET_WM_WINDOW_TYPE_NORMAL"), std::string::npos);
  EXPECT_EQ(Property("_NET_WM_WINDOW_TYPE").find("_NET_WM_WINDOW_TYPE_DIALOG"), std::string::npos);
  EXPECT_NE(Property("WM_TRANSIENT_FOR").find("not found"), std::string::npos);
  EXPECT_EQ(Property("_NET_WM_STATE").find("_NET_WM_STATE_SKIP_TASKBAR"), std::string::npos);
  ASSERT_EQ(std::system(("xdotool windowminimize " + std::to_string(dialog->winId())).c_str()), 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Property("_NET_WM_STATE").find("_NET_WM_STATE_HIDDEN") != std::string::npos; },
                              3000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->isMinimized(); }, 3000));
}

TEST_F(WindowManagerTest, DraggedBordersKeepThePictureProportionAndTheLimits) {
  QRect frame = dialog->frameGeometry();
  // The bottom-right corner, outward.
  Drag(frame.right() - 1, frame.bottom() - 1, 150, 40);
  QRect after = dialog->frameGeometry();
  EXPECT_GT(after.width(), frame.width()) << "the drag resized nothing";
  ExpectPictureProportion("bottom-right corner");
  // The right border, then the bottom border, inward (a window manager
  // keeps the proportion by giving up part of a one-sided drag outward).
  frame = after;
  Drag(frame.right(), frame.center().y(), -60, 0);
  after = dialog->frameGeometry();
  EXPECT_LT(after.width(), frame.width());
  EXPECT_LT(after.height(), frame.height());
  ExpectPictureProportion("right border");
  frame = after;
  Drag(frame.center().x(), frame.bottom() - 1, 0, -40);
  after = dialog->frameGeometry();
  EXPECT_LT(after.height(), frame.height());
  EXPECT_LT(after.width(), frame.width());
  ExpectPictureProportion("bottom border");
  // Far beyond the largest size: the whole window stays within 840 x 639.
  frame = after;
  Drag(frame.right() - 1, frame.bottom() - 1, 400, 400);
  after = dialog->frameGeometry();
  EXPECT_LE(after.width(), 840);
  EXPECT_LE(after.height(), 639);
  EXPECT_GE(after.width(), frame.width());
  ExpectPictureProportion("beyond the largest size");
  // Far below the smallest size: the whole window stays at least 560 x 415
  // and the picture keeps its proportion there too.
  frame = after;
  Drag(frame.right() - 1, frame.bottom() - 1, -600, -600);
  after = dialog->frameGeometry();
  EXPECT_GE(after.width(), 560);
  EXPECT_GE(after.height(), 415);
  EXPECT_LE(after.width(), 570);
  ExpectPictureProportion("below the smallest size");
}

}  // namespace
}  // namespace bv
