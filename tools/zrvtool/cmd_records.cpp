// zrvtool records PATH [--camera N]: one JSON line per index record (of
// camera N alone, 0-based as the records' "camera", when given).
#include <cstdio>
#include <string>

#include "playback/format/codec_table.h"
#include "playback/platform/legacy_text.h"
#include "playback/platform/string_printf.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_writer.h"
#include "tools/zrvtool/options.h"
#include "playback/engine/record_hash.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {

int RunRecords(const Args& args) {
  ParsedOptions options;
  if (!ParseOptions(args, {"--camera"}, {"--hash"}, &options) || options.positional.size() != 1) return kExitUsage;
  const bool withHash = options.Has("--hash");
  uint32_t camera = 0;
  const bool oneCamera = options.Has("--camera");
  if (oneCamera && (!options.Number("--camera", &camera) || camera > 255)) return kExitUsage;
  auto backup = OpenToolBackup(options.positional[0]);
  if (!backup) return kExitRefused;
  const CPlaybackController& controller = backup->controller;
  const CPlaybackEngine& engine = controller.Engine();
  const IndexArray& index = controller.Index();

  std::string line;
  for (uint32_t i = 0; i < index.size(); ++i) {
    const INDEX_RECORD& r = index[i];
    if (oneCamera && r.camera != camera) continue;
    JsonObject json;
    json.Add("index", i)
        .Add("time", StringPrintf("%04d-%02d-%02dT%02d:%02d:%02d.%03d", r.year, r.month, r.day, r.hour,
                                  r.minute, r.second, r.millisecond))
        .Add("camera", static_cast<int>(r.camera))
        .Add("type", static_cast<int>(r.type))
        .Add("kind", r.IsAudio() ? "audio" : "video")
        .Add("audio_paced", !r.IsAudio() && r.IsAudioPaced())
        .Add("offset", r.offset)
        .Add("size", r.size);
    if (!r.IsAudio()) {
      std::string title;
      std::string location;
      uint8_t head[kPayloadHeadSize];
      if (engine.ReadRecordHead(r, &title, &location, head)) {
        int width = 0;
        int height = 0;
        GetPictureSize(head, &width, &height);
        json.Add("codec", CodecInfo(GetCodecType(head)).name)
            .Add("key", IsKeyFrame(head))
            .Add("width", width)
            .Add("height", height)
            .Add("title", LegacyTextToUtf8(title))
            .Add("location", LegacyTextToUtf8(location));
      } else {
        // The viewer refuses this record (too large, or past the end of the file).
        json.Add("refused", true);
      }
    }
    if (withHash) {
      const std::string hash = RecordPayloadHash(engine, r);
      if (hash.empty()) {
        json.AddRaw("sha256", "null");
      } else {
        json.Add("sha256", hash);
      }
    }
    line = json.str();
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  return kExitOk;
}

}  // namespace bv::tool
