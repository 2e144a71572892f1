#include "playback/system_dirs.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace bv {
namespace {

std::string DataHome() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/share";
}

std::string DirectoryFrom(const char* variable, const char* leaf) {
  if (const char* dir = std::getenv(variable); dir && *dir) {
    std::string path = dir;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
  }
  return DataHome() + "/backup-viewer/" + leaf;
}

}  // namespace

std::string SystemDirectory() { return DirectoryFrom("BACKUP_VIEWER_SYSTEM_DIR", "system"); }
std::string WindowsDirectory() { return DirectoryFrom("BACKUP_VIEWER_WINDOWS_DIR", "windows"); }

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
