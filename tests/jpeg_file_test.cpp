// JPEG files written and read through the library, checked against
// ImageMagick's reading and making of the same files, and fed damaged,
// oversized and lying input.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstring>
#include <jpeglib.h>

#include "base/platform/string_printf.h"
#include "export/jpeg_file.h"
#include "tests/support/picture_tools.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/test_picture.h"

namespace bv {
namespace {

using samples::RgbPicture;

constexpr uint64_t kNoLimit = UINT64_MAX;

class JpegFileTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::vector<PictureMessage> messages;
  PictureMessageSink sink = [this](const PictureMessage& m) { messages.push_back(m); };

  std::vector<std::string> Files() {
    std::vector<std::string> names;
    DIR* d = opendir(dir.path().c_str());
    while (dirent* e = readdir(d)) {
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    }
    closedir(d);
    return names;
  }
  std::unique_ptr<uint8_t[]> Read(const std::string& path, int* w, int* h, uint64_t limit = kNoLimit) {
    return ReadJpegFile(path, w, h, sink, limit);
  }
};

// Splits a JPEG into its marker segments; a scan keeps its entropy-coded
// data with its SOS segment.
std::vector<std::vector<uint8_t>> Segments(const std::vector<uint8_t>& jpeg) {
  std::vector<std::vector<uint8_t>> segments;
  size_t at = 2;  // after SOI
  segments.push_back({jpeg.begin(), jpeg.begin() + 2});
  while (at + 4 <= jpeg.size()) {
    const uint8_t marker = jpeg[at + 1];
    if (marker == 0xD9) break;
    size_t end = at + 2 + ((jpeg[at + 2] << 8) | jpeg[at + 3]);
    if (marker == 0xDA) {
      while (end + 1 < jpeg.size() && !(jpeg[end] == 0xFF && jpeg[end + 1] != 0 &&
                                        (jpeg[end + 1] < 0xD0 || jpeg[end + 1] > 0xD7))) {
        ++end;
      }
    }
    segments.push_back({jpeg.begin() + at, jpeg.begin() + end});
    at = end;
  }
  return segments;
}

std::vector<uint8_t> EncodeProgressive(const RgbPicture& picture) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = picture.width;
  cinfo.image_height = picture.height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(picture.Row(cinfo.next_scanline));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  free(buffer);
  return bytes;
}

TEST_F(JpegFileTest, WrittenPictureReadsBackCloseToTheOriginalAtQuality100) {
  // A picture as a camera delivers it: soft colour edges (the file keeps
  // colour at half resolution, as the library's defaults say).
  const RgbPicture picture = samples::MakeTestPicture(350, 120, 7, samples::TestScene::kSmoothGradients);
  const std::string path = dir.File("shot.jpg");
  ASSERT_EQ(WriteJpegFile(path, picture.pixels.data(), 350, 120, 1, 100, sink), 1);
  EXPECT_TRUE(messages.empty());

  int w = -1;
  int h = -1;
  auto pixels = Read(path, &w, &h);
  ASSERT_TRUE(pixels);
  ASSERT_EQ(w, 350);
  ASSERT_EQ(h, 120);
  EXPECT_GE(test::Psnr(pixels.get(), picture.pixels.data(), picture.pixels.size()), 40.0);

  // An independent reader agrees, and sees the quality asked for.
  const RgbPicture theirs = test::DecodeWithConvert(path);
  ASSERT_EQ(theirs.width, 350);
  EXPECT_GE(test::Psnr(theirs.pixels.data(), picture.pixels.data(), picture.pixels.size()), 40.0);
  test::TempDir scratch;
  ASSERT_TRUE(test::Convert({path, "-format", "%Q", "info:" + scratch.File("q")}));
  const std::vector<uint8_t> quality = test::ReadFileBytes(scratch.File("q"));
  EXPECT_EQ(std::string(quality.begin(), quality.end()), "100");
}

