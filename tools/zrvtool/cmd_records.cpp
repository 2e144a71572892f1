// zrvtool records PATH [--camera N]: one JSON line per index record (of
// camera N alone, 0-based as the records' "camera", when given).
#include <cstdio>
#include <string>

#include "base/format/codec_table.h"
#include "base/platform/legacy_text.h"
#include "base/platform/string_printf.h"
#include "playback/engine/record_hash.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/option_values.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {

namespace {

struct RecordsOptions {
  std::string path;
  bool withHash = false;
  std::optional<uint32_t> camera;
};

int RunRecords(const RecordsOptions& options) {
  const bool withHash = options.withHash;
  const bool oneCamera = options.camera.has_value();
  const uint32_t camera = options.camera.value_or(0);
  auto backup = OpenToolBackup(options.path);
  if (!backup) return kExitRefused;
  const CPlaybackController& controller = backup->controller;
  const CPlaybackEngine& engine = controller.Engine();
  const IndexArray& index = controller.Index();

  for (uint32_t i = 0; i < index.size(); ++i) {
    const INDEX_RECORD& r = index[i];
    if (oneCamera && r.camera != camera) continue;
    Json json;
    json["index"] = i;
    json["time"] = StringPrintf("%04d-%02d-%02dT%02d:%02d:%02d.%03d", r.year, r.month, r.day, r.hour, r.minute,
                                r.second, r.millisecond);
    json["camera"] = static_cast<int>(r.camera);
    json["type"] = static_cast<int>(r.type);
    json["kind"] = r.IsAudio() ? "audio" : "video";
    json["audio_paced"] = !r.IsAudio() && r.IsAudioPaced();
    json["offset"] = r.offset;
    json["size"] = r.size;
    if (!r.IsAudio()) {
      std::string title;
      std::string location;
      uint8_t head[kPayloadHeadSize];
      if (engine.ReadRecordHead(r, &title, &location, head)) {
        int width = 0;
        int height = 0;
        GetPictureSize(head, &width, &height);
        json["codec"] = CodecInfo(GetCodecType(head)).name;
        json["key"] = IsKeyFrame(head);
        json["width"] = width;
        json["height"] = height;
        json["title"] = LegacyTextToUtf8(title);
        json["location"] = LegacyTextToUtf8(location);
      } else {
        // The viewer refuses this record (too large, or past the end of the file).
        json["refused"] = true;
      }
    }
    if (withHash) {
      const std::string hash = RecordPayloadHash(engine, r);
      json["sha256"] = hash.empty() ? Json(nullptr) : Json(hash);
    }
    PrintJsonLine(json);
  }
  return kExitOk;
}

}  // namespace

Command AddRecords(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "records", "records PATH [--hash] [--camera N]", "One JSON line per index record");
  auto options = std::make_shared<RecordsOptions>();
  app->add_option("PATH", options->path, "The backup")->required();
  app->add_flag("--hash", options->withHash, "With the SHA-256 of every record's payload");
  AddOptional(*app, "--camera", options->camera, "Camera N's records alone (0-based, as their \"camera\")")
      ->type_name("N")
      ->transform(WholeNumber(0, 255));
  return {app, [options] { return RunRecords(*options); }};
}

}  // namespace bv::tool
