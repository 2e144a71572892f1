// zrvtool export PATH -o OUT.mkv [--from A] [--to B] [--progress]: records
// A..B as a Matroska file that common players play (see
// video_export/video_export.h). A progress line on stderr once an export has
// run for a second, or from the start with --progress.
#include <cstdio>

#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/options.h"
#include "tools/zrvtool/progress_line.h"
#include "tools/zrvtool/tool_backup.h"
#include "video_export/video_export.h"

namespace bv::tool {

int RunExport(const Args& args) {
  ParsedOptions options;
  if (!ParseOptions(args, {"--from", "--to", "-o"}, {"--progress"}, &options) || options.positional.size() != 1 ||
      !options.Has("-o") || options.Value("-o").empty()) {
    return kExitUsage;
  }
  VideoExportRequest request;
  request.backupPath = options.positional[0];
  request.outputPath = options.Value("-o");
  uint32_t number = 0;
  if (options.Has("--from")) {
    if (!options.Number("--from", &number)) return kExitUsage;
    request.first = number;
  }
  if (options.Has("--to")) {
    if (!options.Number("--to", &number)) return kExitUsage;
    request.last = number;
  }
  UseBuildTreeFoldersWhenUnset();
  const BackupForm form = BackupFormOfPath(request.backupPath);
  request.oldPair = form == BackupForm::kPair;
  request.selfContained = form == BackupForm::kSelfContained;

  VideoExportResult result;
  {
    CProgressLine progress("export", "packets", options.Has("--progress"));
    result = ExportVideo(request, [&progress](uint32_t done, uint32_t total) { return progress.Report(done, total); });
  }
  if (!result.ok) {
    std::fprintf(stderr, "%s\n", result.error.c_str());
    return kExitRefused;
  }
  Json out;
  out["output"] = request.outputPath;
  out["first"] = result.first;
  out["last"] = result.last;
  out["video_frames"] = result.videoFrames;
  out["video_codec"] = result.videoCodec;
  out["video_copied"] = result.videoCopied;
  out["sound_chunks"] = result.soundChunks;
  if (result.sound) {
    Json sound;
    sound["samples_per_second"] = result.sound->samplesPerSecond;
    sound["bits_per_sample"] = int{result.sound->bitsPerSample};
    sound["channels"] = int{result.sound->channels};
    out["sound"] = std::move(sound);
  }
  out["duration_ms"] = result.durationMs;
  out["recorded_from"] = result.recordedFrom;
  out["recorded_to"] = result.recordedTo;
  PrintJsonLine(out);
  return kExitOk;
}

}  // namespace bv::tool
