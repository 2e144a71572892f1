#include "events/event_code_table.h"

#include <algorithm>
#include <cstring>

namespace bv {

void CEventCodeTable::Load(const std::vector<std::string>& lines) {
  const size_t taken = std::min<size_t>(lines.size(), kEntries);
  for (size_t i = 0; i < taken; ++i) {
    const std::string& line = lines[i];
    const size_t equals = line.find('=');
    const size_t begin = equals == std::string::npos ? line.size() : equals + 1;
    const size_t length = std::min(line.size() - begin, kEntryBytes - 1);
    std::memcpy(entries_[i], line.data() + begin, length);
    entries_[i][length] = '\0';
  }
  count_ = static_cast<int>(taken);
}

std::string CEventCodeTable::Text(int32_t code) const {
  if (code < 0 || code >= count_) return std::string();
  // Up to the terminating zero, as the entry was copied.
  return std::string(entries_[code], strnlen(entries_[code], kEntryBytes));
}

}  // namespace bv
