#pragma once
// What tells one state of a file from another without reading it: device,
// inode, size, and the modification and change times to the nanosecond.
// A file replaced by rename gets a new inode; a file written in place gets
// new times, except when the write lands in the same timestamp granule as
// the one before (a clock tick on most filesystems, seconds on some). A
// content read shortly after its file was modified is therefore not trusted
// to stay current (IsSettled).
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace bv {

struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t size = 0;
  int64_t modifiedNs = 0;
  int64_t changedNs = 0;

  bool operator==(const FileIdentity&) const = default;
};

// The identity of the regular file at path; false when there is none (no
// file, or a directory, device or other kind of file).
bool StatFileIdentity(const std::string& path, FileIdentity* identity);
// The same for an open file descriptor.
bool StatFileIdentity(int fd, FileIdentity* identity);

// Nanoseconds of the wall clock, the clock file times come from.
int64_t WallClockNs();

// The longest timestamp granule of a common filesystem (2 s), past which a
// later write always shows in the times.
constexpr int64_t kTimestampGranuleNs = 2'000'000'000;

// Whether a content read at readStartNs can be trusted for as long as the
// file keeps this identity: the read began more than settleNs after the file
// was last modified or changed.
inline bool IsSettled(const FileIdentity& identity, int64_t readStartNs, int64_t settleNs) {
  const int64_t lastTouched = identity.modifiedNs > identity.changedNs ? identity.modifiedNs : identity.changedNs;
  return readStartNs - lastTouched > settleNs;
}

}  // namespace bv
