#pragma once
// The event code table: the texts of the event codes of one host maker, in
// the order of the lines of its code section. 100 entries of 50 bytes (49
// characters and a terminating zero); the number of entries filled by the
// last load is kept with it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bv {

class CEventCodeTable {
 public:
  static constexpr int kEntries = 100;
  static constexpr size_t kEntryBytes = 50;

  // Fills the entries in line order with the text after each line's first
  // "=" (the key is not used: a line's position is its code); a line
  // without "=" gives an empty text. Lines beyond the 100th are left out and
  // texts are cut to 49 characters; entries past the lines keep what they
  // held, but they are not counted.
  void Load(const std::vector<std::string>& lines);

  int Count() const { return count_; }
  // The text of an event code; empty for a code outside the entries that
  // the last load filled (negative, 100 and above, or at Count() and above).
  std::string Text(int32_t code) const;

 private:
  char entries_[kEntries][kEntryBytes] = {};
  int count_ = 0;
};

}  // namespace bv
