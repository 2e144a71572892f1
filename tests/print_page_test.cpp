// The printed page: its geometry in printer pixels, the page as a PDF
// rendered back by pdftoppm, and the print command's request to the video
// window, with the real codecs.
#include <gtest/gtest.h>

#include <QImage>

#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "export/print_page.h"
#include "outputs/commands/picture_commands.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/codec_environment.h"
#include "tests/support/picture_tools.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/sample_backups.h"

namespace bv {
namespace {

TEST(PrintPageLayoutTest, SixHundredDpiPrinterAndNinetySixDpiScreen) {
  const PrintPageLayout a4 = ComputePrintPageLayout(4960, 600, 600, 96, 96);
  EXPECT_EQ(a4.pictureWidth, 3675);
  EXPECT_EQ(a4.pictureHeight, 2750);
  EXPECT_EQ(a4.pictureY, 600);
  EXPECT_EQ(a4.captionY, 600 + 2750 + 100);
  EXPECT_EQ(a4.titleY, 200);
  EXPECT_EQ(a4.pictureX, (4960 - 3675) / 2);
  // No screen resolution: 96 dpi.
  const PrintPageLayout noScreen = ComputePrintPageLayout(4960, 600, 600, 0, -1);
  EXPECT_EQ(noScreen.pictureWidth, 3675);
  EXPECT_EQ(noScreen.pictureHeight, 2750);
  // Integer arithmetic, each product before its division.
  const PrintPageLayout odd = ComputePrintPageLayout(2480, 300, 360, 120, 72);
  EXPECT_EQ(odd.pictureWidth, 300 * 588 / 120);
  EXPECT_EQ(odd.pictureHeight, 360 * 440 / 72);
  EXPECT_EQ(odd.titleY, 120);
  EXPECT_EQ(odd.captionY, 360 + 2200 + 60);
}

// A picture of one flat grey, so its box on the page is easy to find.
QImage FlatPicture(int width, int height, int grey) {
  QImage image(width, height, QImage::Format_RGB888);
  image.fill(QColor(grey, grey, grey));
  return image;
}

struct Box {
  int left = -1, top = -1, right = -1, bottom = -1;
};

// The rows and columns through the page's middle whose pixels are near grey.
Box FindGreyBox(const test::GreyPage& page, int grey) {
  auto near = [grey](uint8_t v) { return std::abs(int(v) - grey) <= 12; };
  Box box;
  const int midX = page.width / 2;
  for (int y = 0; y < page.height; ++y) {
    if (!near(page.At(midX, y))) continue;
    if (box.top < 0) box.top = y;
    box.bottom = y;
  }
  const int midY = (box.top + box.bottom) / 2;
  for (int x = 0; x < page.width && midY > 0; ++x) {
    if (!near(page.At(x, midY))) continue;
    if (box.left < 0) box.left = x;
    box.right = x;
  }
  return box;
}

// First and last rows in [y0, y1) holding a dark pixel, and the leftmost one.
Box FindInk(const test::GreyPage& page, int y0, int y1) {
  Box ink;
  for (int y = y0; y < y1; ++y) {
    for (int x = 0; x < page.width; ++x) {
      if (page.At(x, y) >= 128) continue;
      if (ink.top < 0) ink.top = y;
      ink.bottom = y;
      if (ink.left < 0 || x < ink.left) ink.left = x;
    }
  }
  return ink;
}

TEST(PrintedPdfTest, PictureTitleAndCaptionLieWhereTheLayoutPutsThem) {
  test::TempDir dir;
  const std::string pdf = dir.File("page.pdf");
  ASSERT_TRUE(WritePrintPagePdf(pdf, FlatPicture(352, 240, 140), "CAM 1 (1) - Mar 14, 2026   19 : 30 : 00", 600));
  const test::GreyPage page = test::RenderPdfPage(pdf, 600);
  ASSERT_NEAR(page.width, 4961, 3);  // A4 at 600 dpi
  const Box picture = FindGreyBox(page, 140);
  const int left = (page.width - 3675) / 2;
  EXPECT_NEAR(picture.top, 600, 1);
  EXPECT_NEAR(picture.bottom - picture.top + 1, 2750, 2);
  EXPECT_NEAR(picture.right - picture.left + 1, 3675, 2);
  EXPECT_NEAR(picture.left, left, 2);

  // The caption starts a sixth of an inch under the picture, at its left
  // edge; the title a third of an inch from the top.
  const Box caption = FindInk(page, 3351, page.height);
  EXPECT_GE(caption.top, 3450);
  EXPECT_LE(caption.top, 3450 + 40);
  EXPECT_GE(caption.left, left);
  EXPECT_LE(caption.left, left + 30);
  const Box title = FindInk(page, 0, 599);
  EXPECT_GE(title.top, 200);
  EXPECT_LE(title.top, 200 + 40);
  EXPECT_GE(title.left, left);
  EXPECT_LE(title.left, left + 30);
  // "Image Print" in 15 point is taller than the 10-point caption.
  EXPECT_GT(title.bottom - title.top, caption.bottom - caption.top);
}

TEST(PrintedPdfTest, SmallAndLargePicturesAreStretchedToTheSamePlace) {
  test::TempDir dir;
  ASSERT_TRUE(WritePrintPagePdf(dir.File("s.pdf"), FlatPicture(352, 240, 90), "s", 300));
  ASSERT_TRUE(WritePrintPagePdf(dir.File("l.pdf"), FlatPicture(704, 576, 90), "l", 300));
  const Box small = FindGreyBox(test::RenderPdfPage(dir.File("s.pdf"), 300), 90);
  const Box large = FindGreyBox(test::RenderPdfPage(dir.File("l.pdf"), 300), 90);
  EXPECT_NEAR(small.top, 300, 1);
  EXPECT_NEAR(small.bottom - small.top + 1, 1375, 2);
  EXPECT_NEAR(small.top, large.top, 1);
  EXPECT_NEAR(small.bottom, large.bottom, 1);
  EXPECT_NEAR(small.left, large.left, 1);
  EXPECT_NEAR(small.right, large.right, 1);
}

TEST(PrintedPdfTest, AnUnwritablePdfIsRefusedAndLeavesNoFile) {
  test::TempDir dir;
  EXPECT_FALSE(WritePrintPagePdf(dir.File("none/page.pdf"), FlatPicture(8, 8, 90), "x", 600));
}

TEST(PrintImageTest, OnlyTwentyFourBitPicturesWithinTheBuffersArePrinted) {
  std::vector<uint8_t> bits(kPictureBufferSize, 0);
  bits[0] = 255;  // blue, bottom-left pixel
  BITMAPINFOHEADER header;
  header.biSize = 40;
  header.biWidth = 352;
  header.biHeight = 240;
  header.biBitCount = 24;
  const QImage image = PrintImageOfBits(bits.data(), header, bits.size());
  ASSERT_EQ(image.size(), QSize(352, 240));
  EXPECT_EQ(image.pixelColor(0, 239), QColor(0, 0, 255));
  header.biHeight = -240;  // top-down
  EXPECT_EQ(PrintImageOfBits(bits.data(), header, bits.size()).pixelColor(0, 0), QColor(0, 0, 255));
  header.biHeight = 577;
  header.biWidth = 704;
  EXPECT_TRUE(PrintImageOfBits(bits.data(), header, bits.size()).isNull());
  header.biHeight = 240;
  header.biBitCount = 16;
  EXPECT_TRUE(PrintImageOfBits(bits.data(), header, bits.size()).isNull());
  header.biBitCount = 24;
  header.biWidth = 0;
  EXPECT_TRUE(PrintImageOfBits(bits.data(), header, bits.size()).isNull());
  EXPECT_TRUE(PrintImageOfBits(nullptr, header, bits.size()).isNull());
}

class PrintCommandTest : public ::testing::Test {
 protected:
  PrintCommandTest() {
    env.RegisterDriver();
    controller.Engine().CreateDecoders();
  }
  void Open(uint32_t version, bool overlay = false) {
    samples::MjpgBackupOptions options;
    options.frames = 4;
    options.version = version;
    options.camera = 2;
    const std::string path = dir.File("v" + std::to_string(version) + ".zrv");
    ASSERT_TRUE(samples::MakeMjpgBackup(options).WriteContainer(path));
    host.SetMenuItemChecked(ID_OPTION_OVERLAY, overlay);
    ASSERT_TRUE(controller.OpenBackup(path, false));
    controller.UpdatePlaybackControls();
  }

