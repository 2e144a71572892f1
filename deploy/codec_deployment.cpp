#include "deploy/codec_deployment.h"

#include <strings.h>
#include <unistd.h>

#include <filesystem>
#include <span>

#include "base/platform/file_write.h"
#include "base/platform/system_dirs.h"
#include "codecs/codec_module.h"
#include "deploy/inf_installer.h"
#include "deploy/module_resources.h"

namespace bv {
namespace {

// Writes a module whole (a temporary file renamed over the target, so a
// start killed half-way never leaves a module that loads broken) and removes
// spellings of the same name in other cases, which the case-insensitive
// lookup could otherwise find first.
bool WriteModule(const std::string& directory, const char* fileName, int resourceId) {
  const std::span<const uint8_t> bytes = FindDllResource(resourceId);
  if (bytes.empty()) return false;
  if (!WriteFileAtomically(directory + "/" + fileName, {bytes})) return false;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(directory, ec)) {
    const std::string name = entry.path().filename().string();
    if (name != fileName && strcasecmp(name.c_str(), fileName) == 0) std::filesystem::remove(entry.path(), ec);
  }
  return true;
}

}  // namespace

void DeployCodecModules(const DeploymentObserver& observer) {
  const std::string system = SystemDirectory();
  std::error_code ec;
  std::filesystem::create_directories(system, ec);

  WriteModule(system, "decoderdll.dll", kResourceWaveletModule);
  WriteModule(system, "ZRMP4.dll", kResourceMpeg4Module);
  WriteModule(system, "ZR_Sound.dll", kResourceAudioModule);

  if (!FindFileIgnoringCase(system, "Mjpg32_g.dll").empty()) return;
  WriteModule(system, "Mjpg32_g.dll", kResourceMjpegDriver);

  const std::string windows = WindowsDirectory();
  std::filesystem::create_directories(windows, ec);
  const std::string inf = windows + "/MjpegSetup.inf";
  const std::string& text = MjpegInfText();
  WriteFileAtomically(inf, {std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())});
  if (observer.infWritten) observer.infWritten(inf);
  const int result = InstallMjpegInf(inf);
  if (observer.installed) observer.installed(result);
  ::unlink(inf.c_str());
}

}  // namespace bv
