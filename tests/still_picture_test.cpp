// Still pictures opened through the viewer's Open routine, headless: BMP
// files of every accepted depth, JPEG files in colour and grey, the
// recorder's trailer, and files that lie or are cut short.
#include <gtest/gtest.h>

#include <cstring>

#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "export/dib_picture.h"
#include "export/recorder_trailer.h"
#include "export/recording_time.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/picture_tools.h"
#include "tests/support/recording_host.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/test_picture.h"

namespace bv {
namespace {

using Shown = CHeadlessVideoWindow::Shown;
using samples::RgbPicture;

RecorderTrailer GateTrailer() {
  RecorderTrailer t;
  t.cameraIndex = 3;
  t.cameraName = "Gate";
  t.time.wYear = 2026;
  t.time.wMonth = 3;
  t.time.wDay = 4;
  t.time.wHour = 19;
  t.time.wMinute = 30;
  t.time.wSecond = 5;
  t.information = "Hall 2, east entrance";
  return t;
}

std::vector<uint8_t> WithTrailer(std::vector<uint8_t> bytes, const RecorderTrailer& trailer) {
  const std::string tail = RecorderTrailerBytes(trailer);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

class StillPictureTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::RecordingHost host;
  CPlaybackController controller{host};

  Shown LastShown() { return host.DibWindow().LastShown(); }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = dir.File(name);
    test::WriteFileBytes(path, bytes);
    return path;
  }
  // The file's bits after the two headers, as the header describes them.
  static std::vector<uint8_t> BitsOf(const std::vector<uint8_t>& file, size_t bytes) {
    return {file.begin() + 54, file.begin() + 54 + bytes};
  }
  void ExpectStillControls() {
    for (int id : {IDC_PLAY_FORWARD, IDC_STEP_BACKWARD, IDC_PLAY_BACKWARD, IDC_PAUSE, IDC_STOP, IDC_STEP_FORWARD,
                   IDC_FIRST_RECORD, IDC_LAST_RECORD, IDC_SAVE_SNAPSHOT, IDC_PRINT}) {
      EXPECT_FALSE(host.Button(id).enabled) << id;
    }
    EXPECT_FALSE(host.SpeedSliderEnabled());
    EXPECT_FALSE(host.PositionSliderVisible());
    EXPECT_FALSE(host.MenuItemEnabled(ID_FILE_SHOW_INFORMATION));
  }
};

TEST_F(StillPictureTest, TwentyFourBitBmpIsShownFromItsOwnBitsWithPlaybackDisabled) {
  ASSERT_TRUE(test::Convert({"-size", "350x120", "gradient:red-blue", "-type", "TrueColor", "BMP3:" + dir.File("a.bmp")}));
  const std::vector<uint8_t> file = test::ReadFileBytes(dir.File("a.bmp"));
  controller.OpenChosenFile(dir.File("a.bmp"));

  EXPECT_EQ(controller.Engine().Mode(), kModeBmpStill);
  const Shown shown = LastShown();
  ASSERT_EQ(shown.what, Shown::What::kStill);
  EXPECT_EQ(shown.header.biWidth, 350);
  EXPECT_EQ(shown.header.biHeight, 120);
  EXPECT_EQ(shown.header.biBitCount, 24);
  EXPECT_EQ(shown.pixels, BitsOf(file, 1052 * 120));
  EXPECT_EQ(shown.caption, "");
  EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), "");
  EXPECT_EQ(host.EditText(IDC_LOCATION), "");
  ExpectStillControls();
  EXPECT_TRUE(host.Messages().empty());
}

TEST_F(StillPictureTest, BmpWithALongerInformationHeaderIsReadFromItsStatedOffset) {
  // ImageMagick's default BMP carries a version-5 header of 124 bytes.
  ASSERT_TRUE(test::Convert({"-size", "64x40", "gradient:green-white", "-type", "TrueColor", "BMP:" + dir.File("v5.bmp")}));
  ASSERT_TRUE(test::Convert({"-size", "64x40", "gradient:green-white", "-type", "TrueColor", "BMP3:" + dir.File("v3.bmp")}));
  const std::vector<uint8_t> v5 = test::ReadFileBytes(dir.File("v5.bmp"));
  ASSERT_GT(ReadU32LE(v5.data() + 10), 54u);
  controller.OpenChosenFile(dir.File("v3.bmp"));
  const std::vector<uint8_t> expected = LastShown().pixels;
  controller.OpenChosenFile(dir.File("v5.bmp"));
  const Shown shown = LastShown();
  ASSERT_EQ(shown.what, Shown::What::kStill);
  EXPECT_EQ(shown.pixels, expected);
}

