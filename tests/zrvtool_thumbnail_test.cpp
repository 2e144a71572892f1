// zrvtool thumbnail, as a file manager runs it through the installed
// .thumbnailer entry: the first picture the viewer can show, as the snapshot
// builds it, scaled to the long side asked for; a clear refusal and no file
// for anything that is no backup.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "base/format/backup_writer.h"
#include "tests/support/codec_environment.h"
#include "tests/support/picture_tools.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_lines.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/sample_backups.h"
#include "tools/samples/test_picture.h"

namespace bv {
namespace {

using test::Field;

test::CommandResult Zrvtool(const std::vector<std::string>& args) { return test::RunCommand(ZRVTOOL_PATH, args); }

// The key=value lines of the thumbnailer entry.
std::map<std::string, std::string> ThumbnailerEntry() {
  std::ifstream in(BV_SOURCE_DIR "/res/backup-viewer.thumbnailer");
  std::map<std::string, std::string> entry;
  for (std::string line; std::getline(in, line);) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) entry[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return entry;
}

class ZrvtoolThumbnailTest : public ::testing::Test {
 protected:
  ZrvtoolThumbnailTest() { env.RegisterDriver(); }

  std::string MjpgBackup(int width, int height) {
    samples::MjpgBackupOptions options;
    options.frames = 6;
    options.width = width;
    options.height = height;
    const std::string path = dir.File(std::to_string(width) + "x" + std::to_string(height) + ".zrv");
    EXPECT_TRUE(samples::MakeMjpgBackup(options).WriteContainer(path));
    return path;
  }

