#pragma once
// Contents read from files, kept while each file stays as it was, so that a
// file read for every frame is read once: every Get checks the file's
// identity (one stat) and reads it again only when the file was changed,
// replaced, added or removed since, or when the last read was too close to
// the file's last modification to be sure a later write would show (see
// IsSettled). The result equals a fresh read of the file at every Get.
//
// Not thread-safe: one thread uses a cache at a time.
#include <cstdint>
#include <functional>
#include <list>
#include <string>
#include <utility>

#include "events/bounded_file_read.h"
#include "events/file_identity.h"

namespace bv {

template <class T>
class CFileCache {
 public:
  // Reads the file at path into a fresh T.
  using Loader = std::function<BoundedReadOutcome(const std::string& path, T* content)>;
  static constexpr size_t kCapacity = 2;  // a day and the next, around midnight

  explicit CFileCache(Loader loader) : loader_(std::move(loader)) {}

  // The content of path as a read now gives it; null when the file cannot
  // be opened. Valid until the next Get or Clear.
  T* Get(const std::string& path) {
    auto entry = Find(path);
    FileIdentity now;
    if (!StatFileIdentity(path, &now)) {
      if (entry != entries_.end()) entries_.erase(entry);
      return nullptr;
    }
    if (entry != entries_.end() && entry->trusted && entry->identity == now) {
      entries_.splice(entries_.begin(), entries_, entry);
      return &entries_.front().content;
    }
    if (entry != entries_.end()) entries_.erase(entry);

    const int64_t readStart = WallClockNs();
    T content{};
    const BoundedReadOutcome outcome = loader_(path, &content);
    ++loads_;
    if (!outcome.opened) return nullptr;
    entries_.push_front(Entry{path, outcome.identity,
                              outcome.complete && IsSettled(outcome.identity, readStart, settleNs_),
                              std::move(content)});
    if (entries_.size() > kCapacity) entries_.pop_back();
    return &entries_.front().content;
  }

  void Clear() { entries_.clear(); }
  // How long after a file's last modification a read is trusted to stay
  // current for as long as the file keeps its identity.
  void SetSettleInterval(int64_t ns) { settleNs_ = ns; }
  // Files read so far.
  uint64_t LoadCount() const { return loads_; }

 private:
  struct Entry {
    std::string path;
    FileIdentity identity;
    bool trusted = false;
    T content;
  };

  typename std::list<Entry>::iterator Find(const std::string& path) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->path == path) return it;
    }
    return entries_.end();
  }

  Loader loader_;
  std::list<Entry> entries_;
  int64_t settleNs_ = kTimestampGranuleNs;
  uint64_t loads_ = 0;
};

}  // namespace bv
