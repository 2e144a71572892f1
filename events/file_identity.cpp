#include "events/file_identity.h"

#include <sys/stat.h>

#include <ctime>

namespace bv {
namespace {

int64_t Nanoseconds(const timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

bool IdentityOf(const struct stat& st, FileIdentity* identity) {
  if (!S_ISREG(st.st_mode)) return false;
  identity->device = static_cast<uint64_t>(st.st_dev);
  identity->inode = static_cast<uint64_t>(st.st_ino);
  identity->size = static_cast<int64_t>(st.st_size);
  identity->modifiedNs = Nanoseconds(st.st_mtim);
  identity->changedNs = Nanoseconds(st.st_ctim);
  return true;
}

}  // namespace

bool StatFileIdentity(const std::string& path, FileIdentity* identity) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && IdentityOf(st, identity);
}

bool StatFileIdentity(int fd, FileIdentity* identity) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && IdentityOf(st, identity);
}

int64_t WallClockNs() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return Nanoseconds(now);
}

}  // namespace bv
