// zrvtool export PATH -o OUT.mkv [--from A] [--to B] [--progress]: records
// A..B as a Matroska file that common players play (see
// outputs/video_export.h). A progress line on stderr once an export has
// run for a second, or from the start with --progress.
#include <cstdio>

#include "outputs/video_export.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/option_values.h"
#include "tools/zrvtool/progress_line.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {

namespace {

struct ExportOptions {
  VideoExportRequest request;
  std::optional<uint32_t> from;
  std::optional<uint32_t> to;
  bool progress = false;
};

int RunExport(const ExportOptions& options) {
  VideoExportRequest request = options.request;
  if (request.outputPath.empty()) return kExitUsage;
  if (options.from) request.first = *options.from;
  if (options.to) request.last = *options.to;
  UseBuildTreeFoldersWhenUnset();
  const BackupForm form = BackupFormOfPath(request.backupPath);
  request.oldPair = form == BackupForm::kPair;
  request.selfContained = form == BackupForm::kSelfContained;

  VideoExportResult result;
  {
    CProgressLine progress("export", "packets", options.progress);
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

}  // namespace

Command AddExport(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "export", "export PATH -o OUT.mkv [--from A] [--to B] [--progress]",
                             "Records A..B as a Matroska file that common players play");
  auto options = std::make_shared<ExportOptions>();
  app->add_option("PATH", options->request.backupPath, "The backup")->required();
  app->add_option("-o", options->request.outputPath, "The Matroska file")->required()->type_name("OUT.mkv");
  AddOptional(*app, "--from", options->from, "The first record (0 unless given)")->type_name("A")->transform(WholeNumber());
  AddOptional(*app, "--to", options->to, "The last record (the backup's last unless given)")
      ->type_name("B")
      ->transform(WholeNumber());
  app->add_flag("--progress", options->progress, "A progress line on stderr from the start, not after a second");
  return {app, [options] { return RunExport(*options); }};
}

}  // namespace bv::tool
