// zrvtool: the command-line face of the viewer's core. Machine-readable JSON
// on stdout, messages on stderr.
#include <cstdio>
#include <cstring>
#include <string>

#include "playback/platform/legacy_text.h"
#include "tools/zrvtool/commands.h"

namespace {

struct Command {
  const char* name;
  int (*run)(const bv::tool::Args&);
  const char* usage;
};

const Command kCommands[] = {
    {"info", bv::tool::RunInfo, "info PATH"},
    {"records", bv::tool::RunRecords, "records PATH [--hash] [--camera N]"},
    {"make-sample", bv::tool::RunMakeSample, "make-sample DIR [--key-interval N] [--frames N] [--size WxH]"},
    {"frame", bv::tool::RunFrame, "frame PATH INDEX -o OUT.bmp|OUT.png|OUT.ppm"},
    {"still", bv::tool::RunStill, "still PATH.bmp|PATH.jpg -o OUT.png|OUT.bmp|OUT.ppm"},
    {"snapshot", bv::tool::RunSnapshot, "snapshot PATH INDEX -o OUT.bmp|OUT.jpg [--no-cam] [--no-date] [--no-size]"},
    {"print", bv::tool::RunPrint, "print PATH INDEX -o OUT.pdf [--dpi N]"},
    {"bench", bv::tool::RunBench, "bench PATH [--raw | --forward | --backward | --steps | --drag] [--no-cache] [--warm]"},
    {"cut", bv::tool::RunCut, "cut PATH [--from A] [--to B] -o OUT.zrv"},
    {"hash", bv::tool::RunHash, "hash PATH"},
    {"events", bv::tool::RunEvents, "events PATH INDEX [--labels-dir DIR]"},
    {"audio", bv::tool::RunAudio, "audio PATH -o OUT.wav [--from A] [--to B] [--real-time]"},
    {"export", bv::tool::RunExport, "export PATH -o OUT.mkv [--from A] [--to B] [--progress]"},
    {"present", bv::tool::RunPresent,
     "present PATH -o OUT.mp4 [--from A] [--to B] [--no-cam] [--no-date] [--no-size] [--no-event] [--progress]"},
    {"report", bv::tool::RunReport,
     "report PATH -o OUT.pdf [--from A] [--to B] [--stills I,J,...] [--case TEXT] [--progress]"},
    {"thumbnail", bv::tool::RunThumbnail, "thumbnail PATH OUT.png [--size N]"},
    {"seek", bv::tool::RunSeek, "seek PATH YYYY-MM-DDTHH:MM:SS[.mmm] [--camera N]"},
    {"event-list", bv::tool::RunEventList, "event-list PATH [--labels-dir DIR]"},
    {"wrap", bv::tool::RunWrap,
     "wrap OUT.zrv --size WxH [--fps N] (--mpeg4 STREAM.m4v | --mjpg RAW | --wavelet RAW) [--key-interval N] "
     "[--quality Q]"},
};

int Usage() {
  std::fprintf(stderr, "usage: zrvtool [--codepage NAME] COMMAND ...\n");
  for (const Command& command : kCommands) std::fprintf(stderr, "  zrvtool %s\n", command.usage);
  return bv::tool::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  // zrvtool [--codepage NAME] COMMAND ...: the code page of the backup's
  // texts that are not UTF-8 (CP932 unless named here or in the environment).
  if (argc >= 3 && std::strcmp(argv[1], "--codepage") == 0) {
    if (!bv::SetLegacyCodePage(argv[2])) {
      std::fprintf(stderr, "unknown code page: %s\n", argv[2]);
      return bv::tool::kExitUsage;
    }
    argv += 2;
    argc -= 2;
  }
  if (argc < 2) return Usage();
  for (const Command& command : kCommands) {
    if (std::strcmp(argv[1], command.name) != 0) continue;
    const bv::tool::Args args(argv + 2, argv + argc);
    const int code = command.run(args);
    if (code == bv::tool::kExitUsage) std::fprintf(stderr, "usage: zrvtool %s\n", command.usage);
    return code;
  }
  return Usage();
}