TEST_F(StillPictureTest, SixteenAndThirtyTwoBitBmpsAreShownAtTheirDepth) {
  ASSERT_TRUE(test::Convert({"-size", "35x20", "gradient:red-blue", "-define", "bmp:subtype=RGB555",
                             "BMP3:" + dir.File("a16.bmp")}));
  ASSERT_TRUE(test::Convert({"-size", "35x20", "gradient:red-blue", "-alpha", "set", "-define", "bmp3:alpha=true",
                             "BMP3:" + dir.File("a32.bmp")}));
  for (auto [name, bits] : {std::pair{"a16.bmp", 16}, std::pair{"a32.bmp", 32}}) {
    const std::vector<uint8_t> file = test::ReadFileBytes(dir.File(name));
    ASSERT_EQ(ReadU16LE(file.data() + 28), bits) << name;
    controller.OpenChosenFile(dir.File(name));
    const Shown shown = LastShown();
    ASSERT_EQ(shown.what, Shown::What::kStill) << name;
    EXPECT_EQ(shown.header.biBitCount, bits);
    EXPECT_EQ(shown.pixels, BitsOf(file, DibRowBytes(35, bits) * 20)) << name;
  }
}

TEST_F(StillPictureTest, EightBitBmpIsRefusedWithAMessage) {
  ASSERT_TRUE(test::Convert({"-size", "35x20", "gradient:red-blue", "-type", "Palette", "BMP3:" + dir.File("a8.bmp")}));
  controller.OpenChosenFile(dir.File("a8.bmp"));
  EXPECT_EQ(LastShown().what, Shown::What::kNothing);
  EXPECT_EQ(controller.Engine().Mode(), kModeBmpStill);
  EXPECT_EQ(host.Messages(), std::vector<std::string>{"File Error #1"});
  ExpectStillControls();
}

TEST_F(StillPictureTest, TopDownBmpKeepsItsNegativeHeight) {
  RgbPicture picture = samples::MakeTestPicture(40, 10, 0);
  std::vector<uint8_t> file = test::Bmp24Of(picture);
  WriteI32LE(file.data() + 22, -10);
  controller.OpenChosenFile(Write("topdown.BMP", file));
  const Shown shown = LastShown();
  ASSERT_EQ(shown.what, Shown::What::kStill);
  EXPECT_EQ(shown.header.biHeight, -10);
  EXPECT_EQ(shown.pixels, BitsOf(file, 120 * 10));
}

TEST_F(StillPictureTest, RecorderTrailerFillsTheCameraAndInformationFieldsAndTheCaption) {
  const std::vector<uint8_t> file = WithTrailer(test::Bmp24Of(samples::MakeTestPicture(64, 48, 0)), GateTrailer());
  controller.OpenChosenFile(Write("rec.bmp", file));
  EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), "Gate (4)");
  EXPECT_EQ(host.EditText(IDC_LOCATION), "Hall 2, east entrance");
  EXPECT_EQ(LastShown().caption, "Mar 04, 2026   19 : 30 : 05");
  EXPECT_TRUE(controller.Engine().Still().trailerPresent);

  // The trailer of a JPEG file is read the same way.
  const std::vector<uint8_t> jpeg =
      WithTrailer(samples::EncodeJpeg(samples::MakeTestPicture(64, 48, 0), 90), GateTrailer());
  controller.OpenChosenFile(Write("rec.jpg", jpeg));
  EXPECT_EQ(controller.Engine().Mode(), kModeJpegStill);
  EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), "Gate (4)");
  EXPECT_EQ(LastShown().caption, "Mar 04, 2026   19 : 30 : 05");
  EXPECT_TRUE(host.Messages().empty());
}

TEST_F(StillPictureTest, FileWithoutAWholeTrailerMarkHasNoTrailer) {
  std::vector<uint8_t> file = WithTrailer(test::Bmp24Of(samples::MakeTestPicture(64, 48, 0)), GateTrailer());
  file.back() = 1;  // "DVR" followed by a byte other than zero
  controller.OpenChosenFile(Write("a.bmp", file));
  ASSERT_EQ(LastShown().what, Shown::What::kStill);
  EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), "");
  EXPECT_EQ(LastShown().caption, "");
  EXPECT_FALSE(controller.Engine().Still().trailerPresent);

  // The mark alone, on a file too short to hold a trailer.
  std::vector<uint8_t> small = test::Bmp24Of(samples::MakeTestPicture(4, 4, 0));
  small.insert(small.end(), {'D', 'V', 'R', 0});
  ASSERT_LT(small.size(), RecorderTrailer::kSize);
  controller.OpenChosenFile(Write("small.bmp", small));
  ASSERT_EQ(LastShown().what, Shown::What::kStill);
  EXPECT_FALSE(controller.Engine().Still().trailerPresent);
}

