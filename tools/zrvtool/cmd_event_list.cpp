// zrvtool event-list PATH [--labels-dir DIR]: the hall events of the backup,
// one JSON line each, as the viewer's event list shows them. DIR takes the
// place of the program's directory for the R40Max labels.
#include <cstdio>
#include <string>

#include "playback/legacy_text.h"
#include "playback/record_time.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/options.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {

int RunEventList(const Args& args) {
  ParsedOptions options;
  if (!ParseOptions(args, {"--labels-dir"}, {}, &options) || options.positional.size() != 1) return kExitUsage;
  auto backup = OpenToolBackup(options.positional[0]);
  if (!backup) return kExitRefused;
  CPlaybackController& controller = backup->controller;
  if (options.Has("--labels-dir")) controller.Engine().SetProgramDirectory(options.Value("--labels-dir"));
  for (const BackupEvent& event : ListBackupEvents(controller.EventListRequest())) {
    Json json;
    json["start"] = FormatMoment(event.startMs);
    json["end"] = FormatMoment(event.endMs);
    json["camera"] = static_cast<int>(event.camera);
    json["machine"] = static_cast<int64_t>(event.machineNumber);
    json["kind"] = event.kind == kMachineEvent ? "machine" : "R40Max";
    json["text"] = LegacyTextToUtf8(event.text);
    const uint32_t record = controller.FirstRecordOfEvent(event);
    json["record"] = record == CRecordTimeSearch::kNone ? Json(nullptr) : Json(record);
    PrintJsonLine(json);
  }
  return kExitOk;
}

}  // namespace bv::tool
