#pragma once
// A headless host that also keeps the order in which edit texts were set.
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "playback/engine/headless_host.h"

namespace bv::test {

class RecordingHost : public CHeadlessHost {
 public:
  RecordingHost() { SetMessageSink(nullptr); }
  void SetEditText(int id, const std::string& text) override;
  std::vector<std::pair<int, std::string>> EditHistory() const;

 private:
  mutable std::mutex historyMutex_;
  std::vector<std::pair<int, std::string>> history_;
};

}  // namespace bv::test