TEST_F(StillPictureTest, TrailerTextsWithoutTerminatorsStopAtTheirFieldWidth) {
  std::vector<uint8_t> file = test::Bmp24Of(samples::MakeTestPicture(8, 8, 0));
  std::vector<uint8_t> tail(RecorderTrailer::kSize, 'A');
  tail[0] = 0;
  std::memcpy(tail.data() + 365, "DVR", 4);
  file.insert(file.end(), tail.begin(), tail.end());
  controller.OpenChosenFile(Write("a.bmp", file));
  EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), std::string(128, 'A') + " (1)");
  EXPECT_EQ(host.EditText(IDC_LOCATION), std::string(202, 'A'));
}

TEST_F(StillPictureTest, JpegIsShownAsABottomUpDibWithRowsPaddedToFourBytes) {
  const RgbPicture picture = samples::MakeTestPicture(350, 40, 1, samples::TestScene::kSmoothGradients);
  test::WritePpm(dir.File("in.ppm"), picture);
  ASSERT_TRUE(test::Convert({dir.File("in.ppm"), "-quality", "95", dir.File("in.jpg")}));
  const RgbPicture reference = test::DecodeWithConvert(dir.File("in.jpg"));
  controller.OpenChosenFile(dir.File("in.jpg"));

  EXPECT_EQ(controller.Engine().Mode(), kModeJpegStill);
  const Shown shown = LastShown();
  ASSERT_EQ(shown.what, Shown::What::kStill);
  EXPECT_EQ(shown.header.biSize, 40u);
  EXPECT_EQ(shown.header.biWidth, 350);
  EXPECT_EQ(shown.header.biHeight, 40);
  EXPECT_EQ(shown.header.biPlanes, 1);
  EXPECT_EQ(shown.header.biBitCount, 24);
  EXPECT_EQ(shown.header.biCompression, 0u);
  EXPECT_EQ(shown.header.biSizeImage, 1052u * 40);
  ASSERT_EQ(shown.pixels.size(), 1052u * 40);
  for (int row = 0; row < 40; ++row) {
    EXPECT_EQ(shown.pixels[row * 1052 + 1050], 0);
    EXPECT_EQ(shown.pixels[row * 1052 + 1051], 0);
  }
  const RgbPicture mine = test::PictureOfDib24(shown.pixels.data(), 350, 40);
  for (int y = 0; y < 40; ++y) {
    EXPECT_GE(test::Psnr(mine.Row(y), reference.Row(y), 350 * 3), 40.0) << "row " << y;
  }
  ExpectStillControls();
}

TEST_F(StillPictureTest, GreyJpegOpensWithEqualChannels) {
  ASSERT_TRUE(test::Convert({"-size", "64x32", "gradient:white-black", "-colorspace", "Gray", dir.File("g.jpg")}));
  controller.OpenChosenFile(dir.File("g.jpg"));
  const Shown shown = LastShown();
  ASSERT_EQ(shown.what, Shown::What::kStill);
  ASSERT_EQ(shown.pixels.size(), 64u * 3 * 32);
  for (size_t i = 0; i < shown.pixels.size(); i += 3) {
    ASSERT_EQ(shown.pixels[i], shown.pixels[i + 1]);
    ASSERT_EQ(shown.pixels[i + 1], shown.pixels[i + 2]);
  }
  EXPECT_NE(shown.pixels.front(), shown.pixels.back());
}

TEST_F(StillPictureTest, RefusedStillKeepsThePictureOnScreen) {
  const std::vector<uint8_t> good = test::Bmp24Of(samples::MakeTestPicture(64, 48, 0));
  controller.OpenChosenFile(Write("good.bmp", good));
  const Shown before = LastShown();
  ASSERT_EQ(before.what, Shown::What::kStill);

  std::vector<uint8_t> garbage(5000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 77 + 1);
  controller.OpenChosenFile(Write("bad.jpg", garbage));
  EXPECT_EQ(LastShown().pixels, before.pixels);
  EXPECT_EQ(controller.Engine().Mode(), kModeJpegStill);
  ASSERT_EQ(host.Messages().size(), 1u);
  EXPECT_NE(host.Messages()[0].find("Not a JPEG file"), std::string::npos);

  controller.OpenChosenFile(dir.File("missing.jpg"));
  EXPECT_EQ(LastShown().pixels, before.pixels);
  ASSERT_EQ(host.Messages().size(), 2u);
  EXPECT_EQ(host.Messages()[1], "JPEG :\nCan't open " + dir.File("missing.jpg") + "\n");
}

