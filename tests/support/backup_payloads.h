#pragma once
// The records' payloads of a backup on disk, as the viewer reads them.
#include <cstdint>
#include <string>
#include <vector>

namespace bv::test {

std::vector<std::vector<uint8_t>> ReadPayloads(const std::string& path);

}  // namespace bv::test
