#pragma once
// Where the viewer keeps its codec modules and settings files, in place of
// the Windows system and Windows directories: per-user folders under
// $XDG_DATA_HOME/backup-viewer (~/.local/share when unset), or the folders
// named by BACKUP_VIEWER_SYSTEM_DIR and BACKUP_VIEWER_WINDOWS_DIR. Paths are
// returned without a trailing separator.
#include <string>

namespace bv {

std::string SystemDirectory();
std::string WindowsDirectory();
// The same, written into path with its storage reused: no allocation once
// path has held the folder (for code that runs per frame).
void AssignSystemDirectory(std::string& path);
void AssignWindowsDirectory(std::string& path);

// Full path of the running program file.
std::string ProgramPath();
// The program's directory with its trailing separator.
std::string GetModuleDirectory();

}  // namespace bv
