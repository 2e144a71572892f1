#pragma once
// Loading a codec module from the system directory on first use, as the
// viewer's delay-loaded modules are: the file name is matched without regard
// to case, a loaded module stays loaded for the life of the process, and a
// module that is missing or cannot be loaded is looked for again at its next
// use.
#include <string>

namespace bv {

class CCodecModule {
 public:
  // The loaded module, or null. Safe to call from any thread.
  static CCodecModule* Load(const std::string& fileName);

  // The address of an exported symbol, or null.
  void* Symbol(const char* name) const;
  template <typename Fn>
  Fn Function(const char* name) const {
    return reinterpret_cast<Fn>(Symbol(name));
  }
  const std::string& Path() const { return path_; }

 private:
  CCodecModule(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  void* handle_;
  std::string path_;
};

// The path of fileName in directory, matched without regard to case (an
// exact match first); empty when there is none.
std::string FindFileIgnoringCase(const std::string& directory, const std::string& fileName);

}  // namespace bv
