// Snapshots of the current frame: the rows built from the decoded picture,
// the BMP and JPEG files written, the texts by the menu's check marks, and
// the command's dialog handling; against real backups decoded by the real
// codec modules.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "export/jpeg_file.h"
#include "export/snapshot_file.h"
#include "export/snapshot_texts.h"
#include "outputs/commands/picture_commands.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/codec_environment.h"
#include "tests/support/picture_checks.h"
#include "tests/support/picture_tools.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/sample_backups.h"

namespace bv {
namespace {

using Bytes = std::vector<uint8_t>;

// A BMP snapshot file taken apart by its headers.
struct BmpFile {
  bool valid = false;
  int width = 0;
  int height = 0;
  Bytes headers;  // the first 54 bytes
  Bytes bits;     // bottom-up, rows padded to four bytes
};

BmpFile ReadBmp(const std::string& path) {
  const Bytes bytes = test::ReadFileBytes(path);
  BmpFile bmp;
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return bmp;
  bmp.width = ReadI32LE(bytes.data() + 18);
  bmp.height = ReadI32LE(bytes.data() + 22);
  bmp.headers.assign(bytes.begin(), bytes.begin() + 54);
  bmp.bits.assign(bytes.begin() + 54, bytes.end());
  bmp.valid = true;
  return bmp;
}

// The rows of a padded bottom-up BMP packed to width * 3 bytes.
Bytes PackedRows(const BmpFile& bmp) {
  const size_t rowBytes = static_cast<size_t>(bmp.width) * 3;
  const size_t stride = (rowBytes + 3) & ~size_t{3};
  Bytes packed;
  for (int y = 0; y < bmp.height; ++y) {
    packed.insert(packed.end(), bmp.bits.begin() + y * stride, bmp.bits.begin() + y * stride + rowBytes);
  }
  return packed;
}

Bytes ExpectedHeaders(int width, int height) {
  const uint32_t stride = (width * 3 + 3) & ~3;
  const uint32_t image = stride * height;
  Bytes h(54, 0);
  h[0] = 'B';
  h[1] = 'M';
  WriteU32LE(&h[2], 54 + image);
  WriteU32LE(&h[10], 54);
  WriteU32LE(&h[14], 40);
  WriteI32LE(&h[18], width);
  WriteI32LE(&h[22], height);
  WriteU16LE(&h[26], 1);
  WriteU16LE(&h[28], 24);
  WriteU32LE(&h[34], image);
  return h;
}

TEST(SnapshotFormatTest, NameEndingsDecideTheFormatWithoutRegardToCase) {
  EXPECT_EQ(SnapshotFormatOfName("/a/shot.bmp"), kSnapshotBmp);
  EXPECT_EQ(SnapshotFormatOfName("/a/shot.BmP"), kSnapshotBmp);
  EXPECT_EQ(SnapshotFormatOfName("/a/shot.JPG"), kSnapshotJpeg);
  EXPECT_EQ(SnapshotFormatOfName(".jpg"), kSnapshotJpeg);
  EXPECT_EQ(SnapshotFormatOfName("/a/shot.jpeg"), kSnapshotNone);
  EXPECT_EQ(SnapshotFormatOfName("/a/shot.jpg.txt"), kSnapshotNone);
  EXPECT_EQ(SnapshotFormatOfName("jpg"), kSnapshotNone);
  EXPECT_EQ(SnapshotFormatOfName(""), kSnapshotNone);
}

TEST(SnapshotRowsTest, SingleFieldIsDoubledWithAveragedRowsAndTurnedTopDown) {
  // Values whose sums are odd, so the rounding shows.
  const int w = 704;
  const int h = 240;
  Bytes field(w * h * 3);
  for (size_t i = 0; i < field.size(); ++i) field[i] = static_cast<uint8_t>((i * 7 + i / 2113) % 251);
  Bytes out(kPictureBufferSize, 0xEE);
  ASSERT_EQ(BuildSnapshotRows(field.data(), w, h, out.data(), out.size()), 480);
  const size_t row = w * 3;
  // out is top-down: bottom-up row r of the doubled picture is out row 479 - r.
  auto doubled = [&](int r) { return out.data() + (479 - r) * row; };
  for (int k = 0; k < h; ++k) ASSERT_EQ(0, std::memcmp(doubled(2 * k), field.data() + k * row, row)) << k;
  for (int k = 0; k + 1 < h; ++k) {
    for (size_t i = 0; i < row; ++i) {
      ASSERT_EQ(doubled(2 * k + 1)[i], (field[k * row + i] + field[(k + 1) * row + i]) / 2) << k << " " << i;
    }
  }
  EXPECT_EQ(0, std::memcmp(doubled(479), doubled(478), row));
  EXPECT_EQ(out[480 * row], 0xEE);  // nothing written past the picture
}

TEST(SnapshotRowsTest, FullFramesKeepTheirSizeAndOversizedPicturesAreNotBuilt) {
  Bytes out(kPictureBufferSize);
  for (auto [w, h, rows] : {std::array{640, 480, 480}, std::array{352, 240, 240}, std::array{639, 240, 240},
                            std::array{704, 288, 576}, std::array{704, 576, 576}, std::array{1, 1, 1}}) {
    Bytes picture(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint8_t>(i / (w * 3));
    ASSERT_EQ(BuildSnapshotRows(picture.data(), w, h, out.data(), out.size()), rows) << w << "x" << h;
    if (rows == h) {
      // Only turned over.
      EXPECT_EQ(0, std::memcmp(out.data(), picture.data() + (h - 1) * w * 3, w * 3)) << w << "x" << h;
    }
  }
  Bytes big(kPictureBufferSize * 2);
  // Larger than 704 x 576, doubled or not.
  for (auto [w, h] : {std::array{704, 290}, std::array{720, 240}, std::array{705, 576}, std::array{352, 577},
                      std::array{0, 240}, std::array{352, 0}, std::array{-352, 240}}) {
    EXPECT_EQ(BuildSnapshotRows(big.data(), w, h, out.data(), out.size()), 0) << w << "x" << h;
  }
  // A composition buffer too small for the picture.
  EXPECT_EQ(BuildSnapshotRows(big.data(), 352, 240, out.data(), 352 * 3 * 240 - 1), 0);
}

class SnapshotFileTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::vector<PictureMessage> messages;
  PictureMessageSink sink = [this](const PictureMessage& m) { messages.push_back(m); };
};

TEST_F(SnapshotFileTest, BmpOfWidth350HasTheExactHeadersAndZeroPaddedRows) {
  const samples::RgbPicture picture = samples::MakeTestPicture(350, 120, 4);
  Bytes bgr(350 * 3 * 120);
  for (size_t i = 0; i < bgr.size(); i += 3) {
    bgr[i] = picture.pixels[i + 2];
    bgr[i + 1] = picture.pixels[i + 1];
    bgr[i + 2] = picture.pixels[i];
  }
  const SnapshotPicture shot{bgr.data(), 350 * 3, 350, 120};
  ASSERT_EQ(SaveSnapshot(shot, dir.File("a.bmp"), kSnapshotBmp, sink), 1);
  const Bytes file = test::ReadFileBytes(dir.File("a.bmp"));
  ASSERT_EQ(file.size(), 54u + 1052 * 120);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 54), ExpectedHeaders(350, 120));
  for (int y = 0; y < 120; ++y) {
    const uint8_t* row = file.data() + 54 + y * 1052;
    EXPECT_EQ(0, std::memcmp(row, bgr.data() + (119 - y) * 1050, 1050)) << y;
    EXPECT_EQ(row[1050], 0);
    EXPECT_EQ(row[1051], 0);
  }
  // Another reader sees the same picture.
  const samples::RgbPicture theirs = test::DecodeWithConvert(dir.File("a.bmp"));
  EXPECT_EQ(theirs.pixels, picture.pixels);
  EXPECT_TRUE(messages.empty());
}

