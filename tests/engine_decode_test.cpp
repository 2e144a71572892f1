// Decoding as the engine shows records: backups written with the project's
// writer and encoders, the real codec modules, the headless video windows.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "base/platform/le_bytes.h"
#include "codecs/mvia_dec.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/codec_environment.h"
#include "tests/support/picture_checks.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/mjpg_variants.h"
#include "tools/samples/mpeg4_encode.h"
#include "tools/samples/reference_jpeg.h"
#include "tools/samples/sample_backups.h"

namespace bv {
namespace {

using test::FlipRows;
using test::Mpeg4Clip;
using Payloads = std::vector<std::vector<uint8_t>>;

// A record of the backups below: a video payload, or audio samples.
struct Record {
  std::vector<uint8_t> bytes;
  bool audio = false;
};

std::vector<Record> VideoRecords(const Payloads& payloads) {
  std::vector<Record> records;
  for (const auto& payload : payloads) records.push_back(Record{payload, false});
  return records;
}

std::string WriteBackup(const test::TempDir& dir, const std::string& name, const std::vector<Record>& records,
                        uint32_t version = 7) {
  CBackupWriter writer(version, samples::DemoCameraInfo());
  for (size_t i = 0; i < records.size(); ++i) {
    const INDEX_RECORD time = samples::RecordTimeAt(static_cast<int>(i), 10, 0, records[i].audio ? 0xF0 : 0);
    if (records[i].audio) {
      AUDIO_HEADER header;
      header.channels = 1;
      header.samplesPerSecond = 8000;
      header.bitsPerSample = 8;
      header.chunksPerSecond = 1;
      writer.AddAudioChunk(time, header, records[i].bytes);
    } else {
      writer.AddVideoFrame(time, "CAM " + std::to_string(i), "LOC", records[i].bytes);
    }
  }
  const std::string path = dir.File(name);
  EXPECT_TRUE(writer.WriteContainer(path));
  return path;
}

// The MJPEG driver's picture of a recorder frame: libjpeg-turbo's decode,
// rows bottom-up.
std::vector<uint8_t> MjpgReference(const std::vector<uint8_t>& payload) {
  samples::CReferenceJpegDecoder decoder;
  std::vector<uint8_t> pixels(kPictureBufferSize);
  int w = 0;
  int h = 0;
  EXPECT_TRUE(decoder.Decode(payload.data() + 40, payload.size() - 40, samples::CReferenceJpegDecoder::Output::kBgr,
                             false, pixels.data(), pixels.size(), &w, &h));
  pixels.resize(static_cast<size_t>(w) * h * 3);
  return FlipRows(pixels, w * 3);
}

// The decodes seeks cost in groups of interval frames: none when an earlier
// catch-up through the group kept the picture (every frame it decoded);
// else the catch-up from the key frame, or from the frame the decoder stands
// at when that lies on the way.
struct SeekDecodes {
  uint64_t To(uint32_t target) {
    if (kept.count(target)) return 0;
    const uint32_t key = target - target % interval;
    const uint32_t first = at && *at >= key && *at < target ? *at + 1 : key;
    for (uint32_t k = first; k <= target; ++k) kept.insert(k);
    at = target;
    return target - first + 1;
  }
  uint32_t interval = 0;
  std::set<uint32_t> kept = {};
  // The backup opens on record 0, a key frame: the decoder stands there.
  std::optional<uint32_t> at = 0;
};

class EngineDecode : public ::testing::Test {
 protected:
  EngineDecode() {
    env_.RegisterDriver();
    host_.SetMessageSink(nullptr);
    controller_.Engine().CreateDecoders();
  }
  void Open(const std::string& path, bool overlay = false) {
    host_.SetMenuItemChecked(ID_OPTION_OVERLAY, overlay);
    ASSERT_TRUE(controller_.OpenBackup(path, false));
  }
  CHeadlessVideoWindow::Shown Shown(bool overlay = false) {
    return overlay ? host_.OverlayWindow().LastShown() : host_.DibWindow().LastShown();
  }
  // Shows record index as a seek or step does (not playing).
  void Seek(uint32_t index) {
    controller_.SetPlayState(kStoppedOrPaused);
    controller_.GoToRecord(index);
  }
  CPlaybackEngine& Engine() { return controller_.Engine(); }

