#pragma once
#include <string>

#include "playback/playback_engine.h"

namespace bv::tool {

// Lower-case hex SHA-256 of a record's payload bytes; empty when they
// cannot be read.
std::string RecordPayloadHash(const CPlaybackEngine& engine, const INDEX_RECORD& record);

}  // namespace bv::tool