TEST_F(SnapshotFileTest, JpegIsWrittenFromUnpaddedRowsAtQuality100) {
  const samples::RgbPicture picture = samples::MakeTestPicture(350, 120, 4, samples::TestScene::kSmoothGradients);
  Bytes bgr(350 * 3 * 120);
  for (size_t i = 0; i < bgr.size(); i += 3) {
    bgr[i] = picture.pixels[i + 2];
    bgr[i + 1] = picture.pixels[i + 1];
    bgr[i + 2] = picture.pixels[i];
  }
  ASSERT_EQ(SaveSnapshot({bgr.data(), 350 * 3, 350, 120}, dir.File("a.jpg"), kSnapshotJpeg, sink), 1);
  int w = 0;
  int h = 0;
  auto rgb = ReadJpegFile(dir.File("a.jpg"), &w, &h, sink, UINT64_MAX);
  ASSERT_TRUE(rgb);
  ASSERT_EQ(w, 350);
  EXPECT_GE(test::Psnr(rgb.get(), picture.pixels.data(), picture.pixels.size()), 40.0);
  // Row by row too: rows read with the wrong length would drift off the
  // picture further with every row.
  for (int y = 0; y < 120; ++y) {
    EXPECT_GE(test::Psnr(rgb.get() + y * 1050, picture.Row(y), 1050), 28.0) << "row " << y;
  }
  ASSERT_TRUE(test::Convert({dir.File("a.jpg"), "-format", "%Q", "info:" + dir.File("q")}));
  const Bytes quality = test::ReadFileBytes(dir.File("q"));
  EXPECT_EQ(std::string(quality.begin(), quality.end()), "100");
}

