#include "export/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace bv {

bool CAtomicFile::Open(const std::string& target) {
  Discard();
  std::string pattern = target + ".partial-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  // Readable like any file the user saves (mkstemp makes it private).
  ::fchmod(fd, 0644);
  stream_ = ::fdopen(fd, "wb");
  if (!stream_) {
    ::close(fd);
    ::unlink(name.data());
    return false;
  }
  target_ = target;
  temporary_ = name.data();
  return true;
}

bool CAtomicFile::Commit() {
  if (!stream_) return false;
  bool ok = std::ferror(stream_) == 0;
  ok = std::fclose(stream_) == 0 && ok;
  stream_ = nullptr;
  if (ok) ok = std::rename(temporary_.c_str(), target_.c_str()) == 0;
  if (!ok) ::unlink(temporary_.c_str());
  temporary_.clear();
  return ok;
}

void CAtomicFile::Discard() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

}  // namespace bv
