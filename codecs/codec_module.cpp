#include "codecs/codec_module.h"

#include <dlfcn.h>
#include <strings.h>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

#include "base/platform/system_dirs.h"

namespace bv {
namespace {

std::mutex& ModulesMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<std::string, std::unique_ptr<CCodecModule>>& LoadedModules() {
  static std::map<std::string, std::unique_ptr<CCodecModule>> modules;
  return modules;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string FindFileIgnoringCase(const std::string& directory, const std::string& fileName) {
  std::error_code ec;
  const std::filesystem::path exact = std::filesystem::path(directory) / fileName;
  if (std::filesystem::is_regular_file(exact, ec)) return exact.string();
  for (const auto& entry : std::filesystem::directory_iterator(directory, ec)) {
    const std::string name = entry.path().filename().string();
    if (strcasecmp(name.c_str(), fileName.c_str()) == 0 && entry.is_regular_file(ec)) return entry.path().string();
  }
  return std::string();
}

CCodecModule* CCodecModule::Load(const std::string& fileName) {
  std::lock_guard lock(ModulesMutex());
  auto& modules = LoadedModules();
  const std::string key = Lower(fileName);
  if (auto it = modules.find(key); it != modules.end()) return it->second.get();

  const std::string path = FindFileIgnoringCase(SystemDirectory(), fileName);
  if (path.empty()) return nullptr;
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  auto module = std::unique_ptr<CCodecModule>(new CCodecModule(handle, path));
  CCodecModule* raw = module.get();
  modules.emplace(key, std::move(module));
  return raw;
}

void* CCodecModule::Symbol(const char* name) const { return dlsym(handle_, name); }

}  // namespace bv
