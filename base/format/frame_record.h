#pragma once
// Where a record's bytes lie in the data file, by backup version.
#include <cstdint>
#include <string>

#include "base/format/index_record.h"

namespace bv {

// Width of each of the two title fields (camera title, location) that precede
// a video payload: none below version 3, 32 bytes at version 7, else 16.
uint32_t TitleFieldWidth(uint32_t version);
// Bytes skipped to reach a payload directly (key-frame search, catch-up):
// 64 from version 7 on, 32 for versions 3..6, 0 below.
uint32_t HeaderSkip(uint32_t version);

// Decodes a title field: the text up to its first NUL, never past the field.
std::string TitleFieldText(const uint8_t* field, uint32_t width);

}  // namespace bv
