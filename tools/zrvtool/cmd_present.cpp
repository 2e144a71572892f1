// zrvtool present PATH -o OUT.mp4 [--from A] [--to B] [--no-cam] [--no-date]
// [--no-size] [--no-event] [--progress]: records A..B as a presentation video
// (see video_export/presentation_export.h), the information items and the
// hall event caption burned in unless left out. A progress line on stderr
// once an export has run for a second, or from the start with --progress.
#include <cstdio>

#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/gui_application.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/options.h"
#include "tools/zrvtool/progress_line.h"
#include "tools/zrvtool/tool_backup.h"
#include "video_export/presentation_export.h"

namespace bv::tool {

int RunPresent(const Args& args) {
  ParsedOptions options;
  if (!ParseOptions(args, {"--from", "--to", "-o"}, {"--no-cam", "--no-date", "--no-size", "--no-event", "--progress"},
                    &options) ||
      options.positional.size() != 1 || !options.Has("-o") || options.Value("-o").empty()) {
    return kExitUsage;
  }
  PresentationRequest request;
  request.source.path = options.positional[0];
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
  request.items.camera = !options.Has("--no-cam");
  request.items.dateTime = !options.Has("--no-date");
  request.items.size = !options.Has("--no-size");
  request.items.event = !options.Has("--no-event");
  UseBuildTreeFoldersWhenUnset();
  request.source = SourceOfPath(request.source.path);

  const CToolGuiApplication gui;
  if (!gui.HasFonts()) return kExitRefused;
  PresentationResult result;
  {
    CProgressLine progress("present", "records", options.Has("--progress"));
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

}  // namespace bv::tool