  test::CodecEnvironment env_;
  test::TempDir dir_;
  CHeadlessHost host_;
  CPlaybackController controller_{host_};
};

TEST_F(EngineDecode, MjpgFramesReachTheDibWindowAsBottomUp24BitPictures) {
  Payloads payloads;
  for (int i = 0; i < 4; ++i) payloads.push_back(samples::MakeMjpgPayload(samples::MakeTestPicture(352, 240, i), 80));
  Open(WriteBackup(dir_, "m.zrv", VideoRecords(payloads)));
  Seek(2);
  const auto shown = Shown();
  EXPECT_EQ(shown.layout, PixelLayout::kBgr24BottomUp);
  EXPECT_EQ(shown.width, 352);
  EXPECT_EQ(shown.height, 240);
  EXPECT_EQ(shown.header.biSize, 40u);
  EXPECT_EQ(shown.header.biWidth, 352);
  EXPECT_EQ(shown.header.biHeight, 240);
  EXPECT_EQ(shown.header.biPlanes, 1);
  EXPECT_EQ(shown.header.biBitCount, 24);
  EXPECT_EQ(shown.header.biCompression, 0u);
  EXPECT_EQ(shown.header.biSizeImage, 352u * 240 * 3);
  EXPECT_EQ(shown.pixels, MjpgReference(payloads[2]));
  EXPECT_EQ(shown.texts.cameraTitle, "CAM 2");
  EXPECT_EQ(shown.texts.dimensionText, " 352 x 240");
  EXPECT_EQ(shown.texts.dateText, "03-14-2026, 19:30:00");
  EXPECT_TRUE(Engine().PictureDecoded());
  EXPECT_EQ(Engine().InputHeader().biCompression, 0u);
  EXPECT_EQ(Engine().OutputHeader().biCompression, 0u);
  EXPECT_EQ(Engine().OutputHeader().biBitCount, 24);
}

TEST_F(EngineDecode, OverlayShowsUyvyForMjpgAndYuy2ForMpeg4) {
  const Mpeg4Clip clip = test::EncodeMpeg4Clip(352, 240, 3, 12);
  const auto yuy2 = test::ReferenceMpeg4Pictures(clip, false);
  const std::vector<uint8_t> mjpg = samples::MakeMjpgPayload(samples::MakeTestPicture(352, 240, 0), 80);
  Open(WriteBackup(dir_, "o.zrv", VideoRecords({mjpg, clip.payloads[0], clip.payloads[1]})), true);

  auto shown = Shown(true);
  EXPECT_EQ(shown.layout, PixelLayout::kUyvy);
  EXPECT_EQ(shown.pixels.size(), 352u * 240 * 2);
  EXPECT_EQ(Engine().OutputHeader().biCompression, kFourCC_UYVY);
  EXPECT_EQ(Engine().OutputHeader().biBitCount, 16);
  EXPECT_EQ(Engine().OutputHeader().biSizeImage, 352u * 240 * 2);
  EXPECT_EQ(Engine().DisplayPointer(), Engine().PresentationBuffer());

  Seek(1);
  shown = Shown(true);
  EXPECT_EQ(shown.layout, PixelLayout::kYuy2);
  EXPECT_EQ(shown.pixels, yuy2[0]);
  EXPECT_NE(Engine().DisplayPointer(), Engine().PresentationBuffer()) << "YUY2 stays in the decoder output buffer";
  EXPECT_EQ(host_.DibWindow().FrameCount(), 0);
}

TEST_F(EngineDecode, Mpeg4FramesAreFlippedIntoTheDibPicture) {
  const Mpeg4Clip clip = test::EncodeMpeg4Clip(352, 240, 3, 12);
  const auto reference = test::ReferenceMpeg4Pictures(clip, true);
  Open(WriteBackup(dir_, "p.zrv", VideoRecords(clip.payloads)));
  const auto shown = Shown();
  EXPECT_EQ(shown.layout, PixelLayout::kBgr24BottomUp);
  EXPECT_EQ(shown.pixels, FlipRows(reference[0], 352 * 3));
  EXPECT_EQ(Engine().DisplayPointer(), Engine().PresentationBuffer());
}

// Seeking to a delta frame decodes from its key frame: the picture equals
// the library's decode of the stream in order.
TEST_F(EngineDecode, SeekingToMpeg4DeltaFramesEqualsDecodingInOrder) {
  for (int interval : {12, 30}) {
    const Mpeg4Clip clip = test::EncodeMpeg4Clip(352, 240, 2 * interval + 5, interval);
    const auto reference = test::ReferenceMpeg4Pictures(clip, true);
    Open(WriteBackup(dir_, "s" + std::to_string(interval) + ".zrv", VideoRecords(clip.payloads)));
    SeekDecodes decodes{static_cast<uint32_t>(interval)};
    // Last delta before a key frame, first delta after one, one in between,
    // and back again from far away.
    for (uint32_t target : {uint32_t(interval - 1), uint32_t(interval + 1), uint32_t(2 * interval - 1),
                            uint32_t(interval / 2), uint32_t(2 * interval + 3), uint32_t(interval - 1)}) {
      const uint64_t before = Engine().DecodedPictures();
      Seek(target);
      EXPECT_EQ(Shown().pixels, FlipRows(reference[target], 352 * 3)) << interval << " " << target;
      EXPECT_EQ(Engine().DecodedPictures() - before, decodes.To(target)) << interval << " " << target;
    }
  }
}

TEST_F(EngineDecode, SeekingInOverlayPresentationCatchesUpInYuy2) {
  const Mpeg4Clip clip = test::EncodeMpeg4Clip(176, 144, 20, 12);
  const auto reference = test::ReferenceMpeg4Pictures(clip, false);
  Open(WriteBackup(dir_, "y.zrv", VideoRecords(clip.payloads)), true);
  Seek(10);
  EXPECT_EQ(Shown(true).pixels, reference[10]);
  Seek(17);
  EXPECT_EQ(Shown(true).pixels, reference[17]);
}

TEST_F(EngineDecode, ForwardPlayDecodesDeltaFramesWithoutCatchUp) {
  const Mpeg4Clip clip = test::EncodeMpeg4Clip(176, 144, 12, 12);
  const auto reference = test::ReferenceMpeg4Pictures(clip, true);
  Open(WriteBackup(dir_, "f.zrv", VideoRecords(clip.payloads)));
  controller_.SetPlayState(kPlayingForward);
  for (uint32_t i = 1; i <= 5; ++i) {
    const uint64_t before = Engine().DecodedPictures();
    controller_.GoToRecord(i);
    EXPECT_EQ(Engine().DecodedPictures() - before, 1u) << i;
    EXPECT_EQ(Shown().pixels, FlipRows(reference[i], 176 * 3)) << i;
  }
  // A delta frame reached out of order while playing forward is decoded on
  // the state the decoder has: not the picture of that frame.
  controller_.GoToRecord(9);
  EXPECT_NE(Shown().pixels, FlipRows(reference[9], 176 * 3));
  // Stopped, the same frame is rebuilt from its key frame.
  Seek(9);
  EXPECT_EQ(Shown().pixels, FlipRows(reference[9], 176 * 3));
}

TEST_F(EngineDecode, BackwardPlayCatchesUpEveryDeltaFrame) {
  const Mpeg4Clip clip = test::EncodeMpeg4Clip(176, 144, 14, 12);
  const auto reference = test::ReferenceMpeg4Pictures(clip, true);
  Open(WriteBackup(dir_, "b.zrv", VideoRecords(clip.payloads)));
  Seek(13);
  controller_.SetPlayState(kPlayingBackward);
  for (uint32_t i = 12; i-- > 1;) {
    controller_.GoToRecord(i);
    ASSERT_EQ(Shown().pixels, FlipRows(reference[i], 176 * 3)) << i;
  }
}

TEST_F(EngineDecode, RecordZeroIsDecodedDirectlyEvenAsADeltaFrame) {
  // The backup starts inside a group: records 0..6 are delta frames, the
  // first key frame is record 7.
  const Mpeg4Clip clip = test::EncodeMpeg4Clip(176, 144, 30, 12);
  const auto reference = test::ReferenceMpeg4Pictures(clip, true);
  const Payloads payloads(clip.payloads.begin() + 5, clip.payloads.end());
  Open(WriteBackup(dir_, "z.zrv", VideoRecords(payloads)));
  EXPECT_FALSE(Engine().PictureDecoded()) << "a delta frame with nothing before it";

  Seek(10);  // key frame 7, then 8, 9, 10
  EXPECT_EQ(Shown().pixels, FlipRows(reference[15], 176 * 3));
  const uint64_t before = Engine().DecodedPictures();
  Seek(0);
  EXPECT_EQ(Engine().DecodedPictures() - before, 1u) << "decoded once, on the decoder's state, no catch-up";
}

TEST_F(EngineDecode, WithoutAKeyFrameAmongThe99RecordsBeforeTheFrameIsDecodedOnItsOwn) {
  // One key frame, then 130 delta frames.
  const Mpeg4Clip clip = test::EncodeMpeg4Clip(96, 64, 131, 200);
  const auto reference = test::ReferenceMpeg4Pictures(clip, true);
  Open(WriteBackup(dir_, "n.zrv", VideoRecords(clip.payloads)));
  uint64_t before = Engine().DecodedPictures();
  // Record 0, the key frame, is exactly 99 back. The decoder still stands at
  // it since the backup opened: the catch-up goes on from there.
  Seek(99);
  EXPECT_EQ(Engine().DecodedPictures() - before, 99u);
  EXPECT_EQ(Shown().pixels, FlipRows(reference[99], 96 * 3));

  controller_.SetPlayState(kPlayingForward);
  for (uint32_t i = 100; i < 120; ++i) controller_.GoToRecord(i);
  // A single step forward from there finds no key frame within reach: the
  // frame is decoded on the decoder's state, which is its predecessor's.
  before = Engine().DecodedPictures();
  Seek(120);
  EXPECT_EQ(Engine().DecodedPictures() - before, 1u);
  EXPECT_EQ(Shown().pixels, FlipRows(reference[120], 96 * 3));
}

TEST_F(EngineDecode, CatchUpPassesOverAudioRecordsWhoseSamplesLookLikeKeyFrames) {
  const Mpeg4Clip clip = test::EncodeMpeg4Clip(176, 144, 20, 12);
  const auto reference = test::ReferenceMpeg4Pictures(clip, true);
  std::vector<Record> records;
  for (size_t i = 0; i < clip.payloads.size(); ++i) {
    records.push_back(Record{clip.payloads[i], false});
    // Every sample byte is 0xB0, the MPEG-4 key-frame kind.
    if (i == 14) records.push_back(Record{std::vector<uint8_t>(200, 0xB0), true});
  }
  Open(WriteBackup(dir_, "a.zrv", records));
  Seek(18);  // clip frame 17, with an audio record between its key frame 12 and it
  EXPECT_EQ(Shown().pixels, FlipRows(reference[17], 176 * 3));
}

// The Wavelet module's YUY2 pictures of a clip decoded in order, through the
// viewer's CMVIADec on a work block of its own.
std::vector<std::vector<uint8_t>> WaveletYuy2InOrder(const test::WaveletClip& clip, int width, int height) {
  std::vector<uint8_t> block(kWaveletWorkBlockSize, 0);
  std::vector<uint8_t> readBuffer(kPictureBufferSize, 0);
  std::vector<uint8_t> output(kPictureBufferSize, 0);
  uint8_t* plane[7];
  for (int i = 0; i < 7; ++i) plane[i] = block.data() + kWaveletPlaneOffsets[i];
  auto* decoder = reinterpret_cast<CMVIADec*>(block.data());
  std::vector<std::vector<uint8_t>> pictures;
  for (const auto& payload : clip.payloads) {
    std::copy(payload.begin(), payload.end(), readBuffer.begin());
    EXPECT_GE(decoder->MVIADecDll(plane[0], plane[1], plane[2], plane[3], plane[4], plane[5], plane[6],
                                  readBuffer.data(), output.data(), 0, 0, 0, 2,
                                  static_cast<uint32_t>(payload.size())),
              0);
    pictures.emplace_back(output.begin(), output.begin() + static_cast<size_t>(width) * height * 2);
  }
  return pictures;
}

TEST_F(EngineDecode, WaveletFramesPlayedForwardAreTheDecodersPictures) {
  const test::WaveletClip clip = test::EncodeWaveletClip(352, 288, 30, 12);
  Open(WriteBackup(dir_, "wf.zrv", VideoRecords(clip.payloads)));
  EXPECT_EQ(Shown().pixels, FlipRows(clip.reconstructed[0], 352 * 3));
  controller_.SetPlayState(kPlayingForward);
  for (uint32_t i = 1; i < 30; ++i) {
    const uint64_t before = Engine().DecodedPictures();
    controller_.GoToRecord(i);
    ASSERT_EQ(Engine().DecodedPictures() - before, 1u) << "no catch-up in forward play, frame " << i;
    ASSERT_EQ(Shown().pixels, FlipRows(clip.reconstructed[i], 352 * 3)) << i;
  }
}

TEST_F(EngineDecode, SeekingToWaveletDeltaFramesEqualsDecodingInOrder) {
  for (int interval : {12, 30}) {
    const test::WaveletClip clip = test::EncodeWaveletClip(176, 144, 2 * interval + 5, interval);
    Open(WriteBackup(dir_, "ws" + std::to_string(interval) + ".zrv", VideoRecords(clip.payloads)));
    SeekDecodes decodes{static_cast<uint32_t>(interval)};
    for (uint32_t target : {uint32_t(interval - 1), uint32_t(interval + 1), uint32_t(2 * interval - 1),
                            uint32_t(interval / 2), uint32_t(2 * interval + 3), uint32_t(interval - 1)}) {
      const uint64_t before = Engine().DecodedPictures();
      Seek(target);
      EXPECT_EQ(Shown().pixels, FlipRows(clip.reconstructed[target], 176 * 3)) << interval << " " << target;
      EXPECT_EQ(Engine().DecodedPictures() - before, decodes.To(target)) << interval << " " << target;
    }
  }
}

TEST_F(EngineDecode, WaveletInTheOverlayIsYuy2AndItsStillIs24Bit) {
  const test::WaveletClip clip = test::EncodeWaveletClip(176, 144, 20, 12);
  const auto yuy2 = WaveletYuy2InOrder(clip, 176, 144);
  Open(WriteBackup(dir_, "wo.zrv", VideoRecords(clip.payloads)), true);
  Seek(17);
  const auto shown = Shown(true);
  EXPECT_EQ(shown.layout, PixelLayout::kYuy2);
  EXPECT_EQ(shown.pixels, yuy2[17]);
  ASSERT_TRUE(Engine().StillDecode());
  const std::vector<uint8_t> still(Engine().PresentationBuffer(), Engine().PresentationBuffer() + 176 * 144 * 3);
  EXPECT_EQ(still, FlipRows(clip.reconstructed[17], 176 * 3));
}

TEST_F(EngineDecode, DamagedAndMisSizedFramesAreShownAndTheDamageIsReported) {
  const auto picture = samples::MakeTestPicture(352, 240, 3, samples::TestScene::kBusyDetail);
  const std::vector<uint8_t> good = samples::MakeMjpgPayload(picture, 80);
  const Mpeg4Clip clip = test::EncodeMpeg4Clip(352, 240, 2, 12);
  struct Case {
    std::vector<uint8_t> payload;
    bool concealed;
    uint32_t height = 240;  // the picture has the size its own header says
  };
  std::vector<Case> cases;
  cases.push_back({{good.begin(), good.begin() + good.size() / 2}, true});  // truncated JPEG
  std::vector<uint8_t> corrupt = good;
  for (size_t i = corrupt.size() / 2; i < corrupt.size() / 2 + 40; ++i) corrupt[i] = 0xFF;
  cases.push_back({corrupt, true});
  // A header that disagrees with the JPEG inside: shown at the header's size.
  cases.push_back({samples::WrapMjpgPayload(samples::EncodeJpeg(samples::MakeTestPicture(176, 144, 0), 80), 352, 240),
                   false});
  // An MPEG-4 picture whose prefix says another size, and a prefix whose
  // first bytes say anything at all.
  std::vector<uint8_t> lyingPrefix = clip.payloads[0];
  WriteU16BE(lyingPrefix.data() + 4, 288);
  cases.push_back({lyingPrefix, false, 288});
  std::vector<uint8_t> anyBytes = clip.payloads[0];
  anyBytes[0] = 0x01;
  anyBytes[1] = 0xFF;
  cases.push_back({anyBytes, false});
  std::vector<uint8_t> cutKey(clip.payloads[0].begin(), clip.payloads[0].begin() + clip.payloads[0].size() / 2);
  cases.push_back({cutKey, true});

  for (bool overlay : {false, true}) {
    std::vector<Record> records{Record{good, false}};
    for (const auto& c : cases) records.push_back(Record{c.payload, false});
    Open(WriteBackup(dir_, overlay ? "co.zrv" : "cd.zrv", records), overlay);
    ASSERT_TRUE(Engine().PictureDecoded());
    EXPECT_FALSE(Engine().LastDecodeConcealed());
    for (uint32_t i = 1; i < records.size(); ++i) {
      Seek(i);
      EXPECT_TRUE(Engine().PictureDecoded()) << "record " << i << " overlay " << overlay;
      EXPECT_EQ(Engine().LastDecodeConcealed(), cases[i - 1].concealed) << "record " << i << " overlay " << overlay;
      EXPECT_EQ(Shown(overlay).pixels.size(), 352u * cases[i - 1].height * (overlay ? 2 : 3)) << "record " << i;
    }
  }
}

TEST_F(EngineDecode, RefusedFramesKeepThePreviousPicture) {
  const auto picture = samples::MakeTestPicture(352, 240, 3, samples::TestScene::kBusyDetail);
  const std::vector<uint8_t> good = samples::MakeMjpgPayload(picture, 80);
  const Mpeg4Clip clip = test::EncodeMpeg4Clip(352, 240, 2, 12);

  Payloads bad;
  // A header that announces a JPEG too large to be scaled.
  std::vector<uint8_t> huge = samples::WrapMjpgPayload(samples::EncodeJpeg(samples::MakeTestPicture(176, 144, 0), 80), 352, 240);
  for (size_t i = 40; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      WriteU16BE(huge.data() + i + 5, 60000);  // image height
      break;
    }
  }
  bad.push_back(huge);
  // MPEG-4 key and delta frames of random bytes.
  std::vector<uint8_t> noise(3000);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 7919 >> 3);
  bad.push_back(samples::MakeMpeg4Payload(noise.data(), noise.size(), true, 352, 240));
  bad.push_back(samples::MakeMpeg4Payload(noise.data(), noise.size(), false, 352, 240));
  // One codec's kind byte on another's data.
  const std::vector<uint8_t> jpeg = samples::EncodeJpeg(picture, 80);
  bad.push_back(samples::MakeMpeg4Payload(jpeg.data(), jpeg.size(), true, 352, 240));
  std::vector<uint8_t> waveletKind = clip.payloads[0];
  waveletKind[3] = 0xA0;
  bad.push_back(waveletKind);
  // Wavelet frames cut short (whatever bytes 0..2 say), lying about their
  // size, or under another codec's kind byte.
  const test::WaveletClip wavelet = test::EncodeWaveletClip(352, 240, 2, 12);
  bad.push_back({wavelet.payloads[0].begin(), wavelet.payloads[0].begin() + wavelet.payloads[0].size() / 2});
  std::vector<uint8_t> cut(wavelet.payloads[0].begin(), wavelet.payloads[0].begin() + wavelet.payloads[0].size() / 2);
  const size_t coded = cut.size() - 8;
  cut[0] = static_cast<uint8_t>(coded >> 16);
  cut[1] = static_cast<uint8_t>(coded >> 8);
  cut[2] = static_cast<uint8_t>(coded);
  bad.push_back(cut);
  std::vector<uint8_t> lyingWavelet = wavelet.payloads[0];
  WriteU16BE(lyingWavelet.data() + 6, 704);
  bad.push_back(lyingWavelet);
  std::vector<uint8_t> mpeg4Kind = wavelet.payloads[0];
  mpeg4Kind[3] = 0xB0;
  bad.push_back(mpeg4Kind);
  // A bitmap header with a negative height.
  std::vector<uint8_t> negative = good;
  WriteI32LE(negative.data() + 8, -240);
  bad.push_back(negative);
  std::vector<uint8_t> hugeNegative = good;
  WriteI32LE(hugeNegative.data() + 4, INT32_MIN);
  WriteI32LE(hugeNegative.data() + 8, -1241448448);
  bad.push_back(hugeNegative);

