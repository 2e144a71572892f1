#pragma once
// What tells one version of a small settings file from the next without
// reading it: identity, size and change time. Caches of such files (the
// driver registration, the MJPEG driver's settings) re-read a file only when
// its stamp changes, so the per-frame paths neither read nor allocate.
#include <sys/stat.h>

#include <string>

namespace bv {

struct FileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  long modifiedSeconds = 0;
  long modifiedNanoseconds = 0;
  long changedSeconds = 0;
  long changedNanoseconds = 0;

  static FileStamp Of(const std::string& path) {
    struct stat info {};
    FileStamp stamp;
    if (::stat(path.c_str(), &info) != 0) return stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modifiedSeconds = info.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = info.st_mtim.tv_nsec;
    stamp.changedSeconds = info.st_ctim.tv_sec;
    stamp.changedNanoseconds = info.st_ctim.tv_nsec;
    return stamp;
  }
  bool operator==(const FileStamp&) const = default;
};

}  // namespace bv
