// zrvtool events PATH INDEX [--labels-dir DIR]: the hall event that showing
// record INDEX hands to the video window, as one JSON object. DIR takes the
// place of the program's directory for the R40Max labels.
#include <cstdio>
#include <optional>
#include <string>

#include "base/platform/legacy_text.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/option_values.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {
namespace {

struct EventsArgs {
  std::string path;
  uint32_t index = 0;
  std::optional<std::string> labelsDirectory;
};

int RunEvents(const EventsArgs& parsed) {
  auto backup = OpenToolBackup(parsed.path);
  if (!backup) return kExitRefused;
  CPlaybackController& controller = backup->controller;
  if (parsed.index >= controller.Count()) {
    std::fprintf(stderr, "record %u does not exist (%u records)\n", parsed.index, controller.Count());
    return kExitRefused;
  }
  if (parsed.labelsDirectory) controller.Engine().SetProgramDirectory(*parsed.labelsDirectory);

  CHeadlessVideoWindow& window =
      controller.Engine().IsOverlay() ? backup->host.OverlayWindow() : backup->host.DibWindow();
  const int before = window.EventCount();
  controller.GoToRecord(parsed.index);
  if (window.EventCount() == before) {
    // An audio record, or a frame the viewer does not show: no event is handed over.
    std::fprintf(stderr, "record %u shows no picture\n", parsed.index);
    return kExitRefused;
  }
  const CHeadlessVideoWindow::Event event = window.CurrentEvent();
  Json json;
  json["kind"] = static_cast<int>(event.kind);
  json["text"] = LegacyTextToUtf8(event.text);
  json["machine"] = static_cast<int64_t>(event.machineNumber);
  json["colour"] = static_cast<uint32_t>(event.colour);
  json["label"] = LegacyTextToUtf8(event.label);
  PrintJsonLine(json);
  return kExitOk;
}

}  // namespace

Command AddEvents(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "events", "events PATH INDEX [--labels-dir DIR]",
                             "The hall event that showing record INDEX hands to the video window");
  auto parsed = std::make_shared<EventsArgs>();
  app->add_option("PATH", parsed->path, "The backup")->required();
  app->add_option("INDEX", parsed->index, "The record (0-based)")->required()->transform(WholeNumber());
  // One folder of labels or none: naming two is a mistake, not a choice.
  AddOptional(*app, "--labels-dir", parsed->labelsDirectory, "The folder of the R40Max labels, for the program's")
      ->type_name("DIR")
      ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
  return {app, [parsed] { return RunEvents(*parsed); }};
}

}  // namespace bv::tool