TEST_F(JpegFileTest, ReadsColourFilesOfOtherWritersRowByRowWithoutShearing) {
  // 350 pixels: a row of 1,050 bytes, not a multiple of four.
  RgbPicture picture = samples::MakeTestPicture(350, 64, 3, samples::TestScene::kSmoothGradients);
  test::WritePpm(dir.File("in.ppm"), picture);
  ASSERT_TRUE(test::Convert({dir.File("in.ppm"), "-quality", "95", dir.File("in.jpg")}));
  const RgbPicture reference = test::DecodeWithConvert(dir.File("in.jpg"));
  ASSERT_EQ(reference.width, 350);

  int w = 0;
  int h = 0;
  auto pixels = Read(dir.File("in.jpg"), &w, &h);
  ASSERT_TRUE(pixels);
  ASSERT_EQ(w, 350);
  ASSERT_EQ(h, 64);
  // Every row on its own matches the other decoder's row (a sheared
  // picture would drift further from it with every row).
  for (int y = 0; y < h; ++y) {
    EXPECT_GE(test::Psnr(pixels.get() + y * 350 * 3, reference.Row(y), 350 * 3), 40.0) << "row " << y;
  }
}

TEST_F(JpegFileTest, GreyFilesGiveEqualRedGreenAndBlue) {
  ASSERT_TRUE(test::Convert({"-size", "80x40", "gradient:white-black", "-colorspace", "Gray", dir.File("g.jpg")}));
  int w = 0;
  int h = 0;
  auto pixels = Read(dir.File("g.jpg"), &w, &h);
  ASSERT_TRUE(pixels);
  ASSERT_EQ(w, 80);
  ASSERT_EQ(h, 40);
  int distinct = 0;
  for (int i = 0; i < w * h; ++i) {
    const uint8_t* p = pixels.get() + 3 * i;
    ASSERT_EQ(p[0], p[1]);
    ASSERT_EQ(p[1], p[2]);
    if (i > 0 && p[0] != p[-3]) ++distinct;
  }
  EXPECT_GT(distinct, 20);  // a gradient, not a flat grey
  const RgbPicture reference = test::DecodeWithConvert(dir.File("g.jpg"));
  EXPECT_GE(test::Psnr(pixels.get(), reference.pixels.data(), reference.pixels.size()), 45.0);
}

TEST_F(JpegFileTest, MissingFileIsReportedWithTheReadersMessage) {
  int w = 5;
  int h = 5;
  const std::string path = dir.File("none.jpg");
  EXPECT_FALSE(Read(path, &w, &h));
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "JPEG :\nCan't open " + path + "\n");
  EXPECT_EQ(messages[0].caption, "Backup Viewer");
}

TEST_F(JpegFileTest, UnwritableTargetIsReportedWithTheWritersMessage) {
  const RgbPicture picture = samples::MakeTestPicture(16, 16, 0);
  const std::string path = dir.File("no/such/folder/shot.jpg");
  EXPECT_EQ(WriteJpegFile(path, picture.pixels.data(), 16, 16, 1, 100, sink), 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "JpegFile :\nCan't open " + path + "\n");
  EXPECT_TRUE(Files().empty());
}

TEST_F(JpegFileTest, NothingToWriteGivesNoFileAndNoMessage) {
  const RgbPicture picture = samples::MakeTestPicture(16, 16, 0);
  EXPECT_EQ(WriteJpegFile(dir.File("a.jpg"), nullptr, 16, 16, 1, 100, sink), 0);
  EXPECT_EQ(WriteJpegFile(dir.File("b.jpg"), picture.pixels.data(), 0, 16, 1, 100, sink), 0);
  EXPECT_EQ(WriteJpegFile(dir.File("c.jpg"), picture.pixels.data(), 16, 0, 1, 100, sink), 0);
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(Files().empty());
}