  for (bool overlay : {false, true}) {
    std::vector<Record> records{Record{good, false}};
    for (const auto& payload : bad) records.push_back(Record{payload, false});
    Open(WriteBackup(dir_, overlay ? "ro.zrv" : "rd.zrv", records), overlay);
    ASSERT_TRUE(Engine().PictureDecoded());
    const auto first = Shown(overlay);
    ASSERT_FALSE(first.pixels.empty());
    for (uint32_t i = 1; i < records.size(); ++i) {
      Seek(i);
      EXPECT_FALSE(Engine().PictureDecoded()) << "record " << i << " overlay " << overlay;
      const auto shown = Shown(overlay);
      EXPECT_EQ(shown.pixels, first.pixels) << "record " << i << " overlay " << overlay;
      EXPECT_EQ(shown.layout, first.layout) << "record " << i;
      EXPECT_EQ(shown.texts.cameraTitle, "CAM " + std::to_string(i)) << "the texts are the new record's";
    }
  }
}

TEST_F(EngineDecode, AnMjpgPayloadWithAnotherCompressionCodeIsNotDecoded) {
  const std::vector<uint8_t> good = samples::MakeMjpgPayload(samples::MakeTestPicture(352, 240, 1), 80);
  std::vector<uint8_t> other = samples::MakeMjpgPayload(samples::MakeTestPicture(352, 240, 9), 80);
  WriteU32LE(other.data() + 16, kFourCC_YUY2);
  Open(WriteBackup(dir_, "c.zrv", VideoRecords({good, other})));
  const auto first = Shown();
  const uint64_t before = Engine().DecodedPictures();
  Seek(1);
  EXPECT_EQ(Engine().DecodedPictures(), before);
  EXPECT_EQ(Shown().pixels, first.pixels);
  EXPECT_EQ(Engine().DisplayPointer(), Engine().PresentationBuffer());
}

