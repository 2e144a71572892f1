// zrvtool seek PATH YYYY-MM-DDTHH:MM:SS[.mmm]: the record the viewer's
// "Go to Time..." shows for that moment, as one JSON line; with --camera N
// (0-based) as it does while camera N plays alone.
#include <algorithm>
#include <cstdio>
#include <string>

#include "base/format/record_time.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/option_values.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {

namespace {

struct SeekOptions {
  std::string path;
  std::string moment;
  std::optional<uint32_t> camera;
};

int RunSeek(const SeekOptions& options) {
  int64_t moment = 0;
  if (!ParseMoment(options.moment, &moment)) {
    std::fprintf(stderr, "zrvtool: not a time of the form YYYY-MM-DDTHH:MM:SS[.mmm]: %s\n", options.moment.c_str());
    return kExitUsage;
  }
  auto backup = OpenToolBackup(options.path);
  if (!backup) return kExitRefused;
  CPlaybackController& controller = backup->controller;
  if (options.camera) {
    const uint32_t camera = *options.camera;
    const std::vector<int>& cameras = controller.CamerasInIndex();
    if (std::find(cameras.begin(), cameras.end(), static_cast<int>(camera)) == cameras.end()) {
      std::fprintf(stderr, "zrvtool: the backup holds no records of camera %u\n", camera);
      return kExitRefused;
    }
    controller.SetCameraFilter(static_cast<int>(camera));
  }
  const uint32_t chosen = controller.GoToTime(moment);
  if (chosen == CRecordTimeSearch::kNone) {
    std::fprintf(stderr, "zrvtool: the backup holds no records\n");
    return kExitRefused;
  }
  const CRecordTimeSearch& search = controller.TimeSearch();
  const INDEX_RECORD& r = controller.Index()[chosen];
  Json json;
  json["index"] = chosen;
  json["time"] = FormatMoment(RecordMomentMs(r));
  json["camera"] = static_cast<int>(r.camera);
  json["before_start"] = moment < search.FirstTimeMs();
  json["first"] = FormatMoment(search.FirstTimeMs());
  json["last"] = FormatMoment(search.LastTimeMs());
  json["time_ordered"] = search.IsTimeOrdered();
  PrintJsonLine(json);
  return kExitOk;
}

}  // namespace

Command AddSeek(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "seek", "seek PATH YYYY-MM-DDTHH:MM:SS[.mmm] [--camera N]",
                             "The record the viewer's \"Go to Time...\" shows for that moment");
  auto options = std::make_shared<SeekOptions>();
  app->add_option("PATH", options->path, "The backup")->required();
  app->add_option("TIME", options->moment, "The moment, YYYY-MM-DDTHH:MM:SS[.mmm]")->required();
  AddOptional(*app, "--camera", options->camera, "As while camera N plays alone (0-based)")
      ->type_name("N")
      ->transform(WholeNumber(0, 255));
  return {app, [options] { return RunSeek(*options); }};
}

}  // namespace bv::tool
