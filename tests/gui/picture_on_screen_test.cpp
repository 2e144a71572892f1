// What the DIB window shows while the user steps, seeks and plays with the
// keyboard and the buttons: the picture of the record the dialog says it
// is on, for every codec. The window is grabbed as it paints itself and the
// picture is told apart from its neighbours by comparing it with every
// source picture of the backup.
#include <QApplication>
#include <QImage>
#include <QTest>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "base/host/control_ids.h"
#include "playback/engine/playback_controller.h"
#include "tests/gui/viewer_fixture.h"
#include "tools/samples/mpeg4_backup.h"
#include "tools/samples/sample_backups.h"
#include "tools/samples/test_picture.h"
#include "video/dib_video_wnd.h"

namespace bv {
namespace {

constexpr int kWidth = 176;
constexpr int kHeight = 144;
constexpr int kFrames = 30;
constexpr int kKeyInterval = 12;

class PictureOnScreenTest : public test::ViewerFixture {
 protected:
  std::vector<QImage> sources;

  void SetUp() override {
    for (int i = 0; i < kFrames; ++i) {
      const samples::RgbPicture picture = samples::MakeTestPicture(kWidth, kHeight, i);
      sources.push_back(QImage(picture.pixels.data(), kWidth, kHeight, kWidth * 3, QImage::Format_RGB888)
                            .convertToFormat(QImage::Format_RGB32));
    }
    Start();
    Activate();
    if (dialog->MenuAction(ID_OPTION_OVERLAY)->isChecked()) dialog->MenuAction(ID_OPTION_OVERLAY)->trigger();
  }

  void OpenBackup(const CBackupWriter& writer, const std::string& name) {
    ASSERT_EQ(writer.Count(), static_cast<uint32_t>(kFrames)) << name;
    ASSERT_TRUE(writer.WriteContainer(dir.File(name)));
    OpenWithButton(dir.File(name));
    ASSERT_TRUE(test::PumpUntil([&] { return controller().Count() == static_cast<uint32_t>(kFrames); })) << name;
    Activate();
  }

  // The source picture nearest to what the window paints now.
  int FrameOnScreen() {
    QApplication::processEvents();
    CDibVideoWnd& window = dialog->DibWindow();
    const QImage shown = window.grab(window.ClientRect()).toImage().convertToFormat(QImage::Format_RGB32);
    int nearest = -1;
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < kFrames; ++i) {
      const QImage source = sources[i].scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      double difference = 0;
      for (int y = 0; y < shown.height(); y += 2) {
        const QRgb* a = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
        const QRgb* b = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < shown.width(); x += 2) {
          difference += std::abs(qRed(a[x]) - qRed(b[x])) + std::abs(qGreen(a[x]) - qGreen(b[x])) +
                        std::abs(qBlue(a[x]) - qBlue(b[x]));
        }
      }
      if (difference < best) {
        best = difference;
        nearest = i;
      }
    }
    return nearest;
  }

  void Key(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

  // The dialog's record and the picture on screen agree.
  void ExpectShown(uint32_t record, const std::string& where) {
    ASSERT_TRUE(test::PumpUntil([&] { return controller().CurrentIndex() == record; })) << where;
    EXPECT_EQ(FrameOnScreen(), static_cast<int>(record)) << where;
  }

  // Stops play with a click on Pause once it has moved on a few records,
  // and checks the picture left on screen is that of the record paused on.
  void PauseAfterAFewRecords(uint32_t from, const std::string& where) {
    ASSERT_TRUE(test::PumpUntil([&] {
      const uint32_t at = controller().CurrentIndex();
      return at != from && (at > from ? at - from : from - at) >= 4;
    })) << where;
    Click(IDC_PAUSE);
    ASSERT_TRUE(test::PumpUntil([&] { return controller().GetPlayState() == kStoppedOrPaused; })) << where;
    EXPECT_EQ(FrameOnScreen(), static_cast<int>(controller().CurrentIndex())) << where;
  }

  void WalkThrough(const std::string& codec) {
    ExpectShown(0, codec + " opened");
    for (uint32_t i = 1; i <= 3; ++i) {
      Key(Qt::Key_Right);
      ExpectShown(i, codec + " step forward");
    }
    Key(Qt::Key_End);
    ExpectShown(kFrames - 1, codec + " last record");
    // Back through the last group (kept pictures) and into the one before.
    for (uint32_t i = kFrames - 2; i + 1 > kFrames - 10u; --i) {
      Key(Qt::Key_Left);
      ExpectShown(i, codec + " step back to " + std::to_string(i));
    }
    Key(Qt::Key_Right);
    ExpectShown(kFrames - 9, codec + " step forward after stepping back");
    Key(Qt::Key_Home);
    ExpectShown(0, codec + " first record");

    Click(IDC_PLAY_FORWARD);
    PauseAfterAFewRecords(0, codec + " forward play paused");
    const uint32_t paused = controller().CurrentIndex();
    Key(Qt::Key_Right);
    ExpectShown(paused + 1, codec + " step after forward play");

    Key(Qt::Key_End);
    ExpectShown(kFrames - 1, codec + " last record again");
    Click(IDC_PLAY_BACKWARD);
    PauseAfterAFewRecords(kFrames - 1, codec + " backward play paused");
    const uint32_t back = controller().CurrentIndex();
    Key(Qt::Key_Left);
    ExpectShown(back - 1, codec + " step back after backward play");
  }
};

// Backup options of the test's size, key frame interval and length.
template <typename Options>
Options Sized(Options options) {
  options.frames = kFrames;
  options.width = kWidth;
  options.height = kHeight;
  if constexpr (requires { options.keyFrameInterval; }) options.keyFrameInterval = kKeyInterval;
  return options;
}

TEST_F(PictureOnScreenTest, TheWindowShowsTheRecordOnShowThroughStepsSeeksAndPlayForEveryCodec) {
  OpenBackup(samples::MakeMjpgBackup(Sized(samples::MjpgBackupOptions{})), "mjpg.zrv");
  WalkThrough("MJPG");
  OpenBackup(samples::MakeWaveletBackup(Sized(samples::WaveletBackupOptions{})), "wavelet.zrv");
  WalkThrough("Wavelet");
  OpenBackup(samples::MakeMpeg4Backup(Sized(samples::Mpeg4BackupOptions{})), "mpeg4.zrv");
  WalkThrough("MPEG-4");
}

}  // namespace
}  // namespace bv