TEST_F(EngineDecode, PicturesOver704x576AreNeitherDecodedNorShown) {
  const std::vector<uint8_t> good = samples::MakeMjpgPayload(samples::MakeTestPicture(352, 240, 1), 80);
  const std::vector<uint8_t> wide = samples::MakeMjpgPayload(samples::MakeTestPicture(720, 576, 1), 60);
  Open(WriteBackup(dir_, "w.zrv", VideoRecords({good, wide})));
  const int frames = host_.DibWindow().FrameCount();
  Seek(1);
  EXPECT_EQ(host_.DibWindow().FrameCount(), frames);
  EXPECT_EQ(host_.EditText(IDC_PICTURE_SIZE), " 720 x 576");
}

TEST_F(EngineDecode, StillDecodeGivesTheCurrentPictureIn24BitInEitherPresentation) {
  const Mpeg4Clip clip = test::EncodeMpeg4Clip(176, 144, 10, 12);
  const auto reference = test::ReferenceMpeg4Pictures(clip, true);
  const std::vector<uint8_t> mjpg = samples::MakeMjpgPayload(samples::MakeTestPicture(176, 144, 4), 80);
  Payloads payloads = clip.payloads;
  payloads.push_back(mjpg);
  for (bool overlay : {false, true}) {
    Open(WriteBackup(dir_, overlay ? "so.zrv" : "sd.zrv", VideoRecords(payloads)), overlay);
    const size_t bytes = 176u * 144 * 3;
    for (uint32_t target : {6u, 0u, 7u}) {
      Seek(target);
      ASSERT_TRUE(Engine().StillDecode()) << target;
      const std::vector<uint8_t> still(Engine().PresentationBuffer(), Engine().PresentationBuffer() + bytes);
      EXPECT_EQ(still, FlipRows(reference[target], 176 * 3)) << target << " overlay " << overlay;
    }
    Seek(10);
    ASSERT_TRUE(Engine().StillDecode());
    const std::vector<uint8_t> still(Engine().PresentationBuffer(), Engine().PresentationBuffer() + bytes);
    EXPECT_EQ(still, MjpgReference(mjpg)) << "overlay " << overlay;
  }
}

