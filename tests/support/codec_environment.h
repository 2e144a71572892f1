#pragma once
// A system directory and a Windows directory for one test, in temporary
// folders: BACKUP_VIEWER_SYSTEM_DIR and BACKUP_VIEWER_WINDOWS_DIR point at
// them while the object lives. The system directory holds copies of the codec
// modules the build made; the MJPEG driver's registration is written on
// request, as the viewer's installation would.
#include <string>

#include "tests/support/temp_dir.h"

namespace bv::test {

class CodecEnvironment {
 public:
  // withModules false leaves the system directory empty.
  explicit CodecEnvironment(bool withModules = true);
  ~CodecEnvironment();
  CodecEnvironment(const CodecEnvironment&) = delete;
  CodecEnvironment& operator=(const CodecEnvironment&) = delete;

  const std::string& SystemDir() const { return system_.path(); }
  const std::string& WindowsDir() const { return windows_.path(); }

  // Writes system.ini with [drivers32] key=value (by default the MJPEG
  // driver's registration).
  void RegisterDriver(const std::string& key = "vidc.MJPG", const std::string& value = "mjpg32_G.dll");
  // Writes m3jpeg.ini with the given [Decompress] lines ("Key=Value\n"...).
  void WriteDriverSettings(const std::string& decompressLines);
  // Copies one built module into the system directory under fileName.
  void CopyModule(const std::string& builtName, const std::string& fileName);

 private:
  TempDir system_;
  TempDir windows_;
};

// The built module files ("Mjpg32_g.dll", "ZRMP4.dll", ...) are here.
std::string BuiltSystemDirectory();

}  // namespace bv::test
