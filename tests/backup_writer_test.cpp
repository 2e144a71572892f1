// The writer's layouts, byte for byte: what the viewer and other tools read.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/format/backup_constants.h"
#include "base/format/backup_writer.h"
#include "base/platform/file_write.h"
#include "base/platform/le_bytes.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using test::ReadFileBytes;
using test::TempDir;

TEST(BackupWriter, ContainerLayoutHasSpareSlotCameraInfoVersionAndTrailer) {
  TempDir dir;
  CBackupWriter writer = test::MakeSmallBackup(5, 3);
  ASSERT_TRUE(writer.WriteContainer(dir.File("a.zrv")));
  const std::vector<uint8_t> bytes = ReadFileBytes(dir.File("a.zrv"));
  const size_t E = bytes.size();
  const uint32_t L = 4 * 24;
  EXPECT_EQ(writer.IndexLength(), L);

  // Three records, then a spare slot of zeros.
  for (int i = 72; i < 96; ++i) ASSERT_EQ(bytes[i], 0) << i;
  // Record offsets are relative to the frame base (L): the first is 0, the
  // next one follows its 32-byte title header (version 5) and payload.
  EXPECT_EQ(ReadU32LE(bytes.data() + 16), 0u);
  EXPECT_EQ(ReadU32LE(bytes.data() + 20), 64u);
  EXPECT_EQ(ReadU32LE(bytes.data() + 24 + 16), 32u + 64u);
  // The title header of record 0: "CAM 0" then "LOC 0", 16 bytes each.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + L)), "CAM 0");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + L + 16)), "LOC 0");

  EXPECT_EQ(ReadU32LE(bytes.data() + E - 4), kTrailerMagic);
  EXPECT_EQ(ReadU32LE(bytes.data() + E - 1024), L);
  EXPECT_EQ(ReadU32LE(bytes.data() + E - 1028), 343u);  // infoLen
  EXPECT_EQ(ReadU32LE(bytes.data() + E - 1032), 5u);    // version
  EXPECT_EQ(bytes[E - 1032 - 343], 2);                 // camera number
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data() + E - 1032 - 343 + 1)), "Entrance");
  // Frame data ends where the camera information starts.
  const size_t frameData = 3 * 32 + 64 + 65 + 66;
  EXPECT_EQ(E, L + frameData + 343 + 8 + 1024);
}

TEST(BackupWriter, PairIsIndexFileAndSaveFileWithTailWords) {
  TempDir dir;
  CBackupWriter writer = test::MakeSmallBackup(2, 2);
  ASSERT_TRUE(writer.WritePair(dir.File("old.idx")));
  const std::vector<uint8_t> idx = ReadFileBytes(dir.File("old.idx"));
  const std::vector<uint8_t> sav = ReadFileBytes(dir.File("old.sav"));
  EXPECT_EQ(idx.size(), 72u);
  EXPECT_EQ(sav.size(), 64u + 65u + 343u + 8u);  // version 2: no title headers
  EXPECT_EQ(ReadU32LE(sav.data() + sav.size() - 8), 2u);
  EXPECT_EQ(ReadU32LE(sav.data() + sav.size() - 4), 343u);
}

TEST(BackupWriter, SelfContainedNeedsAProgramOfTheExactLength) {
  TempDir dir;
  CBackupWriter writer = test::MakeSmallBackup(7, 1);
  std::vector<uint8_t> program(kProgramFileLength, 0xCC);
  ASSERT_TRUE(writer.WriteSelfContained(dir.File("self"), program));
  const std::vector<uint8_t> bytes = ReadFileBytes(dir.File("self"));
  EXPECT_EQ(bytes.size(), kProgramFileLength + writer.ContainerBytes().size());
  EXPECT_EQ(bytes[kProgramFileLength - 1], 0xCC);
  EXPECT_EQ(ReadU32LE(bytes.data() + kProgramFileLength), writer.Index()[0].year);

  program.pop_back();
  EXPECT_FALSE(writer.WriteSelfContained(dir.File("short"), program));
  EXPECT_FALSE(std::filesystem::exists(dir.File("short")));
}

TEST(BackupWriter, InfoLenShorterOrLongerThanTheBlock) {
  CBackupWriter shortInfo(7, CAMERA_INFO{}, 100);
  std::vector<uint8_t> data = shortInfo.DataFileBytes();
  EXPECT_EQ(data.size(), 108u);
  EXPECT_EQ(ReadU32LE(data.data() + 104), 100u);
  CBackupWriter longInfo(7, CAMERA_INFO{}, 500);
  EXPECT_EQ(longInfo.DataFileBytes().size(), 508u);
}

TEST(FileWrite, ReplacesTargetWholeAndLeavesNoTemporaryFile) {
  TempDir dir;
  const std::vector<uint8_t> first = {1, 2, 3};
  const std::vector<uint8_t> second = {9, 8};
  ASSERT_TRUE(WriteFileAtomically(dir.File("f"), {first}));
  ASSERT_TRUE(WriteFileAtomically(dir.File("f"), {second, first}));
  EXPECT_EQ(ReadFileBytes(dir.File("f")), (std::vector<uint8_t>{9, 8, 1, 2, 3}));
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) entries += e.is_regular_file();
  EXPECT_EQ(entries, 1);
  EXPECT_FALSE(WriteFileAtomically(dir.File("missing/f"), {first}));
}

}  // namespace
}  // namespace bv
