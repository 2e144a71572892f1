#include "codecs/vfw/driver_registry.h"

#include <array>
#include <cctype>
#include <mutex>
#include <optional>
#include <string>

#include "base/platform/ini_file.h"
#include "base/platform/system_dirs.h"
#include "codecs/codec_module.h"
#include "codecs/file_stamp.h"
#include "codecs/vfw/vfw_abi.h"

namespace bv {
namespace {

constexpr size_t kMaxPath = 260;
constexpr size_t kMaxDrivers = 8;

// "type.handler", the type in lower case as registrations write it.
struct DriverKey {
  char text[10] = {};
  DriverKey(uint32_t fccType, uint32_t fccHandler) {
    for (int i = 0; i < 4; ++i) {
      text[i] = static_cast<char>(std::tolower(static_cast<int>((fccType >> (8 * i)) & 0xFF)));
      text[5 + i] = static_cast<char>((fccHandler >> (8 * i)) & 0xFF);
    }
    text[4] = '.';
  }
  bool operator==(const DriverKey& other) const { return std::string_view(text) == std::string_view(other.text); }
};

// A registered file name may carry a Windows path; the module is always
// taken from the system directory.
std::string ModuleFileName(const std::string& registered) {
  const size_t separator = registered.find_last_of("/\\");
  return separator == std::string::npos ? registered : registered.substr(separator + 1);
}

struct Registry {
  std::mutex mutex;
  std::string iniPath;
  FileStamp stamp;
  bool read = false;
  std::optional<CIniFile> ini;
  // The last answer, valid while system.ini stays the same.
  std::optional<DriverKey> lastKey;
  DriverProcFn lastDriver = nullptr;
  // Drivers that have been sent DRV_LOAD and DRV_ENABLE.
  std::array<DriverProcFn, kMaxDrivers> loaded{};
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

// Sends DRV_LOAD and DRV_ENABLE the first time a driver is used.
bool EnsureLoaded(Registry& registry, DriverProcFn driver) {
  for (DriverProcFn known : registry.loaded) {
    if (known == driver) return true;
  }
  for (DriverProcFn& slot : registry.loaded) {
    if (slot) continue;
    if (driver(0, nullptr, DRV_LOAD, 0, 0) == 0) return false;
    driver(0, nullptr, DRV_ENABLE, 0, 0);
    slot = driver;
    return true;
  }
  return false;
}

DriverProcFn LoadDriver(Registry& registry, const DriverKey& key) {
  if (!registry.ini) return nullptr;
  const std::string registered = registry.ini->GetString("drivers32", key.text, "", kMaxPath);
  const std::string fileName = ModuleFileName(registered);
  if (fileName.empty()) return nullptr;
  CCodecModule* module = CCodecModule::Load(fileName);
  if (!module) return nullptr;
  const auto driver = module->Function<DriverProcFn>(kDriverProcSymbol);
  if (!driver || !EnsureLoaded(registry, driver)) return nullptr;
  return driver;
}

}  // namespace

DriverProcFn FindRegisteredDriver(uint32_t fccType, uint32_t fccHandler) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  AssignWindowsDirectory(registry.iniPath);
  registry.iniPath.append("/system.ini");
  const FileStamp now = FileStamp::Of(registry.iniPath);
  if (!registry.read || !(now == registry.stamp)) {
    registry.ini = now.exists ? CIniFile::Load(registry.iniPath) : std::nullopt;
    registry.stamp = now;
    registry.read = true;
    registry.lastKey.reset();
    registry.lastDriver = nullptr;
  }

  const DriverKey key(fccType, fccHandler);
  if (registry.lastKey && *registry.lastKey == key && registry.lastDriver) return registry.lastDriver;
  DriverProcFn driver = LoadDriver(registry, key);
  registry.lastKey = key;
  registry.lastDriver = driver;
  return driver;
}

}  // namespace bv
