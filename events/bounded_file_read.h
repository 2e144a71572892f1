#pragma once
// Reading a file from its start in whole units (records of a fixed size, or
// single bytes), bounded: never more units than asked for and never past the
// length the file had when it was opened, so a huge file, or one that grows
// while it is read, costs bounded memory and time.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "events/file_identity.h"

namespace bv {

struct BoundedReadOutcome {
  bool opened = false;    // false: the file could not be opened (or is no regular file)
  bool complete = false;  // every unit up to the bound was read and the file kept its identity meanwhile
  FileIdentity identity;  // at opening
};

// Hands the whole units read to consume, in order, a few thousand at a time
// (data holds units x unitSize bytes). A read error or a file that shrank
// ends the reading after the last whole unit read.
BoundedReadOutcome ReadWholeUnits(const std::string& path, size_t unitSize, uint64_t maxUnits,
                                  const std::function<void(const uint8_t* data, size_t units)>& consume);

}  // namespace bv
