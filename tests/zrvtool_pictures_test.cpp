// zrvtool still, snapshot and print against the same work done in process:
// the same files, the same page.
#include <gtest/gtest.h>

#include "base/host/control_ids.h"
#include "export/recorder_trailer.h"
#include "outputs/commands/picture_commands.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/codec_environment.h"
#include "tests/support/picture_tools.h"
#include "tests/support/recording_host.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/sample_backups.h"

namespace bv {
namespace {

test::CommandResult Zrvtool(const std::vector<std::string>& args) { return test::RunCommand(ZRVTOOL_PATH, args); }

class ZrvtoolPicturesTest : public ::testing::Test {
 protected:
  ZrvtoolPicturesTest() {
    env.RegisterDriver();
    samples::MjpgBackupOptions options;
    options.frames = 5;
    options.width = 704;
    options.height = 240;
    options.camera = 1;
    backup = dir.File("m.zrv");
    EXPECT_TRUE(samples::MakeMjpgBackup(options).WriteContainer(backup));
  }
  // The snapshot the viewer's command writes for record index.
  void SnapshotInProcess(uint32_t index, const std::string& out, bool cam, bool date, bool size) {
    test::RecordingHost host;
    CPlaybackController controller(host);
    controller.Engine().CreateDecoders();
    ASSERT_TRUE(controller.OpenBackup(backup, false));
    controller.SetPlayState(kStoppedOrPaused);
    controller.GoToRecord(index);
    host.SetMenuItemChecked(ID_SHOW_CAM_NUMBER, cam);
    host.SetMenuItemChecked(ID_SHOW_DATE_TIME, date);
    host.SetMenuItemChecked(ID_SHOW_IMAGE_SIZE, size);
    ASSERT_EQ(RunSnapshotCommand(controller, [&] { return out; }), 1);
  }

  test::CodecEnvironment env;
  test::TempDir dir;
  std::string backup;
};

TEST_F(ZrvtoolPicturesTest, SnapshotWritesTheFileTheSaveCommandWrites) {
  const test::CommandResult bmp = Zrvtool({"snapshot", backup, "3", "-o", dir.File("tool.bmp")});
  ASSERT_EQ(bmp.exitCode, 0) << bmp.err;
  EXPECT_EQ(bmp.out, "{\"index\":3,\"format\":\"bmp\",\"width\":704,\"height\":480,\"file\":\"" +
                         dir.File("tool.bmp") + "\"}\n");
  SnapshotInProcess(3, dir.File("viewer.bmp"), true, true, true);
  EXPECT_EQ(test::ReadFileBytes(dir.File("tool.bmp")), test::ReadFileBytes(dir.File("viewer.bmp")));

  const test::CommandResult jpg =
      Zrvtool({"snapshot", backup, "2", "--no-cam", "-o", dir.File("tool.JPG"), "--no-size"});
  ASSERT_EQ(jpg.exitCode, 0) << jpg.err;
  SnapshotInProcess(2, dir.File("viewer.jpg"), false, true, false);
  const std::vector<uint8_t> tool = test::ReadFileBytes(dir.File("tool.JPG"));
  EXPECT_FALSE(tool.empty());
  EXPECT_EQ(tool, test::ReadFileBytes(dir.File("viewer.jpg")));
}

TEST_F(ZrvtoolPicturesTest, SnapshotRefusesWhatTheViewerRefuses) {
  EXPECT_EQ(Zrvtool({"snapshot", backup, "1", "-o", dir.File("x.jpeg")}).exitCode, 2);
  EXPECT_EQ(Zrvtool({"snapshot", backup, "1"}).exitCode, 2);
  EXPECT_EQ(Zrvtool({"snapshot", backup, "x", "-o", dir.File("x.bmp")}).exitCode, 2);
  const test::CommandResult past = Zrvtool({"snapshot", backup, "5", "-o", dir.File("x.bmp")});
  EXPECT_EQ(past.exitCode, 1);
  EXPECT_NE(past.err.find("5 records"), std::string::npos) << past.err;
  const test::CommandResult unwritable = Zrvtool({"snapshot", backup, "1", "-o", dir.File("no/x.bmp")});
  EXPECT_EQ(unwritable.exitCode, 1);
  EXPECT_EQ(unwritable.err, "Save Error #1\n");
  EXPECT_EQ(Zrvtool({"snapshot", dir.File("none.zrv"), "1", "-o", dir.File("x.bmp")}).exitCode, 1);
}

TEST_F(ZrvtoolPicturesTest, PrintWritesThePrintedPageAsPdf) {
  const test::CommandResult result = Zrvtool({"print", backup, "1", "-o", dir.File("page.pdf")});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("\"caption\":\" CAM 01 ENTRANCE (2) - Mar 14, 2026   19 : 30 : 00\""),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("\"picture_width\":3675,\"picture_height\":2750,\"picture_top\":600,\"caption_top\":3450"),
            std::string::npos)
      << result.out;
  const test::GreyPage page = test::RenderPdfPage(dir.File("page.pdf"), 600);
  ASSERT_NEAR(page.width, 4961, 3);  // A4 at 600 dpi
  // The picture: not paper white through its middle row and column.
  const int midY = 600 + 1375;
  int left = -1;
  int right = -1;
  for (int x = 0; x < page.width; ++x) {
    if (page.At(x, midY) > 250) continue;
    if (left < 0) left = x;
    right = x;
  }
  EXPECT_NEAR(left, (page.width - 3675) / 2, 2);
  EXPECT_NEAR(right - left + 1, 3675, 4);
  const int midX = page.width / 2;
  int top = -1;
  int bottom = -1;
  for (int y = 400; y < 3440; ++y) {
    if (page.At(midX, y) > 250) continue;
    if (top < 0) top = y;
    bottom = y;
  }
  EXPECT_NEAR(top, 600, 2);
  EXPECT_NEAR(bottom - top + 1, 2750, 4);
  // The caption's first ink lies a sixth of an inch under the picture.
  int captionTop = -1;
  for (int y = 3351; y < page.height && captionTop < 0; ++y) {
    for (int x = left; x < left + 1500; ++x) {
      if (page.At(x, y) < 128) {
        captionTop = y;
        break;
      }
    }
  }
  EXPECT_GE(captionTop, 3450);
  EXPECT_LE(captionTop, 3490);

