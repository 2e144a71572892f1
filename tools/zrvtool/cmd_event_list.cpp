// zrvtool event-list PATH [--labels-dir DIR]: the hall events of the backup,
// one JSON line each, as the viewer's event list shows them. DIR takes the
// place of the program's directory for the R40Max labels.
#include <cstdio>
#include <string>

#include "playback/platform/legacy_text.h"
#include "playback/format/record_time.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_writer.h"
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
  std::string line;
  for (const BackupEvent& event : ListBackupEvents(controller.EventListRequest())) {
    JsonObject json;
    json.Add("start", FormatMoment(event.startMs))
        .Add("end", FormatMoment(event.endMs))
        .Add("camera", static_cast<int>(event.camera))
        .Add("machine", static_cast<int64_t>(event.machineNumber))
        .Add("kind", event.kind == kMachineEvent ? "machine" : "R40Max")
        .Add("text", LegacyTextToUtf8(event.text));
    const uint32_t record = controller.FirstRecordOfEvent(event);
    if (record == CRecordTimeSearch::kNone) {
      json.AddRaw("record", "null");
    } else {
      json.Add("record", record);
    }
    line = json.str();
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  return kExitOk;
}

}  // namespace bv::tool
