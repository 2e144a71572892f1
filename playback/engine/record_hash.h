#pragma once
// SHA-256 fingerprints of a backup's records and files, so that two copies
// can be compared record by record and a report can say what it describes.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/platform/sha256.h"
#include "playback/engine/playback_engine.h"

namespace bv {

// The SHA-256 of a record's payload bytes (those its index entry counts);
// nothing when they cannot be read.
std::optional<std::array<uint8_t, 32>> RecordPayloadDigest(const CPlaybackEngine& engine, const INDEX_RECORD& record);
// The same as lower-case hex; empty when the bytes cannot be read.
std::string RecordPayloadHash(const CPlaybackEngine& engine, const INDEX_RECORD& record);

// Called with the bytes hashed so far; false stops the hashing.
using HashProgress = std::function<bool(uint64_t done)>;
// The SHA-256 of a whole file as lower-case hex; empty when it cannot be
// read to its end or the progress callback stopped it.
std::string FileSha256(const std::string& path, const HashProgress& progress = {});

}  // namespace bv
