#include "base/platform/atomic_file.h"

namespace bv {

bool CAtomicFile::Open(const std::string& target) {
  Discard();
  if (!partial_.Create(target)) return false;
  stream_ = std::fopen(partial_.Path().c_str(), "wb");
  if (!stream_) {
    partial_.Discard();
    return false;
  }
  return true;
}

bool CAtomicFile::Commit() {
  if (!stream_) return false;
  bool ok = std::ferror(stream_) == 0;
  ok = std::fclose(stream_) == 0 && ok;
  stream_ = nullptr;
  ok = ok && partial_.Commit();
  partial_.Discard();
  return ok;
}

void CAtomicFile::Discard() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  partial_.Discard();
}

}  // namespace bv
