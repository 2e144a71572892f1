#pragma once
// INI files read with the rules of the Windows profile functions: section and
// key names compare without regard to case, blanks around names and values
// are trimmed, the first "=" splits a line into key and value, a value in
// double or single quotes loses them, lines starting with ";" are comments. The first
// section of a name counts; within it the first key of a name.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace bv {

class CIniFile {
 public:
  // Reads the file; nullopt when it cannot be opened. Only the first
  // kMaxFileBytes bytes are read: a profile file is never that large, and a
  // huge or endless file must not exhaust memory.
  static std::optional<CIniFile> Load(const std::string& path);
  static CIniFile Parse(const std::string& text);
  static constexpr size_t kMaxFileBytes = 4 * 1024 * 1024;

  // The value of key, or defaultValue, cut to bufferSize - 1 characters as
  // a buffer of bufferSize bytes holds it.
  std::string GetString(const std::string& section, const std::string& key, const std::string& defaultValue,
                        size_t bufferSize) const;
  // The leading decimal number of the value (an optional sign first);
  // defaultValue when the key is missing or its value empty, 0 when the
  // value does not start with a number.
  uint32_t GetInt(const std::string& section, const std::string& key, uint32_t defaultValue) const;
  // The lines of a section in file order (comments and blank lines left
  // out) as "key=value" with the blanks around key and value trimmed and the
  // value unquoted, as many as a buffer of bufferSize bytes holds with a NUL after each
  // line and one at the end; the last one cut when it does not fit whole.
  std::vector<std::string> GetSection(const std::string& section, size_t bufferSize) const;

 private:
  struct Line {
    std::string text;   // as a section returns it: key=value, or the trimmed line without "="
    std::string key;    // before the first "=", trimmed; the whole line when there is none
    std::string value;  // after the first "=", trimmed and unquoted
    bool hasEquals = false;
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };
  const Section* FindSection(const std::string& name) const;

  std::vector<Section> sections_;
};

// The profile functions over a file path: a missing file gives the defaults.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, size_t bufferSize, const std::string& path);
uint32_t GetPrivateProfileInt(const std::string& section, const std::string& key, uint32_t defaultValue,
                              const std::string& path);
std::vector<std::string> GetPrivateProfileSection(const std::string& section, size_t bufferSize,
                                                  const std::string& path);

}  // namespace bv
