#pragma once
// The lines of a command's output.
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

}  // namespace bv::test
