// zrvtool make-sample DIR [--key-interval N] [--frames N] [--size WxH]:
// writes the demo backups. The options change the video demos: the key-frame
// interval of the Wavelet and MPEG-4 ones, and the frame count and picture
// size of all three.
#include <cstdio>

#include "tools/samples/sample_backups.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/options.h"

namespace bv::tool {

int RunMakeSample(const Args& args) {
  ParsedOptions options;
  if (!ParseOptions(args, {"--key-interval", "--frames", "--size"}, {}, &options) || options.positional.size() != 1) {
    return kExitUsage;
  }
  samples::DemoBackupOptions demo;
  uint32_t number = 0;
  if (options.Has("--key-interval")) {
    // A catch-up finds a key frame at most 99 records back.
    if (!options.Number("--key-interval", &number) || number < 1 || number > 100) return kExitUsage;
    demo.keyFrameInterval = static_cast<int>(number);
  }
  if (options.Has("--frames")) {
    if (!options.Number("--frames", &number) || number < 1 || number > 100000) return kExitUsage;
    demo.frames = static_cast<int>(number);
  }
  if (options.Has("--size") && !ParsePictureSize(options.Value("--size"), &demo.width, &demo.height)) return kExitUsage;

  std::string error;
  const std::vector<std::string> written = samples::WriteDemoBackups(options.positional[0], &error, demo);
  if (written.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return kExitRefused;
  }
  Json out;
  out["written"] = written;
  PrintJsonLine(out);
  return kExitOk;
}

}  // namespace bv::tool