  test::CodecEnvironment env;
  test::TempDir dir;
};

TEST_F(ZrvtoolThumbnailTest, FirstPictureAsTheSnapshotBuildsItScaledToTheLongSide) {
  // 704 x 240 is one field: the snapshot doubles it to 704 x 480.
  const std::string backup = MjpgBackup(704, 240);
  const test::CommandResult run = Zrvtool({"thumbnail", backup, dir.File("t.png"), "--size", "176"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Field(run.out, "record"), "0");
  const samples::RgbPicture thumb = test::DecodeWithConvert(dir.File("t.png"));
  ASSERT_EQ(thumb.width, 176);
  ASSERT_EQ(thumb.height, 120);

  // The viewer's own snapshot of record 0, without texts, scaled by convert.
  const test::CommandResult snap =
      Zrvtool({"snapshot", backup, "0", "-o", dir.File("s.bmp"), "--no-cam", "--no-date", "--no-size"});
  ASSERT_EQ(snap.exitCode, 0) << snap.err;
  ASSERT_TRUE(test::Convert({dir.File("s.bmp"), "-resize", "176x120!", dir.File("s.ppm")}));
  const samples::RgbPicture reference = test::ReadPpm(dir.File("s.ppm"));
  ASSERT_EQ(reference.pixels.size(), thumb.pixels.size());
  EXPECT_GE(test::Psnr(thumb.pixels.data(), reference.pixels.data(), thumb.pixels.size()), 28.0);
}

TEST_F(ZrvtoolThumbnailTest, LongSideFollowsTheSizeAskedFor) {
  const std::string backup = MjpgBackup(352, 288);
  for (const auto& [size, width, height] : {std::tuple{"64", 64, 52}, std::tuple{"1024", 1024, 838}}) {
    SCOPED_TRACE(size);
    const test::CommandResult run = Zrvtool({"thumbnail", backup, dir.File("t.png"), "--size", size});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const samples::RgbPicture thumb = test::DecodeWithConvert(dir.File("t.png"));
    EXPECT_EQ(thumb.width, width);
    EXPECT_NEAR(thumb.height, height, 1);
  }
}

TEST_F(ZrvtoolThumbnailTest, RecordsWithoutAPictureAreSkipped) {
  CBackupWriter writer(7, samples::DemoCameraInfo());
  std::mt19937 random(20);
  for (int i = 0; i < 3; ++i) {
    std::vector<uint8_t> garbage(300 + 50 * i);
    for (uint8_t& byte : garbage) byte = static_cast<uint8_t>(random());
    writer.AddRawRecord(samples::RecordTimeAt(i, 10), garbage);
  }
  for (int i = 3; i < 6; ++i) {
    writer.AddVideoFrame(samples::RecordTimeAt(i, 10), "CAM", "Hall",
                         samples::MakeMjpgPayload(samples::MakeTestPicture(352, 240, i), 80));
  }
  ASSERT_TRUE(writer.WriteContainer(dir.File("late.zrv")));
  const test::CommandResult run = Zrvtool({"thumbnail", dir.File("late.zrv"), dir.File("t.png"), "--size", "88"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Field(run.out, "record"), "3");
  EXPECT_EQ(test::DecodeWithConvert(dir.File("t.png")).width, 88);
}

TEST_F(ZrvtoolThumbnailTest, AnythingButABackupIsRefusedAndNoFileIsLeft) {
  const std::string good = MjpgBackup(352, 240);
  const std::vector<uint8_t> bytes = test::ReadFileBytes(good);
  std::vector<uint8_t> garbage(5000);
  std::mt19937 random(7);
  for (uint8_t& byte : garbage) byte = static_cast<uint8_t>(random());
  test::WriteFileBytes(dir.File("truncated.zrv"), std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 3));
  test::WriteFileBytes(dir.File("garbage.zrv"), garbage);
  test::WriteFileBytes(dir.File("empty.zrv"), {});
  for (const char* name : {"truncated.zrv", "garbage.zrv", "empty.zrv", "missing.zrv"}) {
    SCOPED_TRACE(name);
    const test::CommandResult run = Zrvtool({"thumbnail", dir.File(name), dir.File("t.png"), "--size", "128"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(run.err.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("t.png")));
  }
  for (const char* size : {"0", "4097", "big"}) {
    EXPECT_EQ(Zrvtool({"thumbnail", good, dir.File("t.png"), "--size", size}).exitCode, 2) << size;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("t.png")));
}

TEST_F(ZrvtoolThumbnailTest, ThumbnailerEntryRunsTheCommandForTheBackupTypes) {
  const std::map<std::string, std::string> entry = ThumbnailerEntry();
  EXPECT_EQ(entry.at("TryExec"), "zrvtool");
  EXPECT_EQ(entry.at("MimeType"), "application/x-zrv-backup;application/x-zrv-backup-index;");
  // Every type named is one the viewer's file types define.
  std::ifstream mime(BV_SOURCE_DIR "/res/backup-viewer-mime.xml");
  const std::string types((std::istreambuf_iterator<char>(mime)), std::istreambuf_iterator<char>());
  for (const char* type : {"application/x-zrv-backup\"", "application/x-zrv-backup-index\""}) {
    EXPECT_NE(types.find(type), std::string::npos) << type;
  }

  // As a file manager runs it, for an old pair named by its index file.
  samples::MjpgBackupOptions options;
  options.frames = 3;
  ASSERT_TRUE(samples::MakeMjpgBackup(options).WritePair(dir.File("OLD.IDX")));
  std::istringstream exec(entry.at("Exec"));
  std::vector<std::string> args;
  for (std::string word; exec >> word;) {
    if (word == "%i") word = dir.File("OLD.IDX");
    if (word == "%o") word = dir.File("cache.png");
    if (word == "%s") word = "128";
    args.push_back(word);
  }
  ASSERT_EQ(args.at(0), "zrvtool");
  args.erase(args.begin());
  const test::CommandResult run = Zrvtool(args);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(test::DecodeWithConvert(dir.File("cache.png")).width, 128);
}

TEST(ZrvtoolThumbnailFirstRun, CodecModulesAreWrittenWhenTheSystemFolderLacksThem) {
  test::CodecEnvironment empty(false);
  test::TempDir dir;
  samples::WaveletBackupOptions options;
  options.frames = 4;
  ASSERT_TRUE(samples::MakeWaveletBackup(options).WriteContainer(dir.File("w.zrv")));
  const test::CommandResult run = Zrvtool({"thumbnail", dir.File("w.zrv"), dir.File("t.png"), "--size", "100"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(test::DecodeWithConvert(dir.File("t.png")).width, 100);
  EXPECT_FALSE(std::filesystem::is_empty(empty.SystemDir()));
}

}  // namespace
}  // namespace bv
