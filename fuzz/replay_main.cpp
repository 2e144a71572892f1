// bv_fuzz_replay TARGET PATH...: runs a fuzz target's input handling over
// files (or every file of directories) in an ordinary build, so the kept
// reproducers of fuzz/regressions/ run as tests, under the sanitizer passes
// too. Each input is handed over in a buffer of exactly its length. Exits
// non-zero when a target is unknown or a path holds no input; a fault in
// the code under test ends the process as it would end the viewer.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#define BV_FUZZ_TARGETS(X) \
  X(open_backup)           \
  X(records)               \
  X(mjpg_driver)           \
  X(mpeg4_decoder)         \
  X(wavelet_decoder)       \
  X(audio)                 \
  X(event_config)          \
  X(event_days)            \
  X(stills)                \
  X(export_plan)

#define BV_DECLARE_TARGET(name)                            \
  extern "C" int bv_fuzz_##name##_init(int*, char***);     \
  extern "C" int bv_fuzz_##name##_input(const uint8_t*, size_t);
BV_FUZZ_TARGETS(BV_DECLARE_TARGET)

namespace {

struct Target {
  const char* name;
  int (*init)(int*, char***);
  int (*input)(const uint8_t*, size_t);
};

#define BV_TARGET_ENTRY(name) {#name, bv_fuzz_##name##_init, bv_fuzz_##name##_input},
constexpr Target kTargets[] = {BV_FUZZ_TARGETS(BV_TARGET_ENTRY)};

std::vector<std::string> InputFiles(const std::string& path) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  if (fs::is_directory(path)) {
    for (const auto& entry : fs::directory_iterator(path)) {
      if (entry.is_regular_file()) files.push_back(entry.path().string());
    }
  } else if (fs::is_regular_file(path)) {
    files.push_back(path);
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bv_fuzz_replay TARGET PATH...\n");
    return 2;
  }
  const Target* target = nullptr;
  for (const Target& candidate : kTargets) {
    if (std::strcmp(candidate.name, argv[1]) == 0) target = &candidate;
  }
  if (!target) {
    std::fprintf(stderr, "unknown fuzz target %s\n", argv[1]);
    return 2;
  }
  target->init(&argc, &argv);
  int replayed = 0;
  for (int i = 2; i < argc; ++i) {
    const std::vector<std::string> files = InputFiles(argv[i]);
    if (files.empty()) {
      std::fprintf(stderr, "no input in %s\n", argv[i]);
      return 1;
    }
    for (const std::string& file : files) {
      std::ifstream in(file, std::ios::binary);
      const std::vector<char> bytes(std::istreambuf_iterator<char>(in), {});
      auto exact = std::make_unique<uint8_t[]>(bytes.size());
      std::memcpy(exact.get(), bytes.data(), bytes.size());
      std::printf("%s: %s (%zu bytes)\n", target->name, file.c_str(), bytes.size());
      std::fflush(stdout);
      target->input(exact.get(), bytes.size());
      ++replayed;
    }
  }
  std::printf("%d inputs replayed without a fault\n", replayed);
  return 0;
}
