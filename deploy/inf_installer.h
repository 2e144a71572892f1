#pragma once
// Installing the MJPEG driver from its INF text: the subset of the setup
// steps that text uses. [DefaultInstall] names UpdateInis sections (INI
// entries written in the Windows directory) and AddReg sections (registry
// entries, kept as an INI-style registry file in the Windows directory).
#include <string>

namespace bv {

// The result codes of the installation.
enum InfResult : int {
  kInfCannotOpen = 0,
  kInfDirectoryIdFailed = 1,
  kInfFileSectionFailed = 2,
  kInfFileQueueFailed = 3,
  kInfIniOrRegistryFailed = 4,
  kInfInstalled = 200,
};

// The registry file the AddReg entries go to, in the Windows directory.
constexpr const char* kRegistryFileName = "registry.ini";

int InstallMjpegInf(const std::string& infPath);

// Sets key=value in section of the INI file at path, keeping every other
// line; creates the file or section when missing. False when it cannot be
// written.
bool WriteProfileEntry(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& value);

}  // namespace bv