TEST_F(SnapshotFileTest, FilesThatCannotBeWrittenAreReportedAndLeaveNothing) {
  Bytes bgr(16 * 16 * 3, 90);
  const SnapshotPicture shot{bgr.data(), 48, 16, 16};
  EXPECT_EQ(SaveSnapshot(shot, dir.File("none/a.bmp"), kSnapshotBmp, sink), 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Save Error #1");
  EXPECT_EQ(SaveSnapshot(shot, dir.File("none/a.jpg"), kSnapshotJpeg, sink), 0);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].text, "JpegFile :\nCan't open " + dir.File("none/a.jpg") + "\n");
  // An empty name writes nothing and says nothing.
  EXPECT_EQ(SaveSnapshot(shot, "", kSnapshotBmp, sink), 0);
  EXPECT_EQ(messages.size(), 2u);

  // What is in the way stays whole when the new file cannot be put there
  // (a folder of that name), and no temporary file is left beside it.
  ASSERT_EQ(mkdir(dir.File("keep.bmp").c_str(), 0700), 0);
  test::WriteFileBytes(dir.File("keep.bmp/inside"), {1, 2, 3});
  messages.clear();
  EXPECT_EQ(SaveSnapshot(shot, dir.File("keep.bmp"), kSnapshotBmp, sink), 0);
  EXPECT_EQ(SaveSnapshot(shot, dir.File("keep.bmp"), kSnapshotJpeg, sink), 0);
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_EQ(test::ReadFileBytes(dir.File("keep.bmp/inside")), (Bytes{1, 2, 3}));
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST(SnapshotTextsTest, TextsAreFormattedFromTheRecord) {
  INDEX_RECORD record{};
  record.year = 2026;
  record.month = 3;
  record.day = 4;
  record.hour = 9;
  record.minute = 5;
  record.second = 7;
  record.camera = 2;
  record.size = 46080;
  const SnapshotTexts all = SnapshotTextsOf(record, true, true, true);
  EXPECT_EQ(all.camera, "Cam 3");
  EXPECT_EQ(all.dateTime, "03-04-2026, 09:05:07");
  EXPECT_EQ(all.size, "45.00 KB");
  const SnapshotTexts none = SnapshotTextsOf(record, false, false, false);
  EXPECT_TRUE(none.camera.empty() && none.dateTime.empty() && none.size.empty());
}

// --- Through the engine, with the real codecs --------------------------------

