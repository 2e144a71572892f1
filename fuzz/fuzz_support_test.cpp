// The fuzz input formats: a backup taken apart into the records format is
// built again byte for byte (so the seeds start where real backups are), and
// the reader gives zeros past the end of an input.
#include <gtest/gtest.h>

#include "fuzz/fuzz_support.h"
#include "fuzz/payload_sequence.h"
#include "tools/samples/sample_backups.h"
#include "tools/samples/sound_backup.h"

namespace bv {
namespace {

void ExpectRebuiltExactly(const CBackupWriter& original, uint32_t version) {
  const std::vector<uint8_t> input = fuzz::RecordsInput(original, version);
  fuzz::InputReader reader(input.data(), input.size());
  const CBackupWriter rebuilt = fuzz::BuildBackup(reader);
  EXPECT_TRUE(reader.AtEnd());
  ASSERT_EQ(rebuilt.Count(), original.Count());
  EXPECT_EQ(rebuilt.IndexBytes(), original.IndexBytes());
  const std::vector<uint8_t> before = original.DataFileBytes();
  const std::vector<uint8_t> after = rebuilt.DataFileBytes();
  ASSERT_EQ(after.size(), before.size());
  // The frames are the same; the camera information is the fuzzer's own.
  const size_t frames = before.size() - CAMERA_INFO::kSize - 8;
  EXPECT_TRUE(std::equal(before.begin(), before.begin() + static_cast<std::ptrdiff_t>(frames), after.begin()));
}

TEST(FuzzRecordsFormat, VideoBackupsOfEveryTitleWidthComeBackUnchanged) {
  for (uint32_t version : {1u, 3u, 7u}) {
    samples::MjpgBackupOptions options;
    options.frames = 3;
    options.width = 48;
    options.height = 32;
    options.version = version;
    SCOPED_TRACE(version);
    ExpectRebuiltExactly(samples::MakeMjpgBackup(options), version);
  }
}

TEST(FuzzRecordsFormat, SoundBackupsComeBackUnchanged) {
  samples::SoundBackupOptions options;
  options.seconds = 2;
  options.framesPerSecond = 2;
  options.width = 32;
  options.height = 24;
  ExpectRebuiltExactly(samples::MakeSoundBackup(options).writer, options.version);
}

TEST(FuzzRecordsFormat, SizeOverrideAndRecordLimit) {
  // One record whose index size is given (flags bit 0), then more records
  // than a built backup takes.
  std::vector<uint8_t> input = {7, 0x00, 5, 0x10, 0x00, 2, 1, 4, 0, 'a', 'b', 'c', 'd', 0xFF, 0xFF, 0xFF, 0x7F};
  for (int i = 0; i < fuzz::kMaxBuiltRecords + 5; ++i) {
    const uint8_t record[] = {0, 1, 0, 0, 0, 0, 0, 0};
    input.insert(input.end(), record, record + sizeof record);
  }
  fuzz::InputReader reader(input.data(), input.size());
  const CBackupWriter built = fuzz::BuildBackup(reader);
  ASSERT_EQ(built.Count(), static_cast<uint32_t>(fuzz::kMaxBuiltRecords));
  EXPECT_EQ(built.Index()[0].size, 0x7FFFFFFFu);
  EXPECT_EQ(built.Index()[0].camera, 2);
  EXPECT_EQ(built.Index()[0].second, 5);
  EXPECT_EQ(built.Index()[0].millisecond, 0x10);
  EXPECT_FALSE(reader.AtEnd());
}

TEST(FuzzInputReader, ReadsLittleEndianAndGivesZerosPastTheEnd) {
  const uint8_t bytes[] = {0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xAB};
  fuzz::InputReader reader(bytes, sizeof bytes);
  EXPECT_EQ(reader.U16(), 0x1234);
  EXPECT_EQ(reader.U32(), 0x12345678u);
  EXPECT_EQ(reader.Bytes(5).size(), 1u);
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.U32(), 0u);
  EXPECT_TRUE(reader.Rest().empty());
}

TEST(FuzzPayloadSequence, OnlyPicturesTheEngineWouldDecodeAreHandedOver) {
  auto prefix = [](uint32_t coded, int width, int height, size_t size) {
    std::vector<uint8_t> p(size, 0);
    p[0] = static_cast<uint8_t>(coded >> 16);
    p[1] = static_cast<uint8_t>(coded >> 8);
    p[2] = static_cast<uint8_t>(coded);
    p[3] = 0xA0;
    p[4] = static_cast<uint8_t>(height >> 8);
    p[5] = static_cast<uint8_t>(height);
    p[6] = static_cast<uint8_t>(width >> 8);
    p[7] = static_cast<uint8_t>(width);
    return p;
  };
  int width = 0;
  int height = 0;
  EXPECT_TRUE(fuzz::PrefixedPictureSize(prefix(10, 704, 576, 18), &width, &height));
  EXPECT_EQ(width, 704);
  EXPECT_EQ(height, 576);
  // Bytes 0..2 are no length: whatever they say, the payload is handed over.
  EXPECT_TRUE(fuzz::PrefixedPictureSize(prefix(0xFFFFFF, 64, 48, 18), &width, &height));
  EXPECT_EQ(width, 64);
  EXPECT_FALSE(fuzz::PrefixedPictureSize(prefix(0, 705, 48, 8), &width, &height));
  EXPECT_FALSE(fuzz::PrefixedPictureSize(prefix(0, 64, 577, 8), &width, &height));
  EXPECT_FALSE(fuzz::PrefixedPictureSize(prefix(0, 0, 48, 8), &width, &height));
  EXPECT_FALSE(fuzz::PrefixedPictureSize(std::vector<uint8_t>(7, 0), &width, &height));
}

}  // namespace
}  // namespace bv