TEST_F(StillPictureTest, PhotosOfSeveralMegapixelsOpenAndOnlyAbsurdSizesAreRefused) {
  // A 12-megapixel photo from a third-party encoder.
  ASSERT_TRUE(test::Convert({"-size", "4000x3000", "plasma:fractal", "-seed", "7", "-quality", "85",
                             dir.File("photo.jpg")}));
  const RgbPicture reference = test::DecodeWithConvert(dir.File("photo.jpg"));
  controller.OpenChosenFile(dir.File("photo.jpg"));
  const Shown shown = LastShown();
  ASSERT_EQ(shown.what, Shown::What::kStill);
  EXPECT_EQ(shown.header.biWidth, 4000);
  EXPECT_EQ(shown.header.biHeight, 3000);
  ASSERT_EQ(shown.pixels.size(), 12000u * 3000);
  const RgbPicture mine = test::PictureOfDib24(shown.pixels.data(), 4000, 3000);
  for (int y : {0, 1500, 2999}) {
    EXPECT_GE(test::Psnr(mine.Row(y), reference.Row(y), 4000 * 3), 40.0) << "row " << y;
  }
  EXPECT_TRUE(host.Messages().empty());

  // A frame header claiming 20,000 x 20,000 (400 megapixels): refused before
  // anything is decoded or allocated.
  std::vector<uint8_t> huge = samples::EncodeJpeg(samples::MakeTestPicture(64, 48, 0), 50);
  for (size_t i = 0; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = 20000 >> 8;
      huge[i + 6] = 20000 & 0xFF;
      huge[i + 7] = 20000 >> 8;
      huge[i + 8] = 20000 & 0xFF;
      break;
    }
  }
  controller.OpenChosenFile(Write("huge.jpg", huge));
  EXPECT_EQ(LastShown().pixels, shown.pixels) << "the photo stays";
  ASSERT_EQ(host.Messages().size(), 1u);
  EXPECT_EQ(host.Messages()[0], "JpegFile :\nPicture too large (20000 x 20000)");
}

TEST_F(StillPictureTest, BmpWithoutAnImageSizeShowsTheRowsItsHeaderDescribes) {
  const RgbPicture picture = samples::MakeTestPicture(63, 17, 2);  // rows padded to four bytes
  std::vector<uint8_t> file = test::Bmp24Of(picture);
  const std::vector<uint8_t> sized = file;
  WriteU32LE(file.data() + 34, 0);
  controller.OpenChosenFile(Write("sized.bmp", sized));
  const Shown reference = LastShown();
  ASSERT_EQ(reference.what, Shown::What::kStill);
  controller.OpenChosenFile(Write("nosize.bmp", file));
  const Shown shown = LastShown();
  ASSERT_EQ(shown.what, Shown::What::kStill);
  EXPECT_EQ(shown.pixels, reference.pixels);
  EXPECT_EQ(shown.header.biSizeImage, 192u * 17);
  EXPECT_TRUE(host.Messages().empty());
  // Without a size, rows the file does not hold are still refused.
  file.resize(file.size() - 10);
  controller.OpenChosenFile(Write("short.bmp", file));
  EXPECT_EQ(host.Messages(), std::vector<std::string>{"File Error #1"});
}