TEST_F(JpegFileTest, FailedWriteLeavesTheEarlierFileWholeAndNoTemporaryFile) {
  const std::string path = dir.File("shot.jpg");
  test::WriteFileBytes(path, {'o', 'l', 'd'});
  // Wider than the library codes: it fails once the file is open.
  std::vector<uint8_t> row(70000 * 3, 128);
  EXPECT_EQ(WriteJpegFile(path, row.data(), 70000, 1, 1, 100, sink), 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "JPEG Fatal Error");
  EXPECT_EQ(messages[0].icon, MessageIcon::kError);
  EXPECT_NE(messages[0].text.find("65500"), std::string::npos) << messages[0].text;
  EXPECT_EQ(test::ReadFileBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(Files(), std::vector<std::string>{"shot.jpg"});
}

TEST_F(JpegFileTest, SuccessfulWriteReplacesTheEarlierFileWhole) {
  const std::string path = dir.File("shot.jpg");
  test::WriteFileBytes(path, std::vector<uint8_t>(100000, 'x'));
  const RgbPicture picture = samples::MakeTestPicture(32, 24, 1);
  ASSERT_EQ(WriteJpegFile(path, picture.pixels.data(), 32, 24, 1, 100, sink), 1);
  const std::vector<uint8_t> bytes = test::ReadFileBytes(path);
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_LT(bytes.size(), 100000u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xD8);
  EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
  EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);
  EXPECT_EQ(Files(), std::vector<std::string>{"shot.jpg"});
}

TEST_F(JpegFileTest, GarbageIsRefusedUnderTheFatalErrorCaption) {
  std::vector<uint8_t> garbage(4000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 131 + 7);
  test::WriteFileBytes(dir.File("g.jpg"), garbage);
  int w = 1;
  int h = 1;
  EXPECT_FALSE(Read(dir.File("g.jpg"), &w, &h));
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "JPEG Fatal Error");
  EXPECT_NE(messages[0].text.find("Not a JPEG file"), std::string::npos) << messages[0].text;

  test::WriteFileBytes(dir.File("empty.jpg"), {});
  messages.clear();
  EXPECT_FALSE(Read(dir.File("empty.jpg"), &w, &h));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "JPEG Fatal Error");
}

TEST_F(JpegFileTest, TruncatedFileDecodesWithOneWarningUnderTheWarningCaption) {
  const RgbPicture picture = samples::MakeTestPicture(200, 120, 2, samples::TestScene::kBusyDetail);
  std::vector<uint8_t> jpeg = samples::EncodeJpeg(picture, 90);
  jpeg.resize(jpeg.size() / 2);
  test::WriteFileBytes(dir.File("half.jpg"), jpeg);
  int w = 0;
  int h = 0;
  auto pixels = Read(dir.File("half.jpg"), &w, &h);
  ASSERT_TRUE(pixels);
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 120);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "JPEG Error");
  EXPECT_EQ(messages[0].icon, MessageIcon::kNone);
  // The first rows came from the file.
  EXPECT_GE(test::Psnr(pixels.get(), picture.pixels.data(), 200 * 3 * 16), 30.0);
}

TEST_F(JpegFileTest, EveryTruncationAndCorruptionEndsCleanly) {
  const RgbPicture picture = samples::MakeTestPicture(48, 32, 5, samples::TestScene::kBusyDetail);
  const std::vector<uint8_t> jpeg = samples::EncodeJpeg(picture, 75);
  const std::string path = dir.File("cut.jpg");
  for (size_t length = 0; length < jpeg.size(); length += 7) {
    test::WriteFileBytes(path, {jpeg.begin(), jpeg.begin() + length});
    int w = 0;
    int h = 0;
    auto pixels = Read(path, &w, &h);
    if (pixels) {
      EXPECT_EQ(w, 48);
      EXPECT_EQ(h, 32);
    } else {
      EXPECT_EQ(w, 0);
    }
  }
  for (size_t at = 2; at < jpeg.size(); at += 5) {
    std::vector<uint8_t> damaged = jpeg;
    damaged[at] ^= static_cast<uint8_t>(0x5A + at);
    test::WriteFileBytes(path, damaged);
    int w = 0;
    int h = 0;
    auto pixels = Read(path, &w, &h, 2'000'000);
    if (pixels) {
      EXPECT_LE(static_cast<uint64_t>(w) * h * 3, 2'000'000u);
    }
  }
}

