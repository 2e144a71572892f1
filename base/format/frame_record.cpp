#include "base/format/frame_record.h"

#include <cstring>

namespace bv {

uint32_t TitleFieldWidth(uint32_t version) {
  if (version < 3) return 0;
  return version == 7 ? 32 : 16;
}

uint32_t HeaderSkip(uint32_t version) {
  if (version >= 7) return 64;
  if (version >= 3) return 32;
  return 0;
}

std::string TitleFieldText(const uint8_t* field, uint32_t width) {
  const auto* text = reinterpret_cast<const char*>(field);
  return std::string(text, strnlen(text, width));
}

}  // namespace bv
