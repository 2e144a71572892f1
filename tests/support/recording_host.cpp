#include "tests/support/recording_host.h"

namespace bv::test {

void RecordingHost::SetEditText(int id, const std::string& text) {
  {
    std::lock_guard lock(historyMutex_);
    history_.emplace_back(id, text);
  }
  CHeadlessHost::SetEditText(id, text);
}

std::vector<std::pair<int, std::string>> RecordingHost::EditHistory() const {
  std::lock_guard lock(historyMutex_);
  return history_;
}

}  // namespace bv::test