TEST_F(EngineDecode, RandomPayloadsOfEveryKindStayWithinTheBuffers) {
  // Payloads that start like each codec's and go on with noise, of random
  // lengths, with sizes inside and outside the limits; shown in order and
  // out of order (catch-up) in both presentations. Nothing may be written
  // or read outside a buffer; the sanitizer build checks that.
  std::mt19937 random(20260314);
  const Mpeg4Clip clip = test::EncodeMpeg4Clip(176, 144, 4, 12);
  const std::vector<uint8_t> jpeg = samples::MakeMjpgPayload(samples::MakeTestPicture(176, 144, 0), 80);
  std::vector<Record> records;
  for (int i = 0; i < 120; ++i) {
    std::vector<uint8_t> payload;
    switch (random() % 4) {
      case 0:
        payload = jpeg;
        break;
      case 1:
        payload = clip.payloads[random() % clip.payloads.size()];
        break;
      default:
        payload.resize(8 + random() % 4000);
        break;
    }
    if (payload.size() > 8 && random() % 3 == 0) {  // every third one whole
      records.push_back(Record{payload, false});
      continue;
    }
    payload.resize(std::max<size_t>(8, std::min(payload.size(), size_t{8} + random() % (payload.size() + 64))));
    for (int flips = random() % 30; flips > 0; --flips) payload[random() % payload.size()] = static_cast<uint8_t>(random());
    static constexpr uint8_t kKinds[] = {0xA0, 0xA1, 0xA2, 0xB0, 0xB1, 0x00};
    if (random() % 2) payload[3] = kKinds[random() % 6];
    if (random() % 3 == 0) {
      WriteU16BE(payload.data() + 4, static_cast<uint16_t>(random() % 800));
      WriteU16BE(payload.data() + 6, static_cast<uint16_t>(random() % 800));
    }
    records.push_back(Record{payload, false});
  }
  for (bool overlay : {false, true}) {
    Open(WriteBackup(dir_, overlay ? "fo.zrv" : "fd.zrv", records), overlay);
    const uint64_t before = Engine().DecodedPictures();
    controller_.SetPlayState(kPlayingForward);
    for (uint32_t i = 1; i < records.size(); ++i) controller_.GoToRecord(i);
    for (uint32_t i = 0; i < 60; ++i) Seek(static_cast<uint32_t>(random() % records.size()));
    for (uint32_t i = 0; i < 10; ++i) {
      Seek(static_cast<uint32_t>(random() % records.size()));
      Engine().StillDecode();
    }
    EXPECT_GT(Engine().DecodedPictures() - before, 20u) << "the noise left enough frames whole to decode";
    const auto shown = Shown(overlay);
    if (!shown.pixels.empty()) {
      EXPECT_LE(shown.width, 704);
      EXPECT_LE(shown.height, 576);
    }
  }
}

