#pragma once
// Command-line options of the form "--name value" and "--flag", after and
// between positional arguments.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace bv::tool {

struct ParsedOptions {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;
  std::set<std::string> flags;

  bool Has(const std::string& name) const { return values.count(name) || flags.count(name); }
  std::string Value(const std::string& name) const {
    auto it = values.find(name);
    return it == values.end() ? std::string() : it->second;
  }
  // A whole non-negative decimal number that fits 32 bits.
  bool Number(const std::string& name, uint32_t* out) const;
};

// False on an unknown option or a missing value.
bool ParseOptions(const std::vector<std::string>& args, const std::set<std::string>& withValue,
                  const std::set<std::string>& flags, ParsedOptions* out);
// A whole non-negative decimal number that fits 32 bits.
bool ParseNumber(const std::string& text, uint32_t* out);
// A picture size "WxH", each within the picture buffers, the width and
// height even (YUY2 and the encoders work in pairs of pixels).
bool ParsePictureSize(const std::string& text, int* width, int* height);

}  // namespace bv::tool
