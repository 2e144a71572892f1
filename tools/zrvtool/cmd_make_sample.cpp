// zrvtool make-sample DIR [--key-interval N] [--frames N] [--size WxH]:
// writes the demo backups. The options change the video demos: the key-frame
// interval of the Wavelet and MPEG-4 ones, and the frame count and picture
// size of all three.
#include <cstdio>

#include "tools/samples/sample_backups.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/option_values.h"

namespace bv::tool {

namespace {

struct MakeSampleOptions {
  std::string directory;
  samples::DemoBackupOptions demo;
  std::string size;
};

int RunMakeSample(MakeSampleOptions options) {
  samples::DemoBackupOptions& demo = options.demo;
  if (!options.size.empty()) ParsePictureSize(options.size, &demo.width, &demo.height);
  std::string error;
  const std::vector<std::string> written = samples::WriteDemoBackups(options.directory, &error, demo);
  if (written.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return kExitRefused;
  }
  Json out;
  out["written"] = written;
  PrintJsonLine(out);
  return kExitOk;
}

}  // namespace

Command AddMakeSample(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "make-sample", "make-sample DIR [--key-interval N] [--frames N] [--size WxH]",
                             "Write the demo backups into DIR");
  auto options = std::make_shared<MakeSampleOptions>();
  app->add_option("DIR", options->directory, "Where the demo backups go")->required();
  // A catch-up finds a key frame at most 99 records back.
  app->add_option("--key-interval", options->demo.keyFrameInterval,
                  "Records from one key frame to the next (Wavelet and MPEG-4 demos)")
      ->type_name("N")
      ->transform(WholeNumber(1, 100));
  app->add_option("--frames", options->demo.frames, "Frames of each video demo")
      ->type_name("N")
      ->transform(WholeNumber(1, 100000));
  app->add_option("--size", options->size, "Picture size of the video demos")->type_name("WxH")->check(PictureSize());
  return {app, [options] { return RunMakeSample(*options); }};
}

}  // namespace bv::tool