TEST_F(StillPictureTest, LyingAndDamagedBmpHeadersAreRefusedWithAMessage) {
  const RgbPicture picture = samples::MakeTestPicture(64, 48, 0);
  const std::vector<uint8_t> good = test::Bmp24Of(picture);
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
  };
  const Case cases[] = {
      {"bits larger than the buffer", [](auto& f) { WriteU32LE(f.data() + 34, kStillPixelBufferSize + 1); }},
      {"rows larger than the buffer, no size given",
       [](auto& f) {
         WriteI32LE(f.data() + 18, 2000);
         WriteI32LE(f.data() + 22, 2000);
         WriteU32LE(f.data() + 34, 0);
       }},
      {"size smaller than the rows", [](auto& f) { WriteU32LE(f.data() + 34, 64 * 3 * 48 - 1); }},
      {"width far past the size", [](auto& f) { WriteI32LE(f.data() + 18, 0x7FFFFFFF); }},
      {"height far past the size", [](auto& f) { WriteI32LE(f.data() + 22, INT32_MIN); }},
      {"negative width", [](auto& f) { WriteI32LE(f.data() + 18, -64); }},
      {"zero height", [](auto& f) { WriteI32LE(f.data() + 22, 0); }},
      {"odd depth", [](auto& f) { WriteU16LE(f.data() + 28, 17); }},
      {"eight bits per pixel", [](auto& f) { WriteU16LE(f.data() + 28, 8); }},
      {"bits cut short", [](auto& f) { f.pop_back(); }},
      {"headers cut short", [](auto& f) { f.erase(f.begin() + 50, f.end()); }},
      {"empty file", [](auto& f) { f.clear(); }},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> file = good;
    c.damage(file);
    const size_t before = host.Messages().size();
    controller.OpenChosenFile(Write("bad.bmp", file));
    EXPECT_EQ(LastShown().what, Shown::What::kNothing) << c.what;
    ASSERT_EQ(host.Messages().size(), before + 1) << c.what;
    EXPECT_EQ(host.Messages().back(), "File Error #1") << c.what;
  }

  // Garbage and every cut of a good file: refused or shown, never read
  // from outside the file.
  for (size_t length = 0; length <= good.size(); length += 97) {
    controller.OpenChosenFile(Write("cut.bmp", {good.begin(), good.begin() + length}));
    EXPECT_EQ(LastShown().what, length == good.size() ? Shown::What::kStill : Shown::What::kNothing) << length;
  }
  std::vector<uint8_t> garbage(20000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
  controller.OpenChosenFile(Write("garbage.bmp", garbage));
  controller.OpenChosenFile(Write("garbage.jpg", garbage));
}

TEST_F(StillPictureTest, OpeningABackupAfterAStillReturnsToPlayback) {
  controller.OpenChosenFile(Write("a.bmp", test::Bmp24Of(samples::MakeTestPicture(16, 16, 0))));
  ASSERT_EQ(controller.Engine().Mode(), kModeBmpStill);
  ASSERT_TRUE(test::MakeSmallBackup(7, 5).WriteContainer(dir.File("b.zrv")));
  controller.OpenChosenFile(dir.File("b.zrv"));
  EXPECT_EQ(controller.Engine().Mode(), kModeBackup);
  EXPECT_TRUE(host.Button(IDC_SAVE_SNAPSHOT).enabled);
  EXPECT_TRUE(host.PositionSliderVisible());
  EXPECT_TRUE(host.MenuItemEnabled(ID_FILE_SHOW_INFORMATION));

  // And a still after a backup closes it.
  controller.OpenChosenFile(Write("c.bmp", test::Bmp24Of(samples::MakeTestPicture(16, 16, 0))));
  EXPECT_EQ(controller.Count(), 0u);
  EXPECT_FALSE(host.OverlaySelected());
  ExpectStillControls();
}

TEST(RecordingTimeTest, FormatsTheCaptionInEnglishWithFieldsCarriedOver) {
  EXPECT_EQ(FormatRecordingTime(2026, 3, 14, 19, 30, 0), "Mar 14, 2026   19 : 30 : 00");
  EXPECT_EQ(FormatRecordingTime(2025, 12, 31, 23, 59, 60), "Jan 01, 2026   00 : 00 : 00");
  EXPECT_EQ(FormatRecordingTime(2024, 1, 32, 0, 0, 0), "Feb 01, 2024   00 : 00 : 00");
  EXPECT_EQ(FormatRecordingTime(1970, 1, 1, 0, 0, 0), "Jan 01, 1970   00 : 00 : 00");
  EXPECT_EQ(FormatRecordingTime(9999, 12, 31, 23, 59, 59), "Dec 31, 9999   23 : 59 : 59");
  // Not a date at all: the fields of a zeroed trailer, or damaged ones.
  EXPECT_EQ(FormatRecordingTime(0, 0, 0, 0, 0, 0), "");
  EXPECT_EQ(FormatRecordingTime(65535, 65535, 65535, 65535, 65535, 65535), "");
  EXPECT_EQ(FormatRecordingTime(1969, 12, 31, 23, 59, 59), "");
}

}  // namespace
}  // namespace bv
