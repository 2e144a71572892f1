// Opening backups in their three forms, and refusing every broken one
// cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "base/format/backup_constants.h"
#include "base/format/pair_files.h"
#include "base/host/control_ids.h"
#include "base/platform/le_bytes.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/recording_host.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

class OpenBackupTest : public ::testing::Test {
 protected:
  test::RecordingHost host;
  CPlaybackController controller{host};
  TempDir dir;

  bool Open(const std::string& path, bool oldFormat = false) { return controller.OpenBackup(path, oldFormat); }
  std::vector<std::string> Messages() const { return host.Messages(); }
};

TEST_F(OpenBackupTest, ContainerGivesCountIndexLengthFrameBaseAndCameraInformation) {
  CBackupWriter writer = test::MakeSmallBackup(7, 5, 2);
  ASSERT_TRUE(writer.WriteContainer(dir.File("five.zrv")));
  ASSERT_TRUE(Open(dir.File("five.zrv")));
  EXPECT_EQ(controller.Count(), 5u);
  EXPECT_EQ(controller.IndexLength(), 6u * 24);
  EXPECT_EQ(controller.Engine().FrameBase(), 6u * 24);
  EXPECT_EQ(controller.Engine().Version(), 7u);
  EXPECT_EQ(controller.Engine().InfoLen(), 343u);
  EXPECT_EQ(FieldText(controller.Engine().CameraInfo().name), "Entrance");
  EXPECT_EQ(controller.Engine().BackupDirectory(), dir.path() + "/");
  EXPECT_EQ(controller.Path(), dir.File("five.zrv"));
  EXPECT_EQ(controller.CurrentIndex(), 0u);
  EXPECT_EQ(host.PositionMaximum(), 4u);
  EXPECT_TRUE(host.MenuItemEnabled(ID_FILE_SHOW_INFORMATION));
  EXPECT_TRUE(Messages().empty());
  // The first record is shown: its title with the camera number + 1.
  EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), " CAM 0 (3)");
  EXPECT_EQ(host.EditText(IDC_LOCATION), " LOC 0");
  EXPECT_EQ(host.EditText(IDC_CODEC_NAME), " MJPG");
  EXPECT_EQ(host.EditText(IDC_PICTURE_SIZE), " 352 x 240");
}

TEST_F(OpenBackupTest, LocationIsShownBeforeTheFirstFrame) {
  ASSERT_TRUE(test::MakeSmallBackup(7, 2).WriteContainer(dir.File("b.zrv")));
  ASSERT_TRUE(Open(dir.File("b.zrv")));
  std::vector<std::pair<int, std::string>> history = host.EditHistory();
  auto location = std::find(history.begin(), history.end(), std::make_pair(int(IDC_LOCATION), std::string("Hall 1 East Gate")));
  auto codec = std::find_if(history.begin(), history.end(), [](auto& e) { return e.first == IDC_CODEC_NAME && !e.second.empty(); });
  ASSERT_NE(location, history.end());
  ASSERT_NE(codec, history.end());
  EXPECT_LT(location - history.begin(), codec - history.begin());
}

TEST_F(OpenBackupTest, OneRecordContainerHasIndexLength48) {
  ASSERT_TRUE(test::MakeSmallBackup(7, 1).WriteContainer(dir.File("one.zrv")));
  ASSERT_TRUE(Open(dir.File("one.zrv")));
  EXPECT_EQ(controller.IndexLength(), 48u);
  EXPECT_EQ(controller.Count(), 1u);
}

TEST_F(OpenBackupTest, OldPairReadsSaveFileBesideAndKeepsIndexLengthZero) {
  ASSERT_TRUE(test::MakeSmallBackup(2, 3).WritePair(dir.File("old.idx")));
  ASSERT_TRUE(Open(dir.File("old.idx"), true));
  EXPECT_EQ(controller.Count(), 3u);
  EXPECT_EQ(controller.IndexLength(), 0u);
  EXPECT_EQ(controller.Engine().FrameBase(), 0u);
  EXPECT_EQ(controller.Engine().Version(), 2u);
  // Version 2 carries no titles: edit 1016 stays empty, 1017 keeps the
  // camera information's location.
  EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), "");
  EXPECT_EQ(host.EditText(IDC_LOCATION), "Hall 1 East Gate");
}

