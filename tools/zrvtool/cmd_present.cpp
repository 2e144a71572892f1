// zrvtool present PATH -o OUT.mp4 [--from A] [--to B] [--no-cam] [--no-date]
// [--no-size] [--no-event] [--progress]: records A..B as a presentation video
// (see outputs/presentation_export.h), the information items and the
// hall event caption burned in unless left out. A progress line on stderr
// once an export has run for a second, or from the start with --progress.
#include <cstdio>

#include "outputs/presentation_export.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/gui_application.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/option_values.h"
#include "tools/zrvtool/progress_line.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {

namespace {

struct PresentOptions {
  std::string path;
  std::string out;
  std::optional<uint32_t> from;
  std::optional<uint32_t> to;
  bool noCamera = false;
  bool noDate = false;
  bool noSize = false;
  bool noEvent = false;
  bool progress = false;
};

int RunPresent(const PresentOptions& options) {
  if (options.out.empty()) return kExitUsage;
  PresentationRequest request;
  request.source.path = options.path;
  request.outputPath = options.out;
  if (options.from) request.first = *options.from;
  if (options.to) request.last = *options.to;
  request.items.camera = !options.noCamera;
  request.items.dateTime = !options.noDate;
  request.items.size = !options.noSize;
  request.items.event = !options.noEvent;
  UseBuildTreeFoldersWhenUnset();
  request.source = SourceOfPath(request.source.path);

  const CToolGuiApplication gui;
  if (!gui.HasFonts()) return kExitRefused;
  PresentationResult result;
  {
    CProgressLine progress("present", "records", options.progress);
    result = ExportPresentation(request,
                                [&progress](uint32_t done, uint32_t total) { return progress.Report(done, total); });
  }
  if (!result.ok) {
    std::fprintf(stderr, "%s\n", result.error.c_str());
    return kExitRefused;
  }
  Json out;
  out["output"] = request.outputPath;
  out["first"] = result.first;
  out["last"] = result.last;
  out["pictures"] = result.pictures;
  out["refused_pictures"] = result.refusedPictures;
  out["concealed_pictures"] = result.concealedPictures;
  out["width"] = result.width;
  out["height"] = result.height;
  if (result.soundRate > 0) {
    Json sound;
    sound["samples_per_second"] = result.soundRate;
    sound["channels"] = result.soundChannels;
    sound["chunks"] = result.soundChunks;
    sound["chunks_skipped"] = result.soundChunksSkipped;
    out["sound"] = std::move(sound);
  }
  out["duration_ms"] = result.durationMs;
  out["recorded_from"] = result.recordedFrom;
  out["recorded_to"] = result.recordedTo;
  PrintJsonLine(out);
  return kExitOk;
}

}  // namespace

Command AddPresent(CLI::App& tool) {
  CLI::App* app = AddCommand(
      tool, "present",
      "present PATH -o OUT.mp4 [--from A] [--to B] [--no-cam] [--no-date] [--no-size] [--no-event] [--progress]",
      "Records A..B as a presentation video, the information items and the hall event caption burned in");
  auto options = std::make_shared<PresentOptions>();
  app->add_option("PATH", options->path, "The backup")->required();
  app->add_option("-o", options->out, "The video file")->required()->type_name("OUT.mp4");
  AddOptional(*app, "--from", options->from, "The first record (0 unless given)")->type_name("A")->transform(WholeNumber());
  AddOptional(*app, "--to", options->to, "The last record (the backup's last unless given)")
      ->type_name("B")
      ->transform(WholeNumber());
  app->add_flag("--no-cam", options->noCamera, "Without the camera number");
  app->add_flag("--no-date", options->noDate, "Without the date and time");
  app->add_flag("--no-size", options->noSize, "Without the picture size");
  app->add_flag("--no-event", options->noEvent, "Without the hall event caption");
  app->add_flag("--progress", options->progress, "A progress line on stderr from the start, not after a second");
  return {app, [options] { return RunPresent(*options); }};
}

}  // namespace bv::tool