TEST_F(JpegFileTest, PictureLargerThanTheCallerTakesIsRefusedBeforeDecoding) {
  const RgbPicture picture = samples::MakeTestPicture(400, 300, 0);
  const std::vector<uint8_t> jpeg = samples::EncodeJpeg(picture, 75);
  test::WriteFileBytes(dir.File("big.jpg"), jpeg);
  int w = 0;
  int h = 0;
  // 400 * 3 = 1,200 bytes a row: 359,999 bytes are one short of the picture.
  EXPECT_FALSE(Read(dir.File("big.jpg"), &w, &h, 1200 * 300 - 1));
  EXPECT_EQ(w, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "JpegFile :\nPicture too large (400 x 300)");
  messages.clear();
  EXPECT_TRUE(Read(dir.File("big.jpg"), &w, &h, 1200 * 300));
  EXPECT_TRUE(messages.empty());

  // A header that claims 65,000 x 65,000 pixels over a few bytes of data.
  std::vector<uint8_t> lying = jpeg;
  for (size_t i = 0; i + 9 < lying.size(); ++i) {
    if (lying[i] == 0xFF && lying[i + 1] == 0xC0) {
      lying[i + 5] = 0xFD;
      lying[i + 6] = 0xE8;
      lying[i + 7] = 0xFD;
      lying[i + 8] = 0xE8;
      break;
    }
  }
  test::WriteFileBytes(dir.File("lying.jpg"), lying);
  messages.clear();
  EXPECT_FALSE(Read(dir.File("lying.jpg"), &w, &h, 3'072'000));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "JpegFile :\nPicture too large (65000 x 65000)");
}

// A grey baseline file laid out by hand: every coefficient table holds a
// single one-bit code (DC difference 0, end of block), so each 8 x 8 block
// takes two zero bits and dataBytes of zeros are that many blocks / 4.
std::vector<uint8_t> FlatGreyBaseline(int width, int height, size_t dataBytes) {
  std::vector<uint8_t> f = {0xFF, 0xD8};
  const auto add = [&f](std::initializer_list<int> bytes) {
    for (int b : bytes) f.push_back(static_cast<uint8_t>(b));
  };
  add({0xFF, 0xDB, 0x00, 0x43, 0x00});  // quantisation table 0: all ones
  for (int i = 0; i < 64; ++i) f.push_back(1);
  add({0xFF, 0xC0, 0x00, 0x0B, 0x08, height >> 8, height & 0xFF, width >> 8, width & 0xFF, 0x01, 0x01, 0x11,
       0x00});
  for (int tableClass : {0x00, 0x10}) {  // DC table 0, AC table 0
    add({0xFF, 0xC4, 0x00, 0x14, tableClass, 0x01});
    for (int i = 1; i < 16; ++i) f.push_back(0);
    f.push_back(0x00);  // the one symbol: DC category 0, or AC end of block
  }
  add({0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00});
  f.insert(f.end(), dataBytes, 0x00);
  add({0xFF, 0xD9});
  return f;
}

TEST_F(JpegFileTest, FileFarTooShortForTheSizeItDeclaresIsRefusedBeforeDecoding) {
  int w = 0;
  int h = 0;
  // Complete: 64 x 48 pixels are 48 blocks, 96 bits; mid-grey throughout.
  test::WriteFileBytes(dir.File("whole.jpg"), FlatGreyBaseline(64, 48, 12));
  auto pixels = Read(dir.File("whole.jpg"), &w, &h);
  ASSERT_TRUE(pixels);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 48);
  EXPECT_TRUE(messages.empty());
  for (int i = 0; i < 64 * 48 * 3; ++i) ASSERT_EQ(pixels[i], 128) << i;

  // The same few bytes under a header of 12,000 x 10,000 pixels: 1,875,000
  // blocks cannot fit in a file of two hundred bytes.
  test::WriteFileBytes(dir.File("cut.jpg"), FlatGreyBaseline(12000, 10000, 12));
  messages.clear();
  EXPECT_FALSE(Read(dir.File("cut.jpg"), &w, &h));
  EXPECT_EQ(w, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "JPEG Fatal Error");
  EXPECT_EQ(messages[0].text, "Premature end of JPEG file");

  // A file cut short but not far below its blocks still opens, with the
  // library's warning.
  test::WriteFileBytes(dir.File("part.jpg"), FlatGreyBaseline(640, 480, 4800 / 8 + 8));
  messages.clear();
  EXPECT_TRUE(Read(dir.File("part.jpg"), &w, &h));
  EXPECT_EQ(w, 640);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "JPEG Error");
}