TEST_F(OpenBackupTest, OldPairWithoutSaveFileIsASaveErrorAndKeepsTheBackupThatWasOpen) {
  ASSERT_TRUE(test::MakeSmallBackup(7, 4).WriteContainer(dir.File("good.zrv")));
  ASSERT_TRUE(Open(dir.File("good.zrv")));
  controller.GoToRecord(2);
  ASSERT_TRUE(test::MakeSmallBackup(2, 3).WritePair(dir.File("old.idx")));
  std::filesystem::remove(dir.File("old.sav"));
  EXPECT_FALSE(Open(dir.File("old.idx"), true));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Save Error #1"});
  // The index file was fine, the data file missing: nothing was let go.
  EXPECT_EQ(controller.Count(), 4u);
  EXPECT_EQ(controller.CurrentIndex(), 2u);
  EXPECT_EQ(controller.Path(), dir.File("good.zrv"));
  EXPECT_TRUE(host.MenuItemEnabled(ID_FILE_SHOW_INFORMATION));
  EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), " CAM 2 (3)");
}

// Names from Windows media match without case.
TEST_F(OpenBackupTest, OldPairFindsItsDataFileWhateverTheCaseOfTheNames) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"OLD.IDX", "OLD.SAV"}, {"Old.Idx", "old.SAV"}, {"cam1.idx", "CAM1.Sav"}, {"B.idx", "B.SAV"}};
  for (size_t c = 0; c < cases.size(); ++c) {
    const std::string sub = dir.File("case" + std::to_string(c));
    std::filesystem::create_directory(sub);
    ASSERT_TRUE(test::MakeSmallBackup(2, 3).WritePair(sub + "/scratch.idx"));
    std::filesystem::rename(sub + "/scratch.idx", sub + "/" + cases[c].first);
    std::filesystem::rename(sub + "/scratch.sav", sub + "/" + cases[c].second);
    ASSERT_TRUE(Open(sub + "/" + cases[c].first, true)) << cases[c].first;
    EXPECT_EQ(controller.Count(), 3u) << cases[c].first;
    EXPECT_EQ(host.EditText(IDC_LOCATION), "Hall 1 East Gate") << cases[c].first;
    EXPECT_TRUE(Messages().empty()) << cases[c].first;
  }
  // A data file of another stem is not taken.
  const std::string other = dir.File("other");
  std::filesystem::create_directory(other);
  ASSERT_TRUE(test::MakeSmallBackup(2, 3).WritePair(other + "/a.idx"));
  std::filesystem::rename(other + "/a.sav", other + "/ab.SAV");
  EXPECT_FALSE(Open(other + "/a.idx", true));
  EXPECT_EQ(Messages().back(), "Save Error #1");
}

TEST(PairDataFile, PrefersTheExactSpellingWhenSeveralNamesMatch) {
  TempDir dir;
  auto touch = [&](const std::string& name) { WriteFileBytes(dir.File(name), {1}); };
  touch("MIX.SAV");
  touch("MIX.sav");
  EXPECT_EQ(PairDataFile(dir.File("MIX.idx")), dir.File("MIX.sav"));
  EXPECT_EQ(PairDataFile(dir.File("MIX.IDX")), dir.File("MIX.SAV"));
  touch("up.sav");
  touch("UP.Sav");
  EXPECT_EQ(PairDataFile(dir.File("UP.IDX")), dir.File("UP.Sav")) << "the fewest letters of another case";
  touch("OLD.SAV");
  touch("old.SAV");
  EXPECT_EQ(PairDataFile(dir.File("Old.Idx")), dir.File("old.SAV"));
  EXPECT_EQ(PairDataFile(dir.File("OLD.IDX")), dir.File("OLD.SAV"));
  touch("lone.SAV");
  EXPECT_EQ(PairDataFile(dir.File("Lone.idx")), dir.File("lone.SAV"));
  EXPECT_EQ(PairDataFile(dir.File("none.idx")), dir.File("none.sav")) << "missing: the name as spelled";
}

