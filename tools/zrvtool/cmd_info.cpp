// zrvtool info PATH: what the viewer knows of a backup after opening it.
#include <cstdio>

#include "base/platform/legacy_text.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {

namespace {

int RunInfo(const std::string& path) {
  auto backup = OpenToolBackup(path);
  if (!backup) return kExitRefused;
  const CPlaybackController& controller = backup->controller;
  const CPlaybackEngine& engine = controller.Engine();
  const CAMERA_INFO& camera = engine.CameraInfo();

  Json cameraJson;
  cameraJson["number"] = static_cast<int>(camera.number);
  cameraJson["name"] = LegacyTextToUtf8(FieldText(camera.name));
  cameraJson["location"] = LegacyTextToUtf8(FieldText(camera.location));
  cameraJson["organization"] = LegacyTextToUtf8(FieldText(camera.organization));
  cameraJson["owner"] = LegacyTextToUtf8(FieldText(camera.owner));
  Json info;
  info["form"] = BackupFormName(backup->form);
  info["version"] = engine.Version();
  info["count"] = controller.Count();
  info["index_length"] = controller.IndexLength();
  info["frame_base"] = engine.FrameBase();
  info["camera"] = std::move(cameraJson);
  PrintJsonLine(info);
  return kExitOk;
}

}  // namespace

Command AddInfo(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "info", "info PATH", "What the viewer knows of a backup after opening it");
  auto path = std::make_shared<std::string>();
  app->add_option("PATH", *path, "The backup")->required();
  return {app, [path] { return RunInfo(*path); }};
}

}  // namespace bv::tool
