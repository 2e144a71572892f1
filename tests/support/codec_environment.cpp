#include "tests/support/codec_environment.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace bv::test {
namespace {

// Written beside and renamed into place, as installers do: readers that keep
// a file's stamp see a new file even within one clock tick.
void ReplaceFile(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::filesystem::rename(temporary, path);
}

}  // namespace

std::string BuiltSystemDirectory() { return BV_BUILT_SYSTEM_DIR; }

CodecEnvironment::CodecEnvironment(bool withModules) {
  setenv("BACKUP_VIEWER_SYSTEM_DIR", system_.path().c_str(), 1);
  setenv("BACKUP_VIEWER_WINDOWS_DIR", windows_.path().c_str(), 1);
  if (!withModules) return;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(BuiltSystemDirectory(), ec)) {
    if (entry.path().extension() != ".dll") continue;
    CopyModule(entry.path().filename().string(), entry.path().filename().string());
  }
}

CodecEnvironment::~CodecEnvironment() {
  unsetenv("BACKUP_VIEWER_SYSTEM_DIR");
  unsetenv("BACKUP_VIEWER_WINDOWS_DIR");
}

void CodecEnvironment::RegisterDriver(const std::string& key, const std::string& value) {
  ReplaceFile(windows_.File("system.ini"), "[boot]\r\nshell=viewer\r\n[drivers32]\r\n" + key + "=" + value + "\r\n");
}

void CodecEnvironment::WriteDriverSettings(const std::string& decompressLines) {
  ReplaceFile(windows_.File("m3jpeg.ini"), "[Decompress]\n" + decompressLines + "[Codec]\nEnabled=1\n");
}

void CodecEnvironment::CopyModule(const std::string& builtName, const std::string& fileName) {
  std::error_code ec;
  std::filesystem::copy_file(BuiltSystemDirectory() + "/" + builtName, system_.File(fileName),
                             std::filesystem::copy_options::overwrite_existing, ec);
}

}  // namespace bv::test