TEST(EngineDecodeWithoutCodecs, MissingModulesOrRegistrationRefuseFramesCleanly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        test::CodecEnvironment env(false);  // no modules, no registration
        test::TempDir dir;
        const Mpeg4Clip clip = test::EncodeMpeg4Clip(176, 144, 3, 12);
        Payloads payloads = clip.payloads;
        payloads.push_back(samples::MakeMjpgPayload(samples::MakeTestPicture(176, 144, 0), 80));
        const test::WaveletClip wavelet = test::EncodeWaveletClip(176, 144, 2, 12);
        payloads.insert(payloads.end(), wavelet.payloads.begin(), wavelet.payloads.end());
        const std::string path = WriteBackup(dir, "x.zrv", VideoRecords(payloads));
        CHeadlessHost host;
        host.SetMessageSink(nullptr);
        CPlaybackController controller(host);
        controller.Engine().CreateDecoders();
        bool refused = controller.OpenBackup(path, false) && !controller.Engine().PictureDecoded();
        for (uint32_t i : {2u, 3u, 1u, 4u, 5u}) {
          controller.GoToRecord(i);
          refused = refused && !controller.Engine().PictureDecoded();
        }
        // With the registration but still no module file.
        env.RegisterDriver();
        controller.GoToRecord(3);
        refused = refused && !controller.Engine().PictureDecoded();
        std::exit(refused && host.DibWindow().FrameCount() == 0 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(EngineDecodeWithoutCodecs, DecodingBeforeTheDecodersExistFails) {
  test::CodecEnvironment env;
  test::TempDir dir;
  const Mpeg4Clip clip = test::EncodeMpeg4Clip(176, 144, 2, 12);
  CHeadlessHost host;
  host.SetMessageSink(nullptr);
  CPlaybackController controller(host);
  ASSERT_TRUE(controller.OpenBackup(WriteBackup(dir, "d.zrv", VideoRecords(clip.payloads)), false));
  EXPECT_FALSE(controller.Engine().PictureDecoded());
  controller.Engine().CreateDecoders();
  controller.GoToRecord(0);
  EXPECT_TRUE(controller.Engine().PictureDecoded());
}

}  // namespace
}  // namespace bv
