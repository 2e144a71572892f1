// Backward play, backward steps and seeks with the engine's picture cache:
// two viewers on the same backup, one keeping the pictures its catch-ups
// decode and one decoding every catch-up in full, must show the same thing
// at every step. Real backups on disk, the real codec modules, the headless
// video windows.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/host/control_ids.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/codec_environment.h"
#include "tests/support/picture_checks.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/mpeg4_backup.h"
#include "tools/samples/sample_backups.h"

namespace bv {
namespace {

enum class Codec { kMpeg4, kWavelet };

struct Viewer {
  explicit Viewer(bool keepPictures) {
    host.SetMessageSink(nullptr);
    controller.Engine().CreateDecoders();
    controller.Engine().SetPictureCacheEnabled(keepPictures);
  }
  CPlaybackEngine& Engine() { return controller.Engine(); }

  CHeadlessHost host;
  CPlaybackController controller{host};
};

// Everything a step makes visible.
struct Seen {
  uint32_t record = 0;
  uint8_t playState = 0;
  bool pictureDecoded = false;
  int framesShown = 0;  // by both windows since start-up, or by one step
  CHeadlessVideoWindow::Shown shown;
};

Seen Look(Viewer& viewer) {
  const bool overlay = viewer.Engine().IsOverlay();
  const CHeadlessVideoWindow& window = overlay ? viewer.host.OverlayWindow() : viewer.host.DibWindow();
  const int framesShown = viewer.host.DibWindow().FrameCount() + viewer.host.OverlayWindow().FrameCount();
  return Seen{viewer.controller.CurrentIndex(), viewer.controller.GetPlayState(), viewer.Engine().PictureDecoded(),
              framesShown, window.LastShown()};
}

void ExpectSame(const Seen& kept, const Seen& plain, const std::string& where) {
  EXPECT_EQ(kept.record, plain.record) << where;
  EXPECT_EQ(kept.playState, plain.playState) << where;
  EXPECT_EQ(kept.pictureDecoded, plain.pictureDecoded) << where;
  EXPECT_EQ(kept.framesShown, plain.framesShown) << where << ": frames shown by the step";
  EXPECT_EQ(kept.shown.what, plain.shown.what) << where;
  EXPECT_EQ(kept.shown.layout, plain.shown.layout) << where;
  EXPECT_EQ(kept.shown.width, plain.shown.width) << where;
  EXPECT_EQ(kept.shown.height, plain.shown.height) << where;
  EXPECT_EQ(0, std::memcmp(&kept.shown.header, &plain.shown.header, sizeof kept.shown.header)) << where;
  EXPECT_TRUE(kept.shown.pixels == plain.shown.pixels) << where << ": the pictures differ";
  EXPECT_EQ(kept.shown.texts.cameraTitle, plain.shown.texts.cameraTitle) << where;
  EXPECT_EQ(kept.shown.texts.sizeText, plain.shown.texts.sizeText) << where;
  EXPECT_EQ(kept.shown.texts.dateText, plain.shown.texts.dateText) << where;
  EXPECT_EQ(kept.shown.texts.dimensionText, plain.shown.texts.dimensionText) << where;
  EXPECT_EQ(kept.shown.event.kind, plain.shown.event.kind) << where;
  EXPECT_EQ(kept.shown.event.text, plain.shown.event.text) << where;
}

CBackupWriter MakeBackup(Codec codec, int frames, int keyFrameInterval, int quality = 0) {
  if (codec == Codec::kMpeg4) {
    samples::Mpeg4BackupOptions options;
    options.frames = frames;
    options.width = 176;
    options.height = 144;
    options.keyFrameInterval = keyFrameInterval;
    if (quality) options.quantizer = quality;
    return samples::MakeMpeg4Backup(options);
  }
  samples::WaveletBackupOptions options;
  options.frames = frames;
  options.width = 176;
  options.height = 144;
  options.keyFrameInterval = keyFrameInterval;
  if (quality) options.quality = quality;
  return samples::MakeWaveletBackup(options);
}

const char* Name(Codec codec) { return codec == Codec::kMpeg4 ? "MPEG-4" : "Wavelet"; }

class ReversePlay : public ::testing::Test {
 protected:
  ReversePlay() { env_.RegisterDriver(); }