class SnapshotCommandTest : public ::testing::Test {
 protected:
  SnapshotCommandTest() {
    env.RegisterDriver();
    controller.Engine().CreateDecoders();
  }

  void OpenMjpg(int width, int height, int frames = 6, uint32_t version = 7) {
    samples::MjpgBackupOptions options;
    options.width = width;
    options.height = height;
    options.frames = frames;
    options.quality = 90;
    options.version = version;
    options.camera = 2;
    const std::string path = dir.File("m" + std::to_string(width) + "x" + std::to_string(height) + ".zrv");
    ASSERT_TRUE(samples::MakeMjpgBackup(options).WriteContainer(path));
    ASSERT_TRUE(controller.OpenBackup(path, false));
    controller.UpdatePlaybackControls();
  }
  void Seek(uint32_t index) {
    controller.SetPlayState(kStoppedOrPaused);
    controller.GoToRecord(index);
  }
  // The snapshot command with the save dialog answering name.
  int Snapshot(const std::string& name, bool cam = true, bool date = true, bool size = true) {
    host.SetMenuItemChecked(ID_SHOW_CAM_NUMBER, cam);
    host.SetMenuItemChecked(ID_SHOW_DATE_TIME, date);
    host.SetMenuItemChecked(ID_SHOW_IMAGE_SIZE, size);
    return RunSnapshotCommand(controller, [this, name] {
      ++dialogs;
      EXPECT_FALSE(host.Button(IDC_SAVE_SNAPSHOT).enabled);  // disabled while the dialog is up
      return name.empty() ? name : dir.File(name);
    });
  }
  Bytes DecodedPicture() { return host.DibWindow().LastShown().pixels; }

  test::CodecEnvironment env;
  test::TempDir dir;
  test::RecordingHost host;
  CPlaybackController controller{host};
  int dialogs = 0;
};

TEST_F(SnapshotCommandTest, BmpOfAnMjpgFrameIsTheDecodedPictureUnderExactHeaders) {
  OpenMjpg(352, 240);
  Seek(3);
  const Bytes decoded = DecodedPicture();
  ASSERT_EQ(decoded.size(), 352u * 240 * 3);
  ASSERT_EQ(Snapshot("plain.bmp", false, false, false), 1);
  const BmpFile bmp = ReadBmp(dir.File("plain.bmp"));
  ASSERT_TRUE(bmp.valid);
  EXPECT_EQ(bmp.headers, ExpectedHeaders(352, 240));
  EXPECT_EQ(bmp.bits, decoded);
  EXPECT_EQ(dialogs, 1);
  EXPECT_TRUE(host.Button(IDC_SAVE_SNAPSHOT).enabled);
  EXPECT_TRUE(host.Messages().empty());
}

TEST_F(SnapshotCommandTest, Width350GivesPaddedBmpRowsAndAJpegWithoutShearing) {
  OpenMjpg(350, 240);
  Seek(1);
  const Bytes decoded = DecodedPicture();
  ASSERT_EQ(decoded.size(), 350u * 240 * 3);
  ASSERT_EQ(Snapshot("w.bmp", false, false, false), 1);
  const BmpFile bmp = ReadBmp(dir.File("w.bmp"));
  EXPECT_EQ(bmp.headers, ExpectedHeaders(350, 240));
  ASSERT_EQ(bmp.bits.size(), 1052u * 240);
  for (int y = 0; y < 240; ++y) {
    EXPECT_EQ(bmp.bits[y * 1052 + 1050], 0);
    EXPECT_EQ(bmp.bits[y * 1052 + 1051], 0);
  }
  EXPECT_EQ(PackedRows(bmp), decoded);

  ASSERT_EQ(Snapshot("w.jpg", false, false, false), 1);
  const samples::RgbPicture jpeg = test::DecodeWithConvert(dir.File("w.jpg"));
  ASSERT_EQ(jpeg.width, 350);
  const samples::RgbPicture composed = test::PictureOfDib24(bmp.bits.data(), 350, 240);
  // Colour bars lose some colour at half resolution, but every row stays
  // on its picture row (a sheared one would lose it entirely).
  for (int y = 0; y < 240; y += 7) {
    EXPECT_GE(test::Psnr(jpeg.Row(y), composed.Row(y), 1050), 28.0) << "row " << y;
  }
}

