#include "base/platform/system_dirs.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace bv {
namespace {

// Writes the folder into path, reusing path's storage, so that callers on a
// hot path do not allocate once path has held it.
void AssignDirectory(const char* variable, const char* leaf, std::string& path) {
  if (const char* dir = std::getenv(variable); dir && *dir) {
    path.assign(dir);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return;
  }
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    path.assign(xdg);
  } else {
    const char* home = std::getenv("HOME");
    path.assign(home && *home ? home : "/tmp");
    path.append("/.local/share");
  }
  path.append("/backup-viewer/");
  path.append(leaf);
}

}  // namespace

void AssignSystemDirectory(std::string& path) { AssignDirectory("BACKUP_VIEWER_SYSTEM_DIR", "system", path); }
void AssignWindowsDirectory(std::string& path) { AssignDirectory("BACKUP_VIEWER_WINDOWS_DIR", "windows", path); }

std::string SystemDirectory() {
  std::string path;
  AssignSystemDirectory(path);
  return path;
}

std::string WindowsDirectory() {
  std::string path;
  AssignWindowsDirectory(path);
  return path;
}

std::string ProgramPath() {
  std::error_code ec;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : path.string();
}

std::string GetModuleDirectory() {
  const std::string path = ProgramPath();
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace bv
