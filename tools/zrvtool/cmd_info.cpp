// zrvtool info PATH: what the viewer knows of a backup after opening it.
#include <cstdio>

#include "playback/platform/legacy_text.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_writer.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {

int RunInfo(const Args& args) {
  if (args.size() != 1) return kExitUsage;
  auto backup = OpenToolBackup(args[0]);
  if (!backup) return kExitRefused;
  const CPlaybackController& controller = backup->controller;
  const CPlaybackEngine& engine = controller.Engine();
  const CAMERA_INFO& camera = engine.CameraInfo();

  JsonObject cameraJson;
  cameraJson.Add("number", static_cast<int>(camera.number))
      .Add("name", LegacyTextToUtf8(FieldText(camera.name)))
      .Add("location", LegacyTextToUtf8(FieldText(camera.location)))
      .Add("organization", LegacyTextToUtf8(FieldText(camera.organization)))
      .Add("owner", LegacyTextToUtf8(FieldText(camera.owner)));
  JsonObject info;
  info.Add("form", BackupFormName(backup->form))
      .Add("version", engine.Version())
      .Add("count", controller.Count())
      .Add("index_length", controller.IndexLength())
      .Add("frame_base", engine.FrameBase())
      .Add("camera", cameraJson);
  std::printf("%s\n", info.str().c_str());
  return kExitOk;
}

}  // namespace bv::tool