  EXPECT_EQ(Zrvtool({"print", backup, "1", "-o", dir.File("p.pdf"), "--dpi", "7"}).exitCode, 2);
  EXPECT_EQ(Zrvtool({"print", backup, "9", "-o", dir.File("p.pdf")}).exitCode, 1);
}

TEST_F(ZrvtoolPicturesTest, StillShowsTheTrailerAndWritesThePicture) {
  RecorderTrailer trailer;
  trailer.cameraIndex = 3;
  trailer.cameraName = "Gate";
  trailer.time.wYear = 2026;
  trailer.time.wMonth = 3;
  trailer.time.wDay = 4;
  trailer.time.wHour = 19;
  trailer.time.wMinute = 30;
  trailer.time.wSecond = 5;
  trailer.information = "Hall \"2\"";
  const samples::RgbPicture picture = samples::MakeTestPicture(350, 60, 2);
  std::vector<uint8_t> file = test::Bmp24Of(picture);
  const std::string tail = RecorderTrailerBytes(trailer);
  file.insert(file.end(), tail.begin(), tail.end());
  test::WriteFileBytes(dir.File("rec.bmp"), file);

  const test::CommandResult result = Zrvtool({"still", dir.File("rec.bmp"), "-o", dir.File("rec.png")});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "{\"width\":350,\"height\":60,\"trailer\":true,\"camera\":\"Gate (4)\",\"info\":\"Hall \\\"2\\\"\","
            "\"caption\":\"Mar 04, 2026   19 : 30 : 05\"}\n");
  EXPECT_EQ(test::DecodeWithConvert(dir.File("rec.png")).pixels, picture.pixels);

  test::WriteFileBytes(dir.File("plain.jpg"), samples::EncodeJpeg(picture, 90));
  const test::CommandResult plain = Zrvtool({"still", dir.File("plain.jpg"), "-o", dir.File("plain.png")});
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_EQ(plain.out,
            "{\"width\":350,\"height\":60,\"trailer\":false,\"camera\":\"\",\"info\":\"\",\"caption\":\"\"}\n");
}

TEST_F(ZrvtoolPicturesTest, StillRefusesBadFilesWithTheViewersMessage) {
  ASSERT_TRUE(test::Convert({"-size", "8x8", "xc:red", "-type", "Palette", "BMP3:" + dir.File("p8.bmp")}));
  const test::CommandResult eight = Zrvtool({"still", dir.File("p8.bmp"), "-o", dir.File("x.png")});
  EXPECT_EQ(eight.exitCode, 1);
  std::vector<uint8_t> garbage(2000, 0x5A);
  test::WriteFileBytes(dir.File("g.jpg"), garbage);
  const test::CommandResult bad = Zrvtool({"still", dir.File("g.jpg"), "-o", dir.File("x.png")});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.err.find("Not a JPEG file"), std::string::npos) << bad.err;
  EXPECT_EQ(Zrvtool({"still", dir.File("g.gif"), "-o", dir.File("x.png")}).exitCode, 2);
  EXPECT_EQ(Zrvtool({"still", dir.File("g.jpg"), "-o", dir.File("x.gif")}).exitCode, 2);
  EXPECT_TRUE(test::ReadFileBytes(dir.File("x.png")).empty());
}

}  // namespace
}  // namespace bv
