// The engine lends its picture buffers to the DIB window instead of having
// it copy every frame: a lent frame's bytes must stay as they were until the
// engine releases them. A watching window keeps a copy of every lent frame
// and compares it with the engine's memory at every later call, through
// play on the playback thread, backward play from kept pictures, steps,
// seeks, stills and the other presentation. Real backups on disk, the real
// codec modules.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/host/control_ids.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/codec_environment.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/mpeg4_backup.h"
#include "tools/samples/sample_backups.h"

namespace bv {
namespace {

class LendingWatcher : public IVideoWindow {
 public:
  void SetEventInfo(uint8_t, const std::string&, int32_t, COLORREF, const std::string&) override { Check(); }
  void ShowFrame(const VideoFrame& frame, const FrameTexts&) override {
    std::lock_guard lock(mutex_);
    CheckLocked();
    lent_ = frame.lent ? frame.pixels : nullptr;
    if (!lent_) return;
    copy_.assign(frame.pixels, frame.pixels + static_cast<size_t>(frame.width) * frame.height * 3);
    ++lentFrames_;
  }
  void ReleasePixels(const uint8_t* pixels) override {
    std::lock_guard lock(mutex_);
    CheckLocked();
    if (pixels == lent_) {
      lent_ = nullptr;
      ++releases_;
    }
  }
  void ClearPicture() override { Forget(); }
  void SetInfoItems(uint8_t, uint8_t, uint8_t, uint8_t) override { Check(); }
  void ShowStill(const uint8_t*, const BITMAPINFOHEADER&, const std::string&) override { Forget(); }
  int PrintPicture(const uint8_t*, uint32_t, const BITMAPINFOHEADER&, const std::string&) override { return 0; }

  // Lent frames whose bytes changed before they were released.
  int Breaches() {
    std::lock_guard lock(mutex_);
    CheckLocked();
    return breaches_;
  }
  int LentFrames() {
    std::lock_guard lock(mutex_);
    return lentFrames_;
  }
  int Releases() {
    std::lock_guard lock(mutex_);
    return releases_;
  }
  bool HoldsLentFrame() {
    std::lock_guard lock(mutex_);
    return lent_ != nullptr;
  }

 private:
  void Check() {
    std::lock_guard lock(mutex_);
    CheckLocked();
  }
  void Forget() {
    std::lock_guard lock(mutex_);
    CheckLocked();
    lent_ = nullptr;
  }
  void CheckLocked() {
    if (lent_ && std::memcmp(lent_, copy_.data(), copy_.size()) != 0) {
      ++breaches_;
      lent_ = nullptr;  // counted once
    }
  }

