// zrvtool export PATH -o OUT.mkv [--from A] [--to B] [--progress]: records
// A..B as a Matroska file that common players play (see
// video_export/video_export.h). A progress line on stderr once an export has
// run for a second, or from the start with --progress.
#include <cstdio>

#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_writer.h"
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
  JsonObject out;
  out.Add("output", request.outputPath).Add("first", result.first).Add("last", result.last);
  out.Add("video_frames", result.videoFrames).Add("video_codec", result.videoCodec);
  out.Add("video_copied", result.videoCopied).Add("sound_chunks", result.soundChunks);
  if (result.sound) {
    JsonObject sound;
    sound.Add("samples_per_second", result.sound->samplesPerSecond);
    sound.Add("bits_per_sample", int{result.sound->bitsPerSample}).Add("channels", int{result.sound->channels});
    out.Add("sound", sound);
  }
  out.Add("duration_ms", result.durationMs).Add("recorded_from", result.recordedFrom);
  out.Add("recorded_to", result.recordedTo);
  std::printf("%s\n", out.str().c_str());
  return kExitOk;
}

}  // namespace bv::tool