  std::string Write(const CBackupWriter& writer, const std::string& name) {
    const std::string path = dir_.File(name);
    EXPECT_GT(writer.Count(), 0u);
    EXPECT_TRUE(writer.WriteContainer(path));
    return path;
  }
  static void OpenIn(Viewer& viewer, const std::string& path, bool overlay) {
    viewer.host.SetMenuItemChecked(ID_OPTION_OVERLAY, overlay);
    ASSERT_TRUE(viewer.controller.OpenBackup(path, false));
  }
  void Open(const std::string& path, bool overlay) {
    Both([&](Viewer& v) { OpenIn(v, path, overlay); }, "opened");
  }
  // One step on both viewers, then what they show is compared.
  void Both(const std::function<void(Viewer&)>& step, const std::string& where) {
    const int keptFrames = Look(kept_).framesShown;
    const int plainFrames = Look(plain_).framesShown;
    step(kept_);
    step(plain_);
    Seen kept = Look(kept_);
    Seen plain = Look(plain_);
    kept.framesShown -= keptFrames;
    plain.framesShown -= plainFrames;
    ExpectSame(kept, plain, where);
  }
  // As the playback thread plays: one record on in the play direction.
  static void PlayOne(Viewer& viewer, uint8_t state) {
    viewer.controller.SetPlayState(state);
    const uint32_t current = viewer.controller.CurrentIndex();
    viewer.controller.GoToRecord(state == kPlayingForward ? current + 1 : current - 1);
  }
  void Play(uint8_t state, int records, const std::string& where) {
    for (int i = 0; i < records; ++i) {
      Both([state](Viewer& v) { PlayOne(v, state); }, where + " " + std::to_string(kept_.controller.CurrentIndex()));
    }
  }