TEST_F(JpegFileTest, LargeFlatPicturesOfOtherWritersStillOpen) {
  // The smallest files other encoders make for a picture: one colour, coded
  // with optimised tables, progressive (DC in two scans, AC in end-of-band
  // runs), and arithmetic coding, which has no floor at all.
  const int side = 2048;
  RgbPicture flat(side, side);
  std::fill(flat.pixels.begin(), flat.pixels.end(), 77);
  const std::string in = dir.File("flat.ppm");
  test::WritePpm(in, flat);
  using Options = std::vector<std::string>;
  for (const Options& options : {Options{"-optimize"}, Options{"-progressive", "-optimize"}, Options{"-arithmetic"}}) {
    SCOPED_TRACE(options[0]);
    const std::string out = dir.File("flat.jpg");
    Options args = {"-grayscale"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {"-outfile", out, in});
    ASSERT_EQ(test::RunCommand("/usr/bin/cjpeg", args).exitCode, 0);
    int w = 0;
    int h = 0;
    messages.clear();
    auto pixels = Read(out, &w, &h);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(w, side);
    EXPECT_EQ(h, side);
    EXPECT_TRUE(messages.empty()) << messages[0].text;
    EXPECT_EQ(pixels[0], 77);
    EXPECT_EQ(pixels[static_cast<size_t>(side) * side * 3 - 1], 77);
  }
}

TEST_F(JpegFileTest, ProgressiveFileWithEndlesslyRepeatedScansIsRefused) {
  const RgbPicture picture = samples::MakeTestPicture(64, 48, 0, samples::TestScene::kSmoothGradients);
  const auto segments = Segments(EncodeProgressive(picture));
  std::vector<uint8_t> bomb;
  for (const auto& s : segments) bomb.insert(bomb.end(), s.begin(), s.end());
  // The last scan again and again: the library warns and goes on decoding
  // each copy over the whole picture.
  const std::vector<uint8_t>& last = segments.back();
  ASSERT_EQ(last[1], 0xDA);
  for (int i = 0; i < kMaxJpegScans + 50; ++i) bomb.insert(bomb.end(), last.begin(), last.end());
  bomb.push_back(0xFF);
  bomb.push_back(0xD9);
  test::WriteFileBytes(dir.File("bomb.jpg"), bomb);
  int w = 0;
  int h = 0;
  EXPECT_FALSE(Read(dir.File("bomb.jpg"), &w, &h));
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back().caption, "JPEG Fatal Error");
  EXPECT_EQ(messages.back().text, StringPrintf("Too many scans in a progressive JPEG (more than %d)", kMaxJpegScans));

  // The same file with its scans once is fine.
  std::vector<uint8_t> plain;
  for (const auto& s : segments) plain.insert(plain.end(), s.begin(), s.end());
  plain.push_back(0xFF);
  plain.push_back(0xD9);
  test::WriteFileBytes(dir.File("plain.jpg"), plain);
  messages.clear();
  auto pixels = Read(dir.File("plain.jpg"), &w, &h);
  ASSERT_TRUE(pixels);
  EXPECT_TRUE(messages.empty());
  EXPECT_GE(test::Psnr(pixels.get(), picture.pixels.data(), picture.pixels.size()), 30.0);
}

}  // namespace
}  // namespace bv
