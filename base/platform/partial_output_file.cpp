#include "base/platform/partial_output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace bv {

bool CPartialOutputFile::Create(const std::string& target) {
  Discard();
  std::string pattern = target + ".partial-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  ::close(fd);
  target_ = target;
  path_ = name.data();
  return true;
}

bool CPartialOutputFile::Commit() {
  if (path_.empty()) return false;
  if (::chmod(path_.c_str(), 0644) != 0 || std::rename(path_.c_str(), target_.c_str()) != 0) return false;
  path_.clear();
  return true;
}

void CPartialOutputFile::Discard() {
  if (path_.empty()) return;
  ::unlink(path_.c_str());
  path_.clear();
}

bool IsSameFile(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace bv