  std::mutex mutex_;
  const uint8_t* lent_ = nullptr;
  std::vector<uint8_t> copy_;
  int lentFrames_ = 0;
  int releases_ = 0;
  int breaches_ = 0;
};

class LendingHost : public CHeadlessHost {
 public:
  IVideoWindow* VideoWindow(bool overlay) override { return overlay ? CHeadlessHost::VideoWindow(true) : &watcher; }
  LendingWatcher watcher;
};

bool WaitFor(const std::function<bool()>& condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class EngineLendingTest : public ::testing::Test {
 protected:
  EngineLendingTest() {
    env_.RegisterDriver();
    host.SetMessageSink(nullptr);
    controller.Engine().CreateDecoders();
  }

  void Open(const CBackupWriter& writer, bool overlay) {
    const std::string path = dir_.File("b.zrv");
    ASSERT_TRUE(writer.WriteContainer(path));
    host.SetMenuItemChecked(ID_OPTION_OVERLAY, overlay);
    ASSERT_TRUE(controller.OpenBackup(path, false));
  }
  // Fastest play on the playback thread until it ends by itself: forward
  // play at the last record, backward play at the first (which leaves the
  // thread waiting, so it is stopped then).
  void PlayThroughOnTheThread(bool forward) {
    host.SetSpeedPosition(20);
    controller.OnSpeedSlider(20);
    if (forward) {
      controller.PlayForward();
    } else {
      controller.PlayBackward();
    }
    ASSERT_TRUE(WaitFor([&] { return controller.GetPlayState() == kStoppedOrPaused; }));
    controller.Stop();
    ASSERT_TRUE(WaitFor([&] { return controller.GetThreadState() == kNoThread; }));
  }
  // As the playback thread plays backward: one record back at a time.
  void PlayBackwardByRecords(int records) {
    controller.SetPlayState(kPlayingBackward);
    for (int i = 0; i < records && controller.CurrentIndex() > 0; ++i) {
      controller.GoToRecord(controller.CurrentIndex() - 1);
    }
    controller.SetPlayState(kStoppedOrPaused);
  }
  // Every way the engine shows or rewrites a picture, in one presentation.
  void ShowInEveryWay(const std::string& where) {
    PlayThroughOnTheThread(true);
    controller.GoToLast();
    PlayBackwardByRecords(20);
    controller.StepBackward();
    controller.StepForward();
    controller.OnPositionSlider(5);
    controller.OnPositionSlider(controller.Count() - 3);
    EXPECT_TRUE(controller.Engine().StillDecode()) << where;
    controller.StepForward();
    controller.GoToLast();
    PlayThroughOnTheThread(false);
    EXPECT_EQ(host.watcher.Breaches(), 0) << where << ": a lent picture was written before it was released";
  }

  test::CodecEnvironment env_;
  test::TempDir dir_;
  LendingHost host;
  CPlaybackController controller{host};
};

TEST_F(EngineLendingTest, LentPicturesStayUnchangedUntilReleasedForEveryCodec) {
  samples::MjpgBackupOptions mjpg;
  mjpg.frames = 60;
  mjpg.width = 176;
  mjpg.height = 144;
  samples::WaveletBackupOptions wavelet;
  wavelet.frames = 60;
  wavelet.width = 176;
  wavelet.height = 144;
  wavelet.keyFrameInterval = 12;
  samples::Mpeg4BackupOptions mpeg4;
  mpeg4.frames = 60;
  mpeg4.width = 176;
  mpeg4.height = 144;
  mpeg4.keyFrameInterval = 12;
  const std::pair<const char*, CBackupWriter> backups[] = {{"MJPG", samples::MakeMjpgBackup(mjpg)},
                                                           {"Wavelet", samples::MakeWaveletBackup(wavelet)},
                                                           {"MPEG-4", samples::MakeMpeg4Backup(mpeg4)}};
  for (const auto& [name, writer] : backups) {
    const int lentBefore = host.watcher.LentFrames();
    const int releasesBefore = host.watcher.Releases();
    Open(writer, false);
    ShowInEveryWay(std::string(name) + " DIB");
    // The engine's buffers are lent, and taken back before being rewritten:
    // the Wavelet and MPEG-4 pictures are written where the last one is on
    // show, MJPG pictures into the other buffer.
    EXPECT_GT(host.watcher.LentFrames() - lentBefore, 60) << name;
    if (std::string(name) != "MJPG") {
      EXPECT_GT(host.watcher.Releases() - releasesBefore, 30) << name;
    }

    // The overlay presentation writes the same buffers while the DIB window
    // may still hold the last frame it was lent.
    Open(writer, true);
    ShowInEveryWay(std::string(name) + " overlay after DIB");
    Open(writer, false);
    controller.StepForward();
    EXPECT_EQ(host.watcher.Breaches(), 0) << name << " DIB again";
  }
  // Shutting down takes every lent picture back before the buffers go.
  ASSERT_TRUE(host.watcher.HoldsLentFrame());
  controller.Shutdown();
  EXPECT_FALSE(host.watcher.HoldsLentFrame());
  EXPECT_EQ(host.watcher.Breaches(), 0);
}

}  // namespace
}  // namespace bv