TEST_F(OpenBackupTest, SelfContainedBackupStartsAtTheProgramLength) {
  CBackupWriter writer = test::MakeSmallBackup(5, 4);
  ASSERT_TRUE(writer.WriteSelfContained(dir.File("viewer"), std::vector<uint8_t>(kProgramFileLength, 0x90)));
  controller.SetSelfContained(true);
  ASSERT_TRUE(Open(dir.File("viewer")));
  EXPECT_EQ(controller.Count(), 4u);
  EXPECT_EQ(controller.IndexBase(), kProgramFileLength);
  EXPECT_EQ(controller.Engine().FrameBase(), kProgramFileLength + 5u * 24);
  EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), " CAM 0 (3)");
}

TEST_F(OpenBackupTest, ProgramWithoutAppendedBackupIsRefused) {
  WriteFileBytes(dir.File("viewer"), std::vector<uint8_t>(kProgramFileLength, 0));
  controller.SetSelfContained(true);
  EXPECT_FALSE(Open(dir.File("viewer")));
  EXPECT_EQ(Messages(), std::vector<std::string>{"File Error #1"});
}

TEST_F(OpenBackupTest, MissingFileIsRefusedWithoutMessage) {
  EXPECT_FALSE(Open(dir.File("nothing.zrv")));
  EXPECT_FALSE(Open(dir.path()));  // a directory is not a backup
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(controller.Count(), 0u);
}

TEST_F(OpenBackupTest, WrongMagicIsAFileErrorAndKeepsTheBackupThatWasOpen) {
  ASSERT_TRUE(test::MakeSmallBackup(7, 3).WriteContainer(dir.File("a.zrv")));
  ASSERT_TRUE(Open(dir.File("a.zrv")));
  controller.UpdatePlaybackControls();
  std::vector<uint8_t> bytes = ReadFileBytes(dir.File("a.zrv"));
  WriteU32LE(bytes.data() + bytes.size() - 4, 31071);
  WriteFileBytes(dir.File("bad.zrv"), bytes);
  EXPECT_FALSE(Open(dir.File("bad.zrv")));
  EXPECT_EQ(Messages(), std::vector<std::string>{"File Error #1"});
  // The new file is checked before the open backup is let go.
  EXPECT_EQ(controller.Count(), 3u);
  EXPECT_EQ(controller.Path(), dir.File("a.zrv"));
  EXPECT_TRUE(host.MenuItemEnabled(ID_FILE_SHOW_INFORMATION));
  EXPECT_TRUE(host.PositionSliderVisible());
  EXPECT_FALSE(host.Button(IDC_PLAY_FORWARD).disabledLook);
  // The backup that stays is still read: a step shows its next record.
  controller.StepForward();
  EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), " CAM 1 (3)");
  // With nothing open before, a refused file leaves the viewer empty.
  CPlaybackController fresh(host);
  EXPECT_FALSE(fresh.OpenBackup(dir.File("bad.zrv"), false));
  EXPECT_EQ(fresh.Count(), 0u);
}

TEST_F(OpenBackupTest, IndexLengthsThatCannotHoldARecordOrDoNotFitAreFileErrors) {
  ASSERT_TRUE(test::MakeSmallBackup(7, 3).WriteContainer(dir.File("a.zrv")));
  const std::vector<uint8_t> good = ReadFileBytes(dir.File("a.zrv"));
  for (uint32_t L : {0u, 23u, 24u, 47u, 0xFFFFFFFFu, 0x7FFFFFF0u, static_cast<uint32_t>(good.size())}) {
    std::vector<uint8_t> bytes = good;
    WriteU32LE(bytes.data() + bytes.size() - 1024, L);
    WriteFileBytes(dir.File("bad.zrv"), bytes);
    EXPECT_FALSE(Open(dir.File("bad.zrv"))) << L;
    EXPECT_EQ(controller.Count(), 0u);
  }
  EXPECT_EQ(Messages().size(), 7u);
  for (const std::string& m : Messages()) EXPECT_EQ(m, "File Error #1");
}

