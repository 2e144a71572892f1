#include "bench/bench_footage.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace bv::bench {
namespace {

// Single quotes for sh, with any quote inside closed, escaped and reopened.
std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

const std::string& FootageDirectory() {
  static const std::string dir = [] {
    const char* chosen = std::getenv("BV_BENCH_FOOTAGE");
    const std::string path = chosen && *chosen ? chosen : BV_FOOTAGE_DIR;
    // The script does nothing when the set is complete; its summary goes to
    // stderr, out of the way of the benchmark's own output.
    const std::string command = "ZRVTOOL=" + ShellQuote(BV_FOOTAGE_ZRVTOOL) + " sh " + ShellQuote(BV_MAKE_FOOTAGE) +
                                " " + ShellQuote(path) + " 1>&2";
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "cannot make the benchmark footage in %s\n", path.c_str());
      std::abort();
    }
    return path;
  }();
  return dir;
}

}  // namespace

std::string FootageFile(const std::string& name) {
  const std::string path = FootageDirectory() + "/" + name;
  if (!std::filesystem::exists(path)) {
    std::fprintf(stderr, "the benchmark footage has no %s\n", path.c_str());
    std::abort();
  }
  return path;
}

}  // namespace bv::bench
