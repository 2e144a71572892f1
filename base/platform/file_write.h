#pragma once
// Writing a whole file so that a reader never sees it half-written: the bytes
// go to a temporary file beside the target, which is renamed over the target
// once complete.
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

namespace bv {

bool WriteFileAtomically(const std::string& path, std::initializer_list<std::span<const uint8_t>> parts);

}  // namespace bv