TEST_F(OpenBackupTest, IndexFilesTooShortForARecordAreFileErrors) {
  for (size_t length : {0u, 10u, 24u, 47u}) {
    WriteFileBytes(dir.File("short.idx"), std::vector<uint8_t>(length, 1));
    WriteFileBytes(dir.File("short.sav"), std::vector<uint8_t>(100, 0));
    EXPECT_FALSE(Open(dir.File("short.idx"), true)) << length;
  }
  EXPECT_EQ(Messages().size(), 4u);
}

TEST_F(OpenBackupTest, EveryTruncationOfAContainerIsRefusedOrOpensSafely) {
  ASSERT_TRUE(test::MakeSmallBackup(7, 4).WriteContainer(dir.File("a.zrv")));
  const std::vector<uint8_t> good = ReadFileBytes(dir.File("a.zrv"));
  for (size_t length = 0; length < good.size(); length += 7) {
    WriteFileBytes(dir.File("cut.zrv"), std::vector<uint8_t>(good.begin(), good.begin() + length));
    // Cutting the end loses the trailer: nothing short of the whole file opens.
    EXPECT_FALSE(Open(dir.File("cut.zrv"))) << length;
  }
  // Cutting the frame data instead keeps the trailer: the backup opens and
  // records that reach past the end are refused when shown.
  const size_t head = 5 * 24 + 10;
  const size_t tail = 343 + 8 + 1024;
  std::vector<uint8_t> cut(head + tail);
  std::copy(good.begin(), good.begin() + head, cut.begin());
  std::copy(good.end() - tail, good.end(), cut.begin() + head);
  WriteFileBytes(dir.File("hollow.zrv"), cut);
  ASSERT_TRUE(Open(dir.File("hollow.zrv")));
  EXPECT_EQ(controller.Count(), 4u);
  for (uint32_t i = 0; i < 4; ++i) controller.GoToRecord(i);
}

TEST_F(OpenBackupTest, GarbageFilesAreRefused) {
  std::vector<uint8_t> garbage(5000);
  uint32_t state = 12345;
  for (auto& b : garbage) b = static_cast<uint8_t>((state = state * 1103515245 + 12345) >> 24);
  WriteFileBytes(dir.File("g.zrv"), garbage);
  EXPECT_FALSE(Open(dir.File("g.zrv")));
  // Garbage with a valid-looking trailer whose L fits: opens, shows nothing bad.
  WriteU32LE(garbage.data() + garbage.size() - 4, kTrailerMagic);
  WriteU32LE(garbage.data() + garbage.size() - 1024, 240);
  WriteU32LE(garbage.data() + garbage.size() - 1028, 0xFFFFFFF0);  // infoLen
  WriteFileBytes(dir.File("g2.zrv"), garbage);
  ASSERT_TRUE(Open(dir.File("g2.zrv")));
  EXPECT_EQ(controller.Count(), 9u);
  for (uint32_t i = 0; i < 9; ++i) controller.GoToRecord(i);
}

TEST_F(OpenBackupTest, InfoLenAboveTheBlockReadsOnlyTheBlock) {
  CAMERA_INFO info;
  info.number = 4;
  std::memset(info.name, 'N', sizeof info.name);  // no terminator inside
  std::memset(info.owner, 'O', sizeof info.owner);
  CBackupWriter writer(7, info, 600);
  writer.AddVideoFrame(INDEX_RECORD{}, "T", "L", test::FakePayload(0, 352, 240));
  ASSERT_TRUE(writer.WriteContainer(dir.File("big-info.zrv")));
  ASSERT_TRUE(Open(dir.File("big-info.zrv")));
  EXPECT_EQ(controller.Engine().InfoLen(), 600u);
  EXPECT_EQ(controller.Engine().CameraInfo().number, 4);
  EXPECT_EQ(FieldText(controller.Engine().CameraInfo().name), std::string(144, 'N'));
  EXPECT_EQ(FieldText(controller.Engine().CameraInfo().owner), std::string(50, 'O'));
}

