#include "tools/zrvtool/json_output.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace bv::tool {

Json Rounded(double value) {
  if (!std::isfinite(value)) return nullptr;
  // Six digits are what a timing or a rate means; more would be noise.
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  const double rounded = std::strtod(text, nullptr);
  if (rounded == std::trunc(rounded) && std::fabs(rounded) < 9e18) return static_cast<int64_t>(rounded);
  return rounded;
}

std::string JsonText(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

void PrintJsonLine(const Json& json) {
  std::string line = JsonText(json);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
}

}  // namespace bv::tool
