// zrvtool events PATH INDEX [--labels-dir DIR]: the hall event that showing
// record INDEX hands to the video window, as one JSON object. DIR takes the
// place of the program's directory for the R40Max labels.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "playback/legacy_text.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {
namespace {

struct EventsArgs {
  std::string path;
  uint32_t index = 0;
  std::string labelsDirectory;
  bool hasLabelsDirectory = false;
};

bool ParseIndex(const std::string& text, uint32_t* index) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
  if (value > UINT32_MAX) return false;
  *index = static_cast<uint32_t>(value);
  return true;
}

bool ParseEventsArgs(const Args& args, EventsArgs* parsed) {
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--labels-dir") {
      if (i + 1 >= args.size() || parsed->hasLabelsDirectory) return false;
      parsed->labelsDirectory = args[++i];
      parsed->hasLabelsDirectory = true;
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) return false;
  parsed->path = positional[0];
  return ParseIndex(positional[1], &parsed->index);
}

}  // namespace

int RunEvents(const Args& args) {
  EventsArgs parsed;
  if (!ParseEventsArgs(args, &parsed)) return kExitUsage;
  auto backup = OpenToolBackup(parsed.path);
  if (!backup) return kExitRefused;
  CPlaybackController& controller = backup->controller;
  if (parsed.index >= controller.Count()) {
    std::fprintf(stderr, "record %u does not exist (%u records)\n", parsed.index, controller.Count());
    return kExitRefused;
  }
  if (parsed.hasLabelsDirectory) controller.Engine().SetProgramDirectory(parsed.labelsDirectory);

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

}  // namespace bv::tool