  test::CodecEnvironment env;
  test::TempDir dir;
  test::RecordingHost host;
  CPlaybackController controller{host};
};

TEST_F(PrintCommandTest, TheDecodedPictureAndItsCaptionGoToTheWindow) {
  Open(7);
  controller.GoToRecord(2);
  const auto shown = host.DibWindow().LastShown();
  int answered = 0;
  host.DibWindow().SetPrintHandler([&](const uint8_t*, uint32_t, const BITMAPINFOHEADER&, const std::string&) {
    EXPECT_FALSE(host.Button(IDC_PRINT).enabled);  // disabled while printing
    ++answered;
    return 1;
  });
  EXPECT_EQ(RunPrintCommand(controller), 1);
  EXPECT_EQ(answered, 1);
  EXPECT_TRUE(host.Button(IDC_PRINT).enabled);
  const auto request = host.DibWindow().LastPrint();
  const INDEX_RECORD record = controller.Index()[2];
  EXPECT_EQ(request.caption, host.EditText(IDC_CAMERA_TITLE) + " - Mar 14, 2026   19 : 30 : 00");
  EXPECT_EQ(request.caption.rfind(" CAM 01 ENTRANCE (3) - ", 0), 0u) << request.caption;
  EXPECT_EQ(request.frameSize, record.size);
  EXPECT_EQ(request.header.biWidth, 352);
  EXPECT_EQ(request.header.biHeight, 240);
  EXPECT_EQ(request.header.biBitCount, 24);
  EXPECT_EQ(request.bits, shown.pixels);
}

TEST_F(PrintCommandTest, EmptyCameraFieldGivesACaptionStartingWithTheDash) {
  Open(2);  // version 2 backups never write the camera field
  controller.GoToRecord(1);
  EXPECT_EQ(RunPrintCommand(controller), 0);  // no printer
  const auto request = host.DibWindow().LastPrint();
  EXPECT_EQ(request.caption, " - Mar 14, 2026   19 : 30 : 00");
}

TEST_F(PrintCommandTest, InOverlayPresentationTheOverlayWindowPrintsATwentyFourBitPicture) {
  Open(7, true);
  controller.GoToRecord(1);
  host.OverlayWindow().SetPrintHandler([](auto...) { return 1; });
  EXPECT_EQ(RunPrintCommand(controller), 1);
  EXPECT_EQ(host.DibWindow().PrintCount(), 0);
  const auto request = host.OverlayWindow().LastPrint();
  EXPECT_EQ(request.header.biBitCount, 24);
  ASSERT_EQ(request.bits.size(), 352u * 240 * 3);
  // The same picture the DIB presentation shows.
  host.SetMenuItemChecked(ID_OPTION_OVERLAY, false);
  controller.Engine().SetDisplayMode(false);
  ASSERT_TRUE(controller.OpenBackup(dir.File("v7.zrv"), false));
  controller.GoToRecord(1);
  EXPECT_EQ(host.DibWindow().LastShown().pixels, request.bits);
}

}  // namespace
}  // namespace bv
