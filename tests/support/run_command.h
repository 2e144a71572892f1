#pragma once
// Runs a program with arguments and collects its exit code, stdout and stderr.
#include <string>
#include <vector>

namespace bv::test {

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

CommandResult RunCommand(const std::string& program, const std::vector<std::string>& args);

}  // namespace bv::test
