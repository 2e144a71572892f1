#include "tools/zrvtool/option_values.h"

#include "base/format/backup_constants.h"

namespace bv::tool {

bool ParseNumber(const std::string& text, uint32_t* out) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > UINT32_MAX) return false;
  *out = static_cast<uint32_t>(value);
  return true;
}

// "WxH", each of one to four digits.
bool ParsePictureSize(const std::string& text, int* width, int* height) {
  const size_t x = text.find('x');
  if (x == std::string::npos || x == 0 || x > 4 || text.size() - x - 1 > 4) return false;
  uint32_t w = 0;
  uint32_t h = 0;
  if (!ParseNumber(text.substr(0, x), &w) || !ParseNumber(text.substr(x + 1), &h)) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return *width >= 16 && *height >= 16 && *width <= kMaxPictureWidth && *height <= kMaxPictureHeight &&
         *width % 2 == 0 && *height % 2 == 0;
}

CLI::Validator WholeNumber(uint32_t low, uint32_t high) {
  const bool bounded = low > 0 || high < UINT32_MAX;
  const std::string range = std::to_string(low) + " to " + std::to_string(high);
  const std::string refusal = bounded ? "a whole number from " + range : "a whole number";
  return CLI::Validator(
      [low, high, refusal](std::string& text) {
        uint32_t value = 0;
        if (!ParseNumber(text, &value) || value < low || value > high) return refusal;
        text = std::to_string(value);
        return std::string();
      },
      bounded ? range : "", "whole number");
}

CLI::Validator PictureSize() {
  return CLI::Validator(
      [](const std::string& text) {
        int width = 0;
        int height = 0;
        if (ParsePictureSize(text, &width, &height)) return std::string();
        return "WxH, even, from 16x16 to " + std::to_string(kMaxPictureWidth) + "x" +
               std::to_string(kMaxPictureHeight);
      },
      "", "picture size");
}

}  // namespace bv::tool