TEST_F(SnapshotCommandTest, JpegSnapshotDecodesToTheComposedPicture) {
  // A camera-like picture: soft colour edges, and the texts over it.
  CBackupWriter writer(7, samples::DemoCameraInfo());
  for (int i = 0; i < 3; ++i) {
    writer.AddVideoFrame(samples::RecordTimeAt(i, 10), "CAM", "LOC",
                         samples::MakeMjpgPayload(
                             samples::MakeTestPicture(704, 480, i, samples::TestScene::kSmoothGradients), 90));
  }
  ASSERT_TRUE(writer.WriteContainer(dir.File("soft.zrv")));
  ASSERT_TRUE(controller.OpenBackup(dir.File("soft.zrv"), false));
  Seek(2);
  ASSERT_EQ(Snapshot("c.bmp"), 1);
  ASSERT_EQ(Snapshot("c.JPG"), 1);
  const Bytes jpegBytes = test::ReadFileBytes(dir.File("c.JPG"));
  ASSERT_GE(jpegBytes.size(), 2u);
  EXPECT_EQ(jpegBytes[0], 0xFF);
  EXPECT_EQ(jpegBytes[1], 0xD8);
  const BmpFile bmp = ReadBmp(dir.File("c.bmp"));
  const samples::RgbPicture composed = test::PictureOfDib24(bmp.bits.data(), 704, 480);
  int w = 0;
  int h = 0;
  auto rgb = ReadJpegFile(dir.File("c.JPG"), &w, &h, nullptr, UINT64_MAX);
  ASSERT_TRUE(rgb);
  ASSERT_EQ(w, 704);
  ASSERT_EQ(h, 480);
  EXPECT_GE(test::Psnr(rgb.get(), composed.pixels.data(), composed.pixels.size()), 40.0);
}

// The pixels (x, y from the top) where two top-down pictures differ.
struct Region {
  int left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;
  bool empty() const { return right < 0; }
};
Region Differences(const samples::RgbPicture& a, const samples::RgbPicture& b, int x0, int y0, int x1, int y1) {
  Region r;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      if (std::memcmp(a.Row(y) + 3 * x, b.Row(y) + 3 * x, 3) == 0) continue;
      r.left = std::min(r.left, x);
      r.right = std::max(r.right, x);
      r.top = std::min(r.top, y);
      r.bottom = std::max(r.bottom, y);
    }
  }
  return r;
}

