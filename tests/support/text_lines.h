#pragma once
// The lines of a command's output, and the fields of its flat JSON lines.
#include <sstream>
#include <string>
#include <vector>

namespace bv::test {

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The value of "key" in a flat JSON line (a string's quotes removed); empty
// when the key is absent.
inline std::string Field(const std::string& json, const std::string& key) {
  const std::string marker = "\"" + key + "\":";
  const size_t at = json.find(marker);
  if (at == std::string::npos) return std::string();
  size_t begin = at + marker.size();
  size_t end = json.find_first_of(",}", begin);
  if (json[begin] == '"') {
    ++begin;
    end = json.find('"', begin);
  }
  return json.substr(begin, end - begin);
}

}  // namespace bv::test
