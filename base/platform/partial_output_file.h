#pragma once
// CPartialOutputFile: the name of a temporary file beside a target, which
// becomes the target only when Commit renames it there. Until then the
// target is untouched; a file never committed is deleted with the object.
#include <string>

namespace bv {

class CPartialOutputFile {
 public:
  CPartialOutputFile() = default;
  ~CPartialOutputFile() { Discard(); }
  CPartialOutputFile(const CPartialOutputFile&) = delete;
  CPartialOutputFile& operator=(const CPartialOutputFile&) = delete;

  // Creates an empty "TARGET.partial-XXXXXX" in the target's folder.
  bool Create(const std::string& target);
  const std::string& Path() const { return path_; }
  // Makes the file readable by all (0644) and renames it over the target.
  bool Commit();
  // Deletes the temporary file, if it is still there.
  void Discard();

 private:
  std::string target_;
  std::string path_;
};

// Whether two paths name the same existing file (hard links included).
bool IsSameFile(const std::string& a, const std::string& b);

}  // namespace bv
