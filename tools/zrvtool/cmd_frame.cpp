// zrvtool frame PATH INDEX -o OUT: the picture of one record exactly as the
// viewer shows it after seeking there (delta frames rebuilt from their key
// frame), without the texts drawn over it, as a .bmp, .png or .ppm file.
#include <cstdio>

#include "base/format/backup_constants.h"
#include "base/format/codec_table.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/option_values.h"
#include "tools/zrvtool/picture_files.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {
namespace {

struct FrameOptions {
  std::string path;
  uint32_t index = 0;
  std::string out;
};

int RunFrame(const FrameOptions& options) {
  const uint32_t index = options.index;
  const std::string& out = options.out;
  if (PictureFileTypeOf(out) == PictureFileType::kNone) {
    std::fprintf(stderr, "%s: the picture file must end in .bmp, .png or .ppm\n", out.c_str());
    return kExitUsage;
  }

  auto backup = OpenToolBackup(options.path);
  if (!backup) return kExitRefused;
  CPlaybackController& controller = backup->controller;
  const CPlaybackEngine& engine = controller.Engine();
  if (index >= controller.Count()) {
    std::fprintf(stderr, "record %u: the backup has %u records\n", index, controller.Count());
    return kExitRefused;
  }
  const INDEX_RECORD record = controller.Index()[index];
  if (record.IsAudio()) {
    std::fprintf(stderr, "record %u is an audio record\n", index);
    return kExitRefused;
  }
  if (!engine.IsVideoRecordReadable(record)) {
    std::fprintf(stderr, "record %u cannot be read\n", index);
    return kExitRefused;
  }

  // Seeking: play stops, and the record is shown as a step shows it.
  controller.SetPlayState(kStoppedOrPaused);
  controller.GoToRecord(index);
  if (engine.Width() > kMaxPictureWidth || engine.Height() > kMaxPictureHeight) {
    std::fprintf(stderr, "record %u: its picture of %d x %d is larger than %d x %d\n", index, engine.Width(),
                 engine.Height(), kMaxPictureWidth, kMaxPictureHeight);
    return kExitRefused;
  }
  const auto shown = backup->host.DibWindow().LastShown();
  if (!engine.PictureDecoded() || shown.layout != PixelLayout::kBgr24BottomUp || shown.pixels.empty()) {
    std::fprintf(stderr, "record %u cannot be decoded\n", index);
    return kExitRefused;
  }
  if (!WritePictureFile(out, shown.pixels.data(), shown.width, shown.height)) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return kExitRefused;
  }
  const int codec = engine.GetCodecType();
  Json result;
  result["index"] = index;
  result["codec"] = CodecInfo(codec).name;
  result["key"] = engine.IsKeyFrame();
  result["width"] = shown.width;
  result["height"] = shown.height;
  // The decoder worked around damage in this picture (or in the frames it
  // was built from): concealed, not as recorded.
  result["damaged"] = engine.LastDecodeConcealed();
  result["file"] = out;
  PrintJsonLine(result);
  return kExitOk;
}

}  // namespace

Command AddFrame(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "frame", "frame PATH INDEX -o OUT.bmp|OUT.png|OUT.ppm",
                             "The picture of one record as the viewer shows it after seeking there");
  auto options = std::make_shared<FrameOptions>();
  app->add_option("PATH", options->path, "The backup")->required();
  app->add_option("INDEX", options->index, "The record (0-based)")->required()->transform(WholeNumber());
  app->add_option("-o", options->out, "The picture file")->required()->type_name("OUT");
  return {app, [options] { return RunFrame(*options); }};
}

}  // namespace bv::tool