TEST_F(SnapshotCommandTest, TextsAppearAtTheirPlacesExactlyWhenTheirItemsAreChecked) {
  OpenMjpg(352, 240);
  Seek(0);
  ASSERT_EQ(Snapshot("none.bmp", false, false, false), 1);
  const BmpFile plain = ReadBmp(dir.File("none.bmp"));
  const samples::RgbPicture base = test::PictureOfDib24(plain.bits.data(), 352, 240);
  const int W = 352;
  const int H = 240;
  for (int mask = 1; mask < 8; ++mask) {
    const bool cam = mask & 1;
    const bool date = mask & 2;
    const bool size = mask & 4;
    const std::string name = "t" + std::to_string(mask) + ".bmp";
    ASSERT_EQ(Snapshot(name, cam, date, size), 1);
    const BmpFile bmp = ReadBmp(dir.File(name));
    const samples::RgbPicture shot = test::PictureOfDib24(bmp.bits.data(), W, H);
    // Camera "Cam 3" from (10, H - 25), size from (W - 70, H - 25), date and
    // time from (W / 2 - 75, H - 43); the outline reaches one pixel further.
    const Region camera = Differences(base, shot, 0, H - 30, 80, H);
    const Region sizeText = Differences(base, shot, W - 75, H - 30, W, H);
    const Region dateText = Differences(base, shot, W / 2 - 80, H - 48, W / 2 + 100, H - 26);
    EXPECT_EQ(!camera.empty(), cam) << mask;
    EXPECT_EQ(!sizeText.empty(), size) << mask;
    EXPECT_EQ(!dateText.empty(), date) << mask;
    if (cam) {
      EXPECT_GE(camera.left, 9);
      EXPECT_LE(camera.left, 12);
      EXPECT_GE(camera.top, H - 26);
      EXPECT_LE(camera.top, H - 20);
    }
    if (size) {
      EXPECT_GE(sizeText.left, W - 71);
      EXPECT_LE(sizeText.left, W - 68);
    }
    if (date) {
      EXPECT_GE(dateText.left, W / 2 - 76);
      EXPECT_LE(dateText.left, W / 2 - 73);
      EXPECT_GE(dateText.top, H - 44);
      EXPECT_LE(dateText.top, H - 38);
    }
    // Nothing outside the three places changes.
    Region elsewhere = Differences(base, shot, 0, 0, W, H - 48);
    EXPECT_TRUE(elsewhere.empty()) << mask;
    // White letters with black outlines.
    bool white = false;
    bool black = false;
    for (int y = H - 48; y < H; ++y) {
      for (int x = 0; x < W; ++x) {
        const uint8_t* p = shot.Row(y) + 3 * x;
        if (std::memcmp(p, base.Row(y) + 3 * x, 3) == 0) continue;
        white |= p[0] == 255 && p[1] == 255 && p[2] == 255;
        black |= p[0] == 0 && p[1] == 0 && p[2] == 0;
      }
    }
    EXPECT_TRUE(white && black) << mask;
  }
}

TEST_F(SnapshotCommandTest, FieldOf704x240IsSavedAs704x480WithAveragedOddRows) {
  OpenMjpg(704, 240);
  Seek(1);
  const Bytes field = DecodedPicture();  // bottom-up
  ASSERT_EQ(field.size(), 704u * 240 * 3);
  ASSERT_EQ(Snapshot("f.bmp", false, false, false), 1);
  const BmpFile bmp = ReadBmp(dir.File("f.bmp"));
  EXPECT_EQ(bmp.headers, ExpectedHeaders(704, 480));
  const size_t row = 704 * 3;
  ASSERT_EQ(bmp.bits.size(), row * 480);
  for (int k = 0; k < 240; ++k) {
    ASSERT_EQ(0, std::memcmp(&bmp.bits[2 * k * row], &field[k * row], row)) << k;
  }
  for (int k = 0; k < 239; ++k) {
    for (size_t i = 0; i < row; ++i) {
      ASSERT_EQ(bmp.bits[(2 * k + 1) * row + i], (field[k * row + i] + field[(k + 1) * row + i]) >> 1);
    }
  }
  EXPECT_EQ(0, std::memcmp(&bmp.bits[479 * row], &bmp.bits[478 * row], row));
}

TEST_F(SnapshotCommandTest, FieldThatWouldOutgrowTheBufferIsNotComposedAndSaysSo) {
  OpenMjpg(704, 290, 2);
  Seek(0);
  ASSERT_EQ(DecodedPicture().size(), 704u * 290 * 3);
  EXPECT_EQ(Snapshot("big.bmp"), 0);
  EXPECT_FALSE(test::ReadFileBytes(dir.File("big.bmp")).size());
  ASSERT_EQ(host.Messages().size(), 1u);
  EXPECT_EQ(host.Messages()[0], "Save Error #1");
  EXPECT_TRUE(host.Button(IDC_SAVE_SNAPSHOT).enabled);
}

