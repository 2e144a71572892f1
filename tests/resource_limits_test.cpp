// Files that claim far more than they hold, and files of gigabytes (sparse,
// so that they cost no disk): opening and reading them is refused or stops
// at a bound, quickly and without taking memory in proportion to the claim.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "base/format/backup_constants.h"
#include "base/format/backup_index.h"
#include "base/host/control_ids.h"
#include "base/platform/le_bytes.h"
#include "events/event_configuration.h"
#include "events/event_file_writer.h"
#include "events/event_records.h"
#include "events/event_state.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/recording_host.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using test::TempDir;

constexpr uint64_t kGigabyte = 1ull << 30;

// Peak resident memory of the process so far, in bytes.
uint64_t PeakResidentBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<uint64_t>(usage.ru_maxrss) * 1024;
}

// Writes bytes at offset into path (created when missing), then gives the
// file its length; the rest of the file is a hole.
void WriteSparse(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes, uint64_t length) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  if (!bytes.empty()) {
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)),
              static_cast<ssize_t>(bytes.size()));
  }
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(length)), 0);
  ::close(fd);
}

// A container of a few records whose trailer claims indexLength instead.
std::vector<uint8_t> ContainerClaimingIndex(uint32_t indexLength) {
  std::vector<uint8_t> bytes = test::MakeSmallBackup(7, 3).ContainerBytes();
  WriteU32LE(bytes.data() + bytes.size() - kTrailerSize, indexLength);
  return bytes;
}

class ClaimedIndex : public ::testing::Test {
 protected:
  test::RecordingHost host;
  CPlaybackController controller{host};
  TempDir dir;

  void ExpectFileError(const std::string& path, bool oldFormat) {
    const uint64_t peakBefore = PeakResidentBytes();
    const size_t messagesBefore = host.Messages().size();
    EXPECT_FALSE(controller.OpenBackup(path, oldFormat)) << path;
    ASSERT_EQ(host.Messages().size(), messagesBefore + 1);
    EXPECT_EQ(host.Messages().back(), kFileError);
    EXPECT_EQ(controller.Count(), 0u);
    // Nothing near the claimed size was allocated.
    EXPECT_LT(PeakResidentBytes(), peakBefore + 256 * (1ull << 20));
  }
};

TEST_F(ClaimedIndex, MillionsOfRecordsInASmallContainerAreAFileError) {
  for (uint32_t records : {5'000'000u, 170'000'000u}) {
    const std::string path = dir.File("claims-" + std::to_string(records) + ".zrv");
    test::WriteFileBytes(path, ContainerClaimingIndex((records + 1) * INDEX_RECORD::kSize));
    ExpectFileError(path, false);
  }
  // The largest 32-bit length.
  test::WriteFileBytes(dir.File("max.zrv"), ContainerClaimingIndex(UINT32_MAX));
  ExpectFileError(dir.File("max.zrv"), false);
}

TEST_F(ClaimedIndex, AClaimOneBytePastTheRoomBeforeTheTailIsAFileErrorAndOneThatFitsOpens) {
  const std::vector<uint8_t> good = test::MakeSmallBackup(7, 3).ContainerBytes();
  const uint32_t fits = ReadU32LE(good.data() + good.size() - kTrailerSize);
  // Index, frames, camera information: the index may grow over the frames but
  // not into the tail.
  const uint32_t room = static_cast<uint32_t>(good.size() - kContainerTailOffset);
  std::vector<uint8_t> over = good;
  WriteU32LE(over.data() + over.size() - kTrailerSize, room + 1);
  test::WriteFileBytes(dir.File("over.zrv"), over);
  ExpectFileError(dir.File("over.zrv"), false);

  std::vector<uint8_t> whole = good;
  WriteU32LE(whole.data() + whole.size() - kTrailerSize, room);
  test::WriteFileBytes(dir.File("whole.zrv"), whole);
  EXPECT_TRUE(controller.OpenBackup(dir.File("whole.zrv"), false));
  EXPECT_EQ(controller.Count(), room / INDEX_RECORD::kSize - 1);
  EXPECT_GT(controller.Count(), fits / INDEX_RECORD::kSize - 1);
}

TEST_F(ClaimedIndex, SelfContainedBackupClaimingMillionsOfRecordsIsAFileError) {
  const std::string path = dir.File("viewer.exe");
  const std::vector<uint8_t> backup = ContainerClaimingIndex(5'000'001u * INDEX_RECORD::kSize);
  WriteSparse(path, kProgramFileLength, backup, kProgramFileLength + backup.size());
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  ASSERT_GT(static_cast<uint64_t>(st.st_size), kProgramFileLength);
  controller.SetSelfContained(true);
  ExpectFileError(path, false);
}

