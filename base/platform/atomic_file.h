#pragma once
// A file written through a stdio stream that replaces its target only when
// complete: the bytes go to a temporary file beside the target, renamed over
// it by Commit. Until then (and when Commit fails or is never called) the
// target keeps what it held, and the temporary file is removed.
#include <cstdio>
#include <string>

#include "base/platform/partial_output_file.h"

namespace bv {

class CAtomicFile {
 public:
  CAtomicFile() = default;
  ~CAtomicFile() { Discard(); }
  CAtomicFile(const CAtomicFile&) = delete;
  CAtomicFile& operator=(const CAtomicFile&) = delete;

  // Creates the temporary file in the target's folder; false when it cannot
  // be created there.
  bool Open(const std::string& target);
  FILE* Stream() const { return stream_; }
  // Flushes and closes the stream, then renames the temporary file over the
  // target. False when any write, the close or the rename failed; the
  // target is then untouched.
  bool Commit();
  // Closes and removes the temporary file.
  void Discard();

 private:
  FILE* stream_ = nullptr;
  CPartialOutputFile partial_;
};

}  // namespace bv
