#include "tools/zrvtool/options.h"

#include "playback/format/backup_constants.h"

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

bool ParsedOptions::Number(const std::string& name, uint32_t* out) const { return ParseNumber(Value(name), out); }

bool ParseOptions(const std::vector<std::string>& args, const std::set<std::string>& withValue,
                  const std::set<std::string>& flags, ParsedOptions* out) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (withValue.count(a)) {
      if (i + 1 >= args.size()) return false;
      out->values[a] = args[++i];
    } else if (flags.count(a)) {
      out->flags.insert(a);
    } else if (a.size() > 1 && a[0] == '-') {
      return false;
    } else {
      out->positional.push_back(a);
    }
  }
  return true;
}

}  // namespace bv::tool
