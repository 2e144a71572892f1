#include "tools/zrvtool/tool_backup.h"

#include <cstdio>
#include <cstdlib>

#include "base/platform/system_dirs.h"

namespace bv::tool {

BackupSource SourceOfPath(const std::string& path) {
  const BackupForm form = BackupFormOfPath(path);
  BackupSource source;
  source.path = path;
  source.oldPair = form == BackupForm::kPair;
  source.selfContained = form == BackupForm::kSelfContained;
  return source;
}

const char* BackupFormName(BackupForm form) {
  switch (form) {
    case BackupForm::kContainer:
      return "container";
    case BackupForm::kPair:
      return "pair";
    case BackupForm::kSelfContained:
      return "self-contained";
  }
  return "";
}

BackupForm BackupFormOfPath(const std::string& path) {
  // As the viewer's Open command tells them apart; any other name is a
  // self-contained viewer with its backup appended.
  switch (ClassifyOpenPath(path)) {
    case OpenPathKind::kIdx:
      return BackupForm::kPair;
    case OpenPathKind::kZrv:
      return BackupForm::kContainer;
    default:
      return BackupForm::kSelfContained;
  }
}

void UseBuildTreeFoldersWhenUnset() {
#ifdef BV_BUILD_TREE
  // A tool started from the build tree finds the modules the build made and
  // the MJPEG driver's registration the build wrote, unless told otherwise.
  const std::string buildTree = BV_BUILD_TREE "/";
  if (GetModuleDirectory().compare(0, buildTree.size(), buildTree) != 0) return;
  setenv("BACKUP_VIEWER_SYSTEM_DIR", (buildTree + "system").c_str(), 0);
  setenv("BACKUP_VIEWER_WINDOWS_DIR", (buildTree + "windows").c_str(), 0);
#endif
}

std::unique_ptr<ToolBackup> OpenToolBackup(const std::string& path) {
  UseBuildTreeFoldersWhenUnset();
  auto backup = std::make_unique<ToolBackup>();
  backup->host.SetMessageSink([](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
  backup->form = BackupFormOfPath(path);
  // As the viewer's start-up does, before anything is shown.
  backup->controller.Engine().CreateDecoders();
  backup->controller.SetSelfContained(backup->form == BackupForm::kSelfContained);
  if (!backup->controller.OpenBackup(path, backup->form == BackupForm::kPair)) {
    if (backup->host.Messages().empty()) std::fprintf(stderr, "cannot open %s\n", path.c_str());
    return nullptr;
  }
  return backup;
}

}  // namespace bv::tool
