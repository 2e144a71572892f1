// Day files are read once while unchanged, and every change, addition or
// removal shows on the next frame; truncated, garbage and huge files are read
// safely within bounds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "events/bounded_file_read.h"
#include "events/event_file_writer.h"
#include "events/event_state.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using test::TempDir;

SYSTEMTIME At(int hour, int minute, int second) { return EventTime(2026, 3, 14, hour, minute, second); }

MachineEventRecord Machine(uint8_t camera, int32_t number, int hour) {
  MachineEventRecord r;
  r.camera = camera;
  r.machineNumber = number;
  r.start = At(hour, 0, 0);
  r.end = At(hour, 59, 59);
  return r;
}

// Sets a file's modification time, keeping it apart from any write time.
void SetModified(const std::string& path, time_t seconds) {
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Overwrites a file in place (same inode).
void OverwriteInPlace(const std::string& path, const std::vector<uint8_t>& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

class DayFileCache : public ::testing::Test {
 protected:
  void SetUp() override {
    state.SetProgramDirectory(dir.path());
    state.LoadEventConfiguration(dir.path() + "/");
    path = MachineEventFileName(dir.path() + "/", 2026, 3, 14);
  }
  int32_t NumberAt(int hour, uint8_t camera = 0) {
    const HallEvent event = state.LookUp(At(hour, 30, 0), camera);
    return event.kind == kMachineEvent ? event.machineNumber : -1;
  }

  TempDir dir;
  CEventState state;
  std::string path;
};

TEST_F(DayFileCache, UnchangedFileIsReadOnceAcrossFrames) {
  state.SetSettleInterval(0);
  const std::vector<MachineEventRecord> records = {Machine(0, 10, 10), Machine(0, 11, 11), Machine(1, 12, 10)};
  ASSERT_TRUE(WriteMachineEventFile(path, records));
  for (int frame = 0; frame < 20; ++frame) {
    EXPECT_EQ(NumberAt(10), 10);
    EXPECT_EQ(NumberAt(11), 11);
    EXPECT_EQ(NumberAt(10, 1), 12);
    EXPECT_EQ(NumberAt(12), -1);
  }
  EXPECT_EQ(state.DayFileReads(), 1u);
}

TEST_F(DayFileCache, InPlaceChangeOfTheSameSizeShowsOnTheNextFrame) {
  state.SetSettleInterval(0);
  ASSERT_TRUE(WriteMachineEventFile(path, std::vector{Machine(0, 10, 10)}));
  SetModified(path, 1700000000);
  EXPECT_EQ(NumberAt(10), 10);
  EXPECT_EQ(NumberAt(10), 10);
  OverwriteInPlace(path, MachineEventFileBytes(std::vector{Machine(0, 99, 10)}));
  SetModified(path, 1700000001);
  EXPECT_EQ(NumberAt(10), 99);
  EXPECT_EQ(state.DayFileReads(), 2u);
}

TEST_F(DayFileCache, ReplacementAdditionAndRemovalShowOnTheNextFrame) {
  state.SetSettleInterval(0);
  EXPECT_EQ(NumberAt(10), -1);  // not there yet
  ASSERT_TRUE(WriteMachineEventFile(path, std::vector{Machine(0, 10, 10)}));
  EXPECT_EQ(NumberAt(10), 10);
  // Replaced by a renamed file of the same size and times.
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  ASSERT_TRUE(WriteMachineEventFile(path, std::vector{Machine(0, 20, 10)}));
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  EXPECT_EQ(NumberAt(10), 20);
  // Grown by a record.
  ASSERT_TRUE(WriteMachineEventFile(path, std::vector{Machine(0, 20, 10), Machine(0, 21, 11)}));
  EXPECT_EQ(NumberAt(11), 21);
  ASSERT_EQ(std::remove(path.c_str()), 0);
  EXPECT_EQ(NumberAt(10), -1);
  ASSERT_TRUE(WriteMachineEventFile(path, std::vector{Machine(0, 30, 10)}));
  EXPECT_EQ(NumberAt(10), 30);
}

TEST_F(DayFileCache, FreshlyModifiedFileIsReadAgainUntilItSettles) {
  // With the default settle interval a file written just now may be written
  // again within the same timestamp granule: it is read for every frame.
  ASSERT_TRUE(WriteMachineEventFile(path, std::vector{Machine(0, 10, 10)}));
  struct stat written {};
  ASSERT_EQ(::stat(path.c_str(), &written), 0);
  EXPECT_EQ(NumberAt(10), 10);
  EXPECT_EQ(NumberAt(10), 10);
  // Unchanged, but too fresh to trust: read for each frame.
  EXPECT_EQ(state.DayFileReads(), 2u);
  // Same size, same modification time, same inode: only the content differs.
  OverwriteInPlace(path, MachineEventFileBytes(std::vector{Machine(0, 77, 10)}));
  const timespec times[2] = {written.st_atim, written.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  EXPECT_EQ(NumberAt(10), 77);
  EXPECT_EQ(state.DayFileReads(), 3u);
}

TEST_F(DayFileCache, TrailingPartialRecordIsIgnored) {
  std::vector<uint8_t> bytes = MachineEventFileBytes(std::vector{Machine(0, 10, 10), Machine(0, 11, 11),
                                                                  Machine(0, 12, 12)});
  bytes.resize(2 * MachineEventRecord::kSize + 49);
  test::WriteFileBytes(path, bytes);
  EXPECT_EQ(NumberAt(11), 11);
  EXPECT_EQ(NumberAt(12), -1);
  bytes.resize(7);
  test::WriteFileBytes(path, bytes);
  EXPECT_EQ(NumberAt(10), -1);
}

TEST_F(DayFileCache, DirectoryInPlaceOfADayFileCannotBeOpened) {
  state.SetSettleInterval(0);
  ASSERT_TRUE(WriteMachineEventFile(path, std::vector{Machine(0, 10, 10)}));
  EXPECT_EQ(NumberAt(10), 10);
  ASSERT_EQ(std::remove(path.c_str()), 0);
  ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
  EXPECT_EQ(state.FindMachineEvent(At(10, 0, 0), 0), 0);
  EXPECT_EQ(state.MachineNumber(), 10);  // cannot be opened: nothing changes
}

TEST_F(DayFileCache, GarbageFilesMatchOnlyWhatTheirBytesSay) {
  std::mt19937 random(99);
  for (int round = 0; round < 20; ++round) {
    std::vector<uint8_t> machine(random() % 3000);
    std::vector<uint8_t> r40max(random() % 3000);
    for (uint8_t& b : machine) b = static_cast<uint8_t>(random() % 4 == 0 ? random() : random() % 3);
    for (uint8_t& b : r40max) b = static_cast<uint8_t>(random() % 4 == 0 ? random() : random() % 3);
    test::WriteFileBytes(path, machine);
    test::WriteFileBytes(R40MaxEventFileName(dir.path() + "/", 2026, 3, 14), r40max);
    for (int query = 0; query < 20; ++query) {
      const SYSTEMTIME t = At(static_cast<int>(random() % 3), static_cast<int>(random() % 3),
                              static_cast<int>(random() % 3));
      const uint8_t camera = static_cast<uint8_t>(random() % 3);
      const HallEvent event = state.LookUp(t, camera);
      // Whatever was found must be a record of the camera whose bytes cover t.
      if (event.kind == kMachineEvent) {
        bool covered = false;
        for (size_t at = 0; at + MachineEventRecord::kSize <= machine.size(); at += MachineEventRecord::kSize) {
          const MachineEventRecord r = MachineEventRecord::FromBytes(machine.data() + at);
          covered = covered || (r.camera == camera && r.machineNumber == event.machineNumber &&
                                SecondOfDay(r.start) <= SecondOfDay(t) && SecondOfDay(t) <= SecondOfDay(r.end));
        }
        EXPECT_TRUE(covered);
      } else {
        EXPECT_TRUE(event.kind == kR40MaxEvent || event.kind == kNoEvent);
      }
    }
  }
}

TEST_F(DayFileCache, HugeFileIsReadOnlyUpToTheRecordLimit) {
  // A sparse file of 3 GB: zero records everywhere but three.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  auto put = [fd](uint64_t index, const MachineEventRecord& r) {
    uint8_t bytes[MachineEventRecord::kSize];
    r.ToBytes(bytes);
    ASSERT_EQ(::pwrite(fd, bytes, sizeof bytes, static_cast<off_t>(index * sizeof bytes)),
              static_cast<ssize_t>(sizeof bytes));
  };
  put(0, Machine(9, 1, 12));
  put(kMaxDayFileRecords - 1, Machine(6, 2, 12));
  put(kMaxDayFileRecords, Machine(5, 3, 12));
  ASSERT_EQ(::ftruncate(fd, 3ll << 30), 0);
  ::close(fd);

  EXPECT_EQ(NumberAt(12, 9), 1);
  EXPECT_EQ(NumberAt(12, 6), 2);
  EXPECT_EQ(NumberAt(12, 5), -1);  // past the limit
  // The zero records between them: camera 0, machine 0, at midnight.
  EXPECT_EQ(state.LookUp(At(0, 0, 0), 0).machineNumber, 0);
}

TEST(BoundedFileRead, FileThatShrinksWhileReadEndsTheReadEarly) {
  TempDir dir;
  const std::string path = dir.File("shrinking");
  test::WriteFileBytes(path, std::vector<uint8_t>(1000000, 0xAB));
  size_t units = 0;
  int pieces = 0;
  const BoundedReadOutcome outcome = ReadWholeUnits(path, 50, UINT64_MAX, [&](const uint8_t* data, size_t count) {
    EXPECT_EQ(data[0], 0xAB);
    units += count;
    if (++pieces == 1) {
      ASSERT_EQ(::truncate(path.c_str(), 100), 0);
    }
  });
  EXPECT_TRUE(outcome.opened);
  EXPECT_FALSE(outcome.complete);
  EXPECT_LT(units, 1000000u / 50);
}

TEST(BoundedFileRead, FileThatGrowsWhileReadIsReadToItsLengthAtOpening) {
  TempDir dir;
  const std::string path = dir.File("growing");
  test::WriteFileBytes(path, std::vector<uint8_t>(200000, 1));
  size_t units = 0;
  const BoundedReadOutcome outcome = ReadWholeUnits(path, 89, UINT64_MAX, [&](const uint8_t*, size_t count) {
    units += count;
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    const std::vector<uint8_t> more(100000, 2);
    ASSERT_EQ(::write(fd, more.data(), more.size()), static_cast<ssize_t>(more.size()));
    ::close(fd);
  });
  EXPECT_TRUE(outcome.opened);
  EXPECT_FALSE(outcome.complete);
  EXPECT_EQ(units, 200000u / 89);
}

TEST(BoundedFileRead, UnitLimitAndMissingFiles) {
  TempDir dir;
  test::WriteFileBytes(dir.File("f"), std::vector<uint8_t>(1000, 0));
  size_t units = 0;
  auto count = [&units](const uint8_t*, size_t n) { units += n; };
  const BoundedReadOutcome limited = ReadWholeUnits(dir.File("f"), 10, 42, count);
  EXPECT_TRUE(limited.complete);
  EXPECT_EQ(units, 42u);
  EXPECT_FALSE(ReadWholeUnits(dir.File("none"), 10, 42, count).opened);
  EXPECT_FALSE(ReadWholeUnits(dir.path(), 10, 42, count).opened);
}

TEST(FileIdentity, ReadIsSettledOnlyWellAfterTheLastModification) {
  FileIdentity identity;
  identity.modifiedNs = 10'000'000'000;
  identity.changedNs = 11'000'000'000;
  EXPECT_FALSE(IsSettled(identity, 12'000'000'000, kTimestampGranuleNs));
  EXPECT_FALSE(IsSettled(identity, 13'000'000'000, kTimestampGranuleNs));
  EXPECT_TRUE(IsSettled(identity, 13'000'000'001, kTimestampGranuleNs));
  EXPECT_FALSE(IsSettled(identity, 5'000'000'000, kTimestampGranuleNs));  // times in the future
}

}  // namespace
}  // namespace bv