TEST_F(ClaimedIndex, IndexFileOfGigabytesBeyondThirtyTwoBitsIsAFileError) {
  // An old pair's index is the whole ".idx" file: 5 GB would be 223 million
  // records, more than a 32-bit index length can name.
  const std::string idx = dir.File("huge.idx");
  WriteSparse(idx, 0, std::vector<uint8_t>(48, 1), 5 * kGigabyte);
  test::WriteFileBytes(dir.File("huge.sav"), test::MakeSmallBackup(7, 3).DataFileBytes());
  ExpectFileError(idx, true);
}

TEST(ClaimedIndexReader, ContainerOfGigabytesWithATrailerClaimBeyondItIsRefusedWithoutReading) {
  // A sparse container of 3 GB whose trailer claims a 4 GB index: more than
  // the file holds before its tail, so nothing is read or allocated.
  TempDir dir;
  const std::string path = dir.File("sparse.zrv");
  const std::vector<uint8_t> tail = ContainerClaimingIndex(UINT32_MAX);
  const std::vector<uint8_t> trailer(tail.end() - kTrailerSize, tail.end());
  const uint64_t length = 3 * kGigabyte;
  WriteSparse(path, length - kTrailerSize, trailer, length);
  const uint64_t peakBefore = PeakResidentBytes();
  const IndexReadOutcome outcome = ReadBackupIndex(path, false, 0);
  EXPECT_EQ(outcome.result, IndexReadResult::kFileError);
  EXPECT_EQ(outcome.index.size(), 0u);
  EXPECT_LT(PeakResidentBytes(), peakBefore + 256 * (1ull << 20));
}

// The hall's files beside a backup and in the program's directory, each of
// gigabytes: the day files are read up to their record bound, the INI files
// up to theirs, and every lookup still answers from what was read.
TEST(HugeEventFiles, DayAndIniFilesOfGigabytesAreReadOnlyUpToTheirBounds) {
  TempDir dir;
  const std::string events = dir.path() + "/";
  auto text = [](const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); };

  R40MaxEventRecord first;
  first.kind = kR40MaxComplete;
  first.machineClass = kR40MaxClassCounter;
  first.counterType = 2;
  first.machineNumber = 17;
  first.ticketCount = 250;
  first.start = EventTime(2026, 3, 14, 12, 0, 0);
  first.end = EventTime(2026, 3, 14, 12, 59, 59);
  first.detail = first.start;
  R40MaxEventRecord pastBound = first;
  pastBound.camera = 1;
  pastBound.start = EventTime(2026, 3, 14, 13, 0, 0);
  pastBound.end = EventTime(2026, 3, 14, 13, 59, 59);
  std::vector<uint8_t> bytes(R40MaxEventRecord::kSize);
  const std::string r40Max = R40MaxEventFileName(events, 2026, 3, 14);
  first.ToBytes(bytes.data());
  WriteSparse(r40Max, 0, bytes, bytes.size());
  pastBound.ToBytes(bytes.data());
  WriteSparse(r40Max, kMaxDayFileRecords * R40MaxEventRecord::kSize, bytes, 4 * kGigabyte);
  WriteSparse(MachineEventFileName(events, 2026, 3, 14), 0, {}, 3 * kGigabyte);

  // The INI files start as real ones and run on as gigabytes of holes.
  WriteSparse(events + kEventIniName, 0, text("[ExternalEvent]\r\nMaker=SANKYO\r\n"), 3 * kGigabyte);
  WriteSparse(events + kEventCodeIniName, 0, text("[R40Max/p]\r\nMachineTypeStr=Prize counter\r\n"),
              3 * kGigabyte);

  const uint64_t peakBefore = PeakResidentBytes();
  CEventState state;
  state.SetProgramDirectory(dir.path());
  state.LoadEventConfiguration(events);
  // The machine file holds only zero records (camera 0 at midnight): none
  // covers noon, so the R40Max file answers.
  const HallEvent noon = state.LookUp(EventTime(2026, 3, 14, 12, 30, 0), 0);
  EXPECT_EQ(noon.kind, kR40MaxEvent);
  EXPECT_NE(noon.text.find("Prize counter"), std::string::npos) << noon.text;
  EXPECT_NE(noon.text.find("17"), std::string::npos) << noon.text;
  // The record past the bound is never read.
  EXPECT_EQ(state.LookUp(EventTime(2026, 3, 14, 13, 30, 0), 1).kind, kNoEvent);
  EXPECT_LT(PeakResidentBytes(), peakBefore + 512 * (1ull << 20));
}

}  // namespace
}  // namespace bv