TEST_F(OpenBackupTest, ShortInfoLenLeavesUnreadFieldsZero) {
  CAMERA_INFO info;
  std::strcpy(info.name, "Name");
  std::strcpy(info.owner, "Owner");
  CBackupWriter writer(7, info, 20);
  writer.AddVideoFrame(INDEX_RECORD{}, "T", "L", test::FakePayload(0, 352, 240));
  ASSERT_TRUE(writer.WriteContainer(dir.File("short-info.zrv")));
  ASSERT_TRUE(Open(dir.File("short-info.zrv")));
  EXPECT_EQ(FieldText(controller.Engine().CameraInfo().name), "Name");
  EXPECT_EQ(FieldText(controller.Engine().CameraInfo().owner), "");
}

TEST_F(OpenBackupTest, FirstRecordAudioPacedSetsOneMillisecondAndKeepsTheSpeedSlider) {
  CBackupWriter writer(7);
  INDEX_RECORD paced{};
  paced.type = 0x80;
  writer.AddVideoFrame(paced, "T", "L", test::FakePayload(0, 352, 240));
  ASSERT_TRUE(writer.WriteContainer(dir.File("paced.zrv")));
  controller.Engine().SetFrameDelay(13);  // 100 ms
  host.SetSpeedPosition(3);
  ASSERT_TRUE(Open(dir.File("paced.zrv")));
  EXPECT_EQ(controller.Engine().FrameDelay(), 1u);
  EXPECT_EQ(host.SpeedPosition(), 10);  // the reset at the start of the open put it there

  ASSERT_TRUE(test::MakeSmallBackup(7, 2).WriteContainer(dir.File("plain.zrv")));
  controller.Engine().SetFrameDelay(13);
  ASSERT_TRUE(Open(dir.File("plain.zrv")));
  EXPECT_EQ(controller.Engine().FrameDelay(), 100u);  // unchanged
  EXPECT_EQ(host.SpeedPosition(), 10);
}

TEST(OpenChosenFile, ExtensionDecidesAndIsCaseInsensitive) {
  EXPECT_EQ(ClassifyOpenPath("/a/b.ZRV"), OpenPathKind::kZrv);
  EXPECT_EQ(ClassifyOpenPath("b.zrv"), OpenPathKind::kZrv);
  EXPECT_EQ(ClassifyOpenPath("b.Idx"), OpenPathKind::kIdx);
  EXPECT_EQ(ClassifyOpenPath("b.JPG"), OpenPathKind::kJpg);
  EXPECT_EQ(ClassifyOpenPath("b.bmp"), OpenPathKind::kBmp);
  EXPECT_EQ(ClassifyOpenPath("b.jpeg"), OpenPathKind::kNone);
  EXPECT_EQ(ClassifyOpenPath("zrv"), OpenPathKind::kNone);
  EXPECT_EQ(ClassifyOpenPath(""), OpenPathKind::kNone);

  TempDir dir;
  test::RecordingHost host;
  CPlaybackController controller(host);
  ASSERT_TRUE(test::MakeSmallBackup(7, 2).WriteContainer(dir.File("UPPER.ZRV")));
  controller.OpenChosenFile(dir.File("UPPER.ZRV"));
  EXPECT_EQ(controller.Count(), 2u);
  EXPECT_TRUE(host.MenuItemEnabled(ID_FILE_SHOW_INFORMATION));

  // A backup under a name the Open command does not know is left alone.
  std::filesystem::copy_file(dir.File("UPPER.ZRV"), dir.File("backup.jpeg"));
  CPlaybackController other(host);
  other.OpenChosenFile(dir.File("backup.jpeg"));
  EXPECT_EQ(other.Count(), 0u);
}

}  // namespace
}  // namespace bv
