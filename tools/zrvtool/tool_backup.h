#pragma once
// Opening a backup from the command line through the viewer's own open
// routine, headless.
#include <memory>
#include <string>

#include "outputs/frame_walk.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"

namespace bv::tool {

enum class BackupForm { kContainer, kPair, kSelfContained };
const char* BackupFormName(BackupForm form);
// ".zrv" is a container and ".idx" an old pair (case-insensitive, by the
// last four characters, as the viewer's Open command tells them); any other
// file is taken to hold a self-contained backup.
BackupForm BackupFormOfPath(const std::string& path);
// The backup at path, in the form its name tells.
BackupSource SourceOfPath(const std::string& path);

struct ToolBackup {
  CHeadlessHost host;
  CPlaybackController controller{host};
  BackupForm form = BackupForm::kContainer;
};

// Run from the build tree, the codec folders default to the build's own
// (BACKUP_VIEWER_SYSTEM_DIR and ..._WINDOWS_DIR, when they are not set).
void UseBuildTreeFoldersWhenUnset();

// Opens path; on refusal writes the viewer's message (or why the file could
// not be opened) to stderr and returns null.
std::unique_ptr<ToolBackup> OpenToolBackup(const std::string& path);

}  // namespace bv::tool
