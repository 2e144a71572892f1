#pragma once
// The rate at which a backup's video records were recorded, from their
// timestamps: what one step of play per record amounts to in real time.
#include <optional>

#include "base/format/backup_index.h"

namespace bv {

// Video records per second from the first video record to the last; none
// when there are fewer than two or their times do not increase.
std::optional<double> RecordedFrameRate(const IndexArray& index);

}  // namespace bv
