// zrvtool seek PATH YYYY-MM-DDTHH:MM:SS[.mmm]: the record the viewer's
// "Go to Time..." shows for that moment, as one JSON line; with --camera N
// (0-based) as it does while camera N plays alone.
#include <algorithm>
#include <cstdio>
#include <string>

#include "playback/record_time.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/options.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {

int RunSeek(const Args& args) {
  ParsedOptions options;
  if (!ParseOptions(args, {"--camera"}, {}, &options) || options.positional.size() != 2) return kExitUsage;
  uint32_t camera = 0;
  if (options.Has("--camera") && (!options.Number("--camera", &camera) || camera > 255)) return kExitUsage;
  int64_t moment = 0;
  if (!ParseMoment(options.positional[1], &moment)) {
    std::fprintf(stderr, "zrvtool: not a time of the form YYYY-MM-DDTHH:MM:SS[.mmm]: %s\n",
                 options.positional[1].c_str());
    return kExitUsage;
  }
  auto backup = OpenToolBackup(options.positional[0]);
  if (!backup) return kExitRefused;
  CPlaybackController& controller = backup->controller;
  if (options.Has("--camera")) {
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

}  // namespace bv::tool
