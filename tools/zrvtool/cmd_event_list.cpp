// zrvtool event-list PATH [--labels-dir DIR]: the hall events of the backup,
// one JSON line each, as the viewer's event list shows them. DIR takes the
// place of the program's directory for the R40Max labels.
#include <cstdio>
#include <string>

#include "base/format/record_time.h"
#include "base/platform/legacy_text.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/option_values.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {

namespace {

struct EventListOptions {
  std::string path;
  std::optional<std::string> labelsDirectory;
};

int RunEventList(const EventListOptions& options) {
  auto backup = OpenToolBackup(options.path);
  if (!backup) return kExitRefused;
  CPlaybackController& controller = backup->controller;
  if (options.labelsDirectory) controller.Engine().SetProgramDirectory(*options.labelsDirectory);
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

}  // namespace

Command AddEventList(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "event-list", "event-list PATH [--labels-dir DIR]",
                             "The hall events of the backup, one JSON line each, as the viewer's event list shows them");
  auto options = std::make_shared<EventListOptions>();
  app->add_option("PATH", options->path, "The backup")->required();
  AddOptional(*app, "--labels-dir", options->labelsDirectory, "The folder of the R40Max labels, for the program's")
      ->type_name("DIR");
  return {app, [options] { return RunEventList(*options); }};
}

}  // namespace bv::tool
