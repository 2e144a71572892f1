#include "codecs/mjpg/driver_settings.h"

#include <mutex>
#include <string>

#include "base/platform/ini_file.h"
#include "base/platform/system_dirs.h"
#include "codecs/file_stamp.h"

namespace bv::mjpg {
namespace {

constexpr const char* kSettingsFile = "/m3jpeg.ini";
constexpr const char* kSection = "Decompress";

DriverSettings ReadSettings(const std::string& path) {
  DriverSettings settings;
  const std::optional<CIniFile> ini = CIniFile::Load(path);
  if (!ini) return settings;
  const DecodeOptions defaults;
  settings.enabled = ini->GetInt(kSection, "Enabled", 1) != 0;
  settings.decode.fancyUpsampling = ini->GetInt(kSection, "FancyUpsampling", defaults.fancyUpsampling) != 0;
  settings.decode.supportInterleave = ini->GetInt(kSection, "SupportInterleave", defaults.supportInterleave) != 0;
  settings.decode.invertFieldOrder = ini->GetInt(kSection, "InvertFieldOrder", defaults.invertFieldOrder) != 0;
  return settings;
}

}  // namespace

DriverSettings CurrentSettings() {
  static std::mutex mutex;
  static std::string path;
  static FileStamp stamp;
  static DriverSettings settings;
  static bool read = false;

  std::lock_guard lock(mutex);
  AssignWindowsDirectory(path);
  path.append(kSettingsFile);
  const FileStamp now = FileStamp::Of(path);
  if (!read || !(now == stamp)) {
    settings = now.exists ? ReadSettings(path) : DriverSettings{};
    stamp = now;
    read = true;
  }
  return settings;
}

}  // namespace bv::mjpg