TEST_F(SnapshotCommandTest, OnlyBmpAndJpgNamesAreSavedAndCancelSavesNothing) {
  OpenMjpg(352, 240, 2);
  EXPECT_EQ(Snapshot("shot.jpeg"), 0);
  EXPECT_EQ(Snapshot("shot.png"), 0);
  EXPECT_EQ(Snapshot(""), 0);
  EXPECT_EQ(dialogs, 3);
  EXPECT_TRUE(host.Messages().empty());
  EXPECT_TRUE(host.Button(IDC_SAVE_SNAPSHOT).enabled);
  EXPECT_TRUE(test::ReadFileBytes(dir.File("shot.jpeg")).empty());
  ASSERT_EQ(Snapshot("shot.Bmp"), 1);
  EXPECT_TRUE(ReadBmp(dir.File("shot.Bmp")).valid);
}

TEST_F(SnapshotCommandTest, NothingHappensWhilePlaying) {
  OpenMjpg(352, 240, 4);
  controller.BeginSteppedForwardPlay();
  EXPECT_EQ(Snapshot("p.bmp"), 0);
  EXPECT_EQ(dialogs, 0);
  host.DibWindow().SetPrintHandler([](auto...) { return 1; });
  EXPECT_EQ(RunPrintCommand(controller), 0);
  EXPECT_EQ(host.DibWindow().PrintCount(), 0);
  controller.SetPlayState(kPlayingBackward);
  EXPECT_EQ(Snapshot("p.bmp"), 0);
  EXPECT_EQ(RunPrintCommand(controller), 0);
  EXPECT_EQ(host.DibWindow().PrintCount(), 0);
}

TEST_F(SnapshotCommandTest, UndecodableFrameIsNotSavedAsAnotherPicture) {
  BITMAPINFOHEADER header;
  header.biSize = 40;
  header.biWidth = 352;
  header.biHeight = 240;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = kFourCC_MJPG;
  Bytes payload(40 + 3000, 0);
  header.ToBytes(payload.data());
  CBackupWriter writer(7, samples::DemoCameraInfo());
  writer.AddVideoFrame(samples::RecordTimeAt(0, 10), "CAM", "LOC", payload);
  ASSERT_TRUE(writer.WriteContainer(dir.File("bad.zrv")));
  ASSERT_TRUE(controller.OpenBackup(dir.File("bad.zrv"), false));
  EXPECT_EQ(Snapshot("bad.bmp"), 0);
  EXPECT_TRUE(test::ReadFileBytes(dir.File("bad.bmp")).empty());
  ASSERT_FALSE(host.Messages().empty());
  EXPECT_EQ(host.Messages().back(), "Save Error #1");
}

TEST_F(SnapshotCommandTest, Mpeg4DeltaFrameSnapshotsEqualTheInOrderDecode) {
  const int interval = 12;
  const test::Mpeg4Clip clip = test::EncodeMpeg4Clip(352, 240, 30, interval);
  ASSERT_FALSE(clip.payloads.empty());
  const auto reference = test::ReferenceMpeg4Pictures(clip, true);  // B, G, R, top row first
  CBackupWriter writer(7, samples::DemoCameraInfo());
  for (size_t i = 0; i < clip.payloads.size(); ++i) {
    writer.AddVideoFrame(samples::RecordTimeAt(static_cast<int>(i), 10), "CAM", "LOC", clip.payloads[i]);
  }
  ASSERT_TRUE(writer.WriteContainer(dir.File("m4.zrv")));
  for (bool overlay : {false, true}) {
    host.SetMenuItemChecked(ID_OPTION_OVERLAY, overlay);
    ASSERT_TRUE(controller.OpenBackup(dir.File("m4.zrv"), false));
    // Delta frames reached by seeking from elsewhere, each saved without
    // texts: the rows are the library's in-order decode.
    for (uint32_t target : {uint32_t(interval - 1), uint32_t(interval + 5), uint32_t(3)}) {
      Seek(29);
      Seek(target);
      const std::string name = "d" + std::to_string(overlay) + "_" + std::to_string(target) + ".bmp";
      ASSERT_EQ(Snapshot(name, false, false, false), 1);
      const BmpFile bmp = ReadBmp(dir.File(name));
      EXPECT_EQ(bmp.bits, test::FlipRows(reference[target], 352 * 3)) << overlay << " " << target;
    }
  }
}

}  // namespace
}  // namespace bv
