// zrvtool present PATH -o OUT.mp4 [--from A] [--to B] [--no-cam] [--no-date]
// [--no-size] [--no-event] [--progress]: records A..B as a presentation video
// (see video_export/presentation_export.h), the information items and the
// hall event caption burned in unless left out. A progress line on stderr
// once an export has run for a second, or from the start with --progress.
#include <cstdio>

#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/gui_application.h"
#include "tools/zrvtool/json_writer.h"
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
  JsonObject out;
  out.Add("output", request.outputPath).Add("first", result.first).Add("last", result.last);
  out.Add("pictures", result.pictures).Add("refused_pictures", result.refusedPictures);
  out.Add("concealed_pictures", result.concealedPictures);
  out.Add("width", result.width).Add("height", result.height);
  if (result.soundRate > 0) {
    JsonObject sound;
    sound.Add("samples_per_second", result.soundRate).Add("channels", result.soundChannels);
    sound.Add("chunks", result.soundChunks).Add("chunks_skipped", result.soundChunksSkipped);
    out.Add("sound", sound);
  }
  out.Add("duration_ms", result.durationMs).Add("recorded_from", result.recordedFrom);
  out.Add("recorded_to", result.recordedTo);
  std::printf("%s\n", out.str().c_str());
  return kExitOk;
}

}  // namespace bv::tool
