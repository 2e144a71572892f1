// zrvtool thumbnail PATH OUT.png [--size N]: the backup's first decodable
// picture, N pixels on its long side (256 unless told), as a PNG: the
// freedesktop thumbnailer of backups (res/backup-viewer.thumbnailer). Run
// by a file manager for a user who may never have started the viewer, it
// writes the codec modules first when the system directory lacks them, as
// the viewer's start-up does.
#include <sys/stat.h>

#include <cstdio>

#include "base/format/codec_table.h"
#include "base/platform/system_dirs.h"
#include "deploy/codec_deployment.h"
#include "outputs/backup_thumbnail.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/option_values.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {
namespace {

bool ModulesInPlace() {
  const std::string dir = SystemDirectory();
  for (int codec = 0; codec < kCodecCount; ++codec) {
    struct stat info {};
    if (stat((dir + "/" + CodecInfo(codec).moduleFile).c_str(), &info) != 0) return false;
  }
  return true;
}

struct ThumbnailOptions {
  std::string path;
  std::string out;
  int size = 256;
};

int RunThumbnail(const ThumbnailOptions& options) {
  const BackupSource source = SourceOfPath(options.path);
  UseBuildTreeFoldersWhenUnset();
  if (!ModulesInPlace()) DeployCodecModules();

  const ThumbnailResult result = WriteBackupThumbnail(source, options.out, options.size);
  if (!result.ok) {
    std::fprintf(stderr, "%s\n", result.error.c_str());
    return kExitRefused;
  }
  Json out;
  out["output"] = options.out;
  out["record"] = result.record;
  out["width"] = result.width;
  out["height"] = result.height;
  PrintJsonLine(out);
  return kExitOk;
}

}  // namespace

Command AddThumbnail(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "thumbnail", "thumbnail PATH OUT.png [--size N]",
                             "The backup's first decodable picture as a PNG: the file managers' thumbnailer");
  auto options = std::make_shared<ThumbnailOptions>();
  app->add_option("PATH", options->path, "The backup")->required();
  app->add_option("OUT.png", options->out, "The PNG file")->required();
  app->add_option("--size", options->size, "Pixels on the picture's long side (256 unless given)")
      ->type_name("N")
      ->transform(WholeNumber(1, 4096));
  return {app, [options] { return RunThumbnail(*options); }};
}

}  // namespace bv::tool