  test::CodecEnvironment env_;
  test::TempDir dir_;
  Viewer kept_{true};
  Viewer plain_{false};
};

TEST_F(ReversePlay, BackwardPlayFromTheEndShowsWhatTheUncachedEngineShows) {
  for (Codec codec : {Codec::kMpeg4, Codec::kWavelet}) {
    for (int interval : {12, 30}) {
      for (bool overlay : {false, true}) {
        const int frames = 2 * interval + 7;
        const std::string where =
            std::string(Name(codec)) + " interval " + std::to_string(interval) + (overlay ? " overlay" : " DIB");
        Open(Write(MakeBackup(codec, frames, interval), "b.zrv"), overlay);
        Both([](Viewer& v) { v.controller.GoToLast(); }, where + " last");
        const uint64_t keptBefore = kept_.Engine().DecodedPictures();
        const uint64_t plainBefore = plain_.Engine().DecodedPictures();
        Play(kPlayingBackward, frames, where);
        EXPECT_EQ(kept_.controller.CurrentIndex(), 0u) << where;

        // Each frame decoded once at most (the last ones before play, by the
        // seek), where the full catch-ups decode half a group per frame.
        const uint64_t keptDecodes = kept_.Engine().DecodedPictures() - keptBefore;
        const uint64_t plainDecodes = plain_.Engine().DecodedPictures() - plainBefore;
        EXPECT_LE(keptDecodes, static_cast<uint64_t>(frames)) << where;
        EXPECT_GT(plainDecodes, static_cast<uint64_t>(3 * frames)) << where;
        EXPECT_GT(kept_.Engine().CachedPicturesShown(), 0u);
        EXPECT_LE(kept_.Engine().PictureCache().PeakBytesHeld(), kept_.Engine().PictureCache().ByteBudget());
      }
    }
  }
}

// After pictures served from the cache the decoder has not moved with them:
// play forward, a still and steps from such a position must still build on
// the frame shown.
TEST_F(ReversePlay, StepsSeeksAndForwardPlayAfterBackwardMotionShowWhatTheUncachedEngineShows) {
  for (Codec codec : {Codec::kMpeg4, Codec::kWavelet}) {
    for (bool overlay : {false, true}) {
      const std::string where = std::string(Name(codec)) + (overlay ? " overlay" : " DIB");
      Open(Write(MakeBackup(codec, 40, 12), "s.zrv"), overlay);
      Both([](Viewer& v) { v.controller.OnPositionSlider(20); }, where + " seek 20");
      Play(kPlayingBackward, 3, where + " back");
      Play(kPlayingForward, 8, where + " forward over a key frame");
      Both([](Viewer& v) { v.controller.Pause(); }, where + " pause");
      Both([](Viewer& v) { v.controller.StepBackward(); }, where + " step back");
      Both([](Viewer& v) { v.controller.StepBackward(); }, where + " step back");
      Both([](Viewer& v) { v.controller.StepForward(); }, where + " step forward");
      Both([](Viewer& v) { v.controller.OnPositionSlider(5); }, where + " seek into another group");
      Both([](Viewer& v) { v.controller.OnPositionSlider(19); }, where + " seek back to a kept picture");
      Play(kPlayingBackward, 4, where + " back");
      Play(kPlayingBackward, 3, where + " back onto a key frame");
      Play(kPlayingForward, 3, where + " forward from a kept key frame");

      // The still of the frame shown, decoded again in 24 bits.
      ASSERT_TRUE(kept_.Engine().StillDecode()) << where;
      ASSERT_TRUE(plain_.Engine().StillDecode()) << where;
      const size_t bytes = static_cast<size_t>(kept_.Engine().Width()) * kept_.Engine().Height() * 3;
      EXPECT_EQ(0, std::memcmp(kept_.Engine().PresentationBuffer(), plain_.Engine().PresentationBuffer(), bytes))
          << where << ": the stills differ";

      Play(kPlayingBackward, 2, where + " back after the still");
      Play(kPlayingForward, 6, where + " forward from a kept picture");
      Both([](Viewer& v) { v.controller.Stop(); }, where + " stop");
    }
  }
}

// Stepping forward while paused goes on from the frame the decoder stands
// at: one decode a step, where the uncached engine catches up every time.
TEST_F(ReversePlay, StepsForwardDecodeOneFrameEachAndShowWhatTheUncachedEngineShows) {
  for (Codec codec : {Codec::kMpeg4, Codec::kWavelet}) {
    const std::string where = Name(codec);
    Open(Write(MakeBackup(codec, 40, 12), "f.zrv"), false);
    Both([](Viewer& v) { v.controller.OnPositionSlider(5); }, where + " seek 5");
    for (int step = 0; step < 22; ++step) {
      const uint64_t before = kept_.Engine().DecodedPictures();
      Both([](Viewer& v) { v.controller.StepForward(); }, where + " step " + std::to_string(step));
      EXPECT_EQ(kept_.Engine().DecodedPictures() - before, 1u) << where << " step " << step;
      if (step == 10) {
        // A still decodes on the decoder too; the next step catches up again.
        ASSERT_TRUE(kept_.Engine().StillDecode());
        ASSERT_TRUE(plain_.Engine().StillDecode());
        Both([](Viewer& v) { v.controller.StepForward(); }, where + " step after the still");
      }
    }
  }
}

TEST_F(ReversePlay, AnotherBackupWithTheSameRecordNumbersShowsItsOwnPictures) {
  for (Codec codec : {Codec::kMpeg4, Codec::kWavelet}) {
    const std::string first = Write(MakeBackup(codec, 30, 12, codec == Codec::kMpeg4 ? 2 : 80), "first.zrv");
    const std::string second = Write(MakeBackup(codec, 30, 12, 20), "second.zrv");
    // The kept viewer walks back through the first backup; the plain one
    // opens only the second.
    OpenIn(kept_, first, false);
    kept_.controller.GoToLast();
    for (int i = 0; i < 10; ++i) PlayOne(kept_, kPlayingBackward);
    ASSERT_GT(kept_.Engine().PictureCache().BytesHeld(), 0u);
    const std::vector<uint8_t> firstPicture = kept_.host.DibWindow().LastShown().pixels;

    Open(second, false);
    EXPECT_EQ(kept_.Engine().PictureCache().BytesHeld(), 0u) << Name(codec);
    Both([](Viewer& v) { v.controller.GoToLast(); }, std::string(Name(codec)) + " last");
    Play(kPlayingBackward, 10, std::string(Name(codec)) + " second backup");
    EXPECT_NE(plain_.host.DibWindow().LastShown().pixels, firstPicture) << "the backups' pictures must differ";
  }
}

TEST_F(ReversePlay, ChangingThePresentationForgetsThePicturesKeptInTheOther) {
  for (Codec codec : {Codec::kMpeg4, Codec::kWavelet}) {
    const std::string path = Write(MakeBackup(codec, 30, 12), "p.zrv");
    for (bool overlay : {false, true}) {
      const std::string where = std::string(Name(codec)) + (overlay ? " to overlay" : " to DIB");
      OpenIn(kept_, path, !overlay);
      kept_.controller.OnPositionSlider(22);
      PlayOne(kept_, kPlayingBackward);
      ASSERT_GT(kept_.Engine().PictureCache().BytesHeld(), 0u);

      // As the Options menu switches: the presentation, then the backup
      // opened again in it.
      kept_.Engine().SetDisplayMode(overlay);
      EXPECT_EQ(kept_.Engine().PictureCache().BytesHeld(), 0u) << where;
      Open(path, overlay);
      Both([](Viewer& v) { v.controller.OnPositionSlider(22); }, where + " seek");
      Play(kPlayingBackward, 8, where + " back");
    }
  }
}

// 704 x 576 pictures in 24 bits: a group of 50 frames is longer than the
// cache holds. Every picture shown backward is still the one the library
// decodes in order.
TEST_F(ReversePlay, AGroupLongerThanTheCacheStillShowsEveryPictureRight) {
  // MPEG-4 pictures are kept as their 4:2:0 planes, 40 of 704 x 576.
  constexpr int kFrames = 53;
  constexpr int kInterval = 50;
  const test::Mpeg4Clip clip = test::EncodeMpeg4Clip(704, 576, kFrames, kInterval);
  const auto reference = test::ReferenceMpeg4Pictures(clip, true);
  CBackupWriter writer(7, samples::DemoCameraInfo());
  for (int i = 0; i < kFrames; ++i) {
    writer.AddVideoFrame(samples::RecordTimeAt(i, 10), "CAM", "LOC", clip.payloads[i]);
  }
  OpenIn(kept_, Write(writer, "big.zrv"), false);
  const CDecodedPictureCache& cache = kept_.Engine().PictureCache();
  CachedPictureFormat planes{704, 576, true};
  planes.planar = true;
  ASSERT_LT(cache.CapacityFor(planes), static_cast<size_t>(kInterval - 1));

  kept_.controller.GoToLast();
  const uint64_t before = kept_.Engine().DecodedPictures();
  for (int i = kFrames - 1; i-- > 0;) {
    PlayOne(kept_, kPlayingBackward);
    ASSERT_EQ(kept_.controller.CurrentIndex(), static_cast<uint32_t>(i));
    ASSERT_TRUE(kept_.host.DibWindow().LastShown().pixels == test::FlipRows(reference[i], 704 * 3)) << "record " << i;
  }
  // Two catch-ups through the long group (and none per frame).
  EXPECT_LT(kept_.Engine().DecodedPictures() - before, static_cast<uint64_t>(3 * kFrames));
  EXPECT_GT(cache.PeakBytesHeld(), 0u);
  EXPECT_LE(cache.PeakBytesHeld(), cache.ByteBudget());
}

}  // namespace
}  // namespace bv
