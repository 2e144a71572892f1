// zrvtool thumbnail PATH OUT.png [--size N]: the backup's first decodable
// picture, N pixels on its long side (256 unless told), as a PNG: the
// freedesktop thumbnailer of backups (res/backup-viewer.thumbnailer). Run
// by a file manager for a user who may never have started the viewer, it
// writes the codec modules first when the system directory lacks them, as
// the viewer's start-up does.
#include <sys/stat.h>

#include <cstdio>

#include "deploy/codec_deployment.h"
#include "playback/codec_table.h"
#include "playback/system_dirs.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/options.h"
#include "tools/zrvtool/tool_backup.h"
#include "video_export/backup_thumbnail.h"

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

}  // namespace

int RunThumbnail(const Args& args) {
  ParsedOptions options;
  uint32_t size = 256;
  if (!ParseOptions(args, {"--size"}, {}, &options) || options.positional.size() != 2 ||
      (options.Has("--size") && !options.Number("--size", &size)) || size < 1 || size > 4096) {
    return kExitUsage;
  }
  const BackupSource source = SourceOfPath(options.positional[0]);
  UseBuildTreeFoldersWhenUnset();
  if (!ModulesInPlace()) DeployCodecModules();

  const ThumbnailResult result = WriteBackupThumbnail(source, options.positional[1], static_cast<int>(size));
  if (!result.ok) {
    std::fprintf(stderr, "%s\n", result.error.c_str());
    return kExitRefused;
  }
  Json out;
  out["output"] = options.positional[1];
  out["record"] = result.record;
  out["width"] = result.width;
  out["height"] = result.height;
  PrintJsonLine(out);
  return kExitOk;
}

}  // namespace bv::tool
