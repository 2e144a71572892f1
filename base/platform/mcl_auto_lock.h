#pragma once
// CMclAutoLock: holds a critical section for the life of a scope.
#include <mutex>

namespace bv {

class CMclAutoLock {
 public:
  explicit CMclAutoLock(std::mutex& section) : lock_(section) {}
  CMclAutoLock(const CMclAutoLock&) = delete;
  CMclAutoLock& operator=(const CMclAutoLock&) = delete;

 private:
  std::lock_guard<std::mutex> lock_;
};

}  // namespace bv
