#include "deploy/inf_installer.h"

#include <strings.h>

#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <span>
#include <vector>

#include "base/platform/data_file.h"
#include "base/platform/file_write.h"
#include "base/platform/system_dirs.h"

namespace bv {
namespace {

constexpr uint64_t kMaxInfBytes = 1 << 20;

std::string Trim(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

bool Same(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

// An INF: sections of lines, comments (";" outside quotes) removed.
class InfFile {
 public:
  bool Load(const std::string& path) {
    CDataFile file;
    if (!file.Open(path) || file.Length() > kMaxInfBytes) return false;
    std::string text(static_cast<size_t>(file.Length()), '\0');
    if (!file.ReadExactAt(0, text.data(), text.size())) return false;
    std::istringstream in(text);
    std::vector<std::string>* current = nullptr;
    for (std::string raw; std::getline(in, raw);) {
      const std::string line = Trim(StripComment(raw));
      if (line.empty()) continue;
      if (line.front() == '[') {
        const size_t close = line.find(']');
        if (close == std::string::npos) return false;
        sections_.emplace_back(Trim(line.substr(1, close - 1)), std::vector<std::string>());
        current = &sections_.back().second;
      } else if (current) {
        current->push_back(line);
      }
    }
    return true;
  }

  const std::vector<std::string>* Section(const std::string& name) const {
    for (const auto& [sectionName, lines] : sections_) {
      if (Same(sectionName, name)) return &lines;
    }
    return nullptr;
  }

  // The value of key=value in a section, unquoted; empty when missing.
  std::string Value(const std::string& section, const std::string& key) const {
    const std::vector<std::string>* lines = Section(section);
    if (!lines) return std::string();
    for (const std::string& line : *lines) {
      const size_t equals = line.find('=');
      if (equals != std::string::npos && Same(Trim(line.substr(0, equals)), key)) {
        return Unquote(Trim(line.substr(equals + 1)));
      }
    }
    return std::string();
  }

  // %name% replaced by the [Strings] value; %% by %.
  std::string Substitute(const std::string& text) const {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '%') {
        out.push_back(text[i]);
        continue;
      }
      const size_t close = text.find('%', i + 1);
      if (close == std::string::npos) {
        out += text.substr(i);
        break;
      }
      const std::string name = text.substr(i + 1, close - i - 1);
      const std::string value = name.empty() ? std::string("%") : Value("Strings", name);
      out += value.empty() && !name.empty() ? text.substr(i, close - i + 1) : value;
      i = close;
    }
    return out;
  }

  static std::string Unquote(const std::string& s) {
    return s.size() >= 2 && s.front() == '"' && s.back() == '"' ? s.substr(1, s.size() - 2) : s;
  }

  // The comma-separated fields of a line, trimmed and unquoted; commas in
  // quotes belong to the field.
  static std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (char c : line) {
      if (c == '"') quoted = !quoted;
      if (c == ',' && !quoted) {
        fields.push_back(Unquote(Trim(field)));
        field.clear();
      } else {
        field.push_back(c);
      }
    }
    fields.push_back(Unquote(Trim(field)));
    return fields;
  }

 private:
  static std::string StripComment(const std::string& line) {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '"') quoted = !quoted;
      if (line[i] == ';' && !quoted) return line.substr(0, i);
    }
    return line;
  }

  std::vector<std::pair<std::string, std::vector<std::string>>> sections_;
};

// The sections a [DefaultInstall] directive names (comma-separated).
std::vector<std::string> NamedSections(const InfFile& inf, const std::string& directive) {
  std::vector<std::string> names;
  for (const std::string& name : InfFile::Fields(inf.Value("DefaultInstall", directive))) {
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

bool ApplyUpdateInis(const InfFile& inf, const std::string& section, const std::string& windows) {
  const std::vector<std::string>* lines = inf.Section(section);
  if (!lines) return false;
  for (const std::string& line : *lines) {
    const std::vector<std::string> f = InfFile::Fields(line);
    if (f.size() < 4 || f[0].empty() || f[1].empty() || f[0].find('/') != std::string::npos) return false;
    const std::string entry = inf.Substitute(f[3]);
    if (entry.empty()) continue;  // only removals of old entries: none to add
    const size_t equals = entry.find('=');
    if (equals == std::string::npos) return false;
    if (!WriteProfileEntry(windows + "/" + f[0], f[1], Trim(entry.substr(0, equals)), Trim(entry.substr(equals + 1)))) {
      return false;
    }
  }
  return true;
}

bool ApplyAddReg(const InfFile& inf, const std::string& section, const std::string& windows) {
  const std::vector<std::string>* lines = inf.Section(section);
  if (!lines) return false;
  static const char* kRoots[] = {"HKLM", "HKCU", "HKCR", "HKU", "HKR"};
  for (const std::string& line : *lines) {
    const std::vector<std::string> f = InfFile::Fields(line);
    if (f.size() < 2) return false;
    bool knownRoot = false;
    for (const char* root : kRoots) knownRoot = knownRoot || Same(f[0], root);
    if (!knownRoot) return false;
    const std::string key = f[0] + "\\" + f[1];
    const std::string name = f.size() > 2 && !f[2].empty() ? f[2] : std::string("@");
    const std::string value = f.size() > 4 ? inf.Substitute(f[4]) : std::string();
    if (!WriteProfileEntry(windows + "/" + kRegistryFileName, key, name, value)) return false;
  }
  return true;
}

}  // namespace

bool WriteProfileEntry(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& value) {
  std::vector<std::string> lines;
  {
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
  }
  const std::string entry = key + "=" + value;
  bool inSection = false;
  size_t sectionEnd = std::string::npos;
  bool written = false;
  for (size_t i = 0; i < lines.size() && !written; ++i) {
    const std::string t = Trim(lines[i]);
    if (!t.empty() && t.front() == '[') {
      if (inSection) break;
      const size_t close = t.find(']');
      inSection = close != std::string::npos && Same(Trim(t.substr(1, close - 1)), section);
      if (inSection) sectionEnd = i + 1;
      continue;
    }
    if (!inSection) continue;
    if (!t.empty()) sectionEnd = i + 1;
    const size_t equals = t.find('=');
    if (equals != std::string::npos && Same(Trim(t.substr(0, equals)), key)) {
      lines[i] = entry;
      written = true;
    }
  }
  if (!written) {
    if (sectionEnd == std::string::npos) {
      lines.push_back("[" + section + "]");
      lines.push_back(entry);
    } else {
      lines.insert(lines.begin() + static_cast<long>(sectionEnd), entry);
    }
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return WriteFileAtomically(path, {std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size())});
}

int InstallMjpegInf(const std::string& infPath) {
  InfFile inf;
  if (!inf.Load(infPath)) return kInfCannotOpen;
  const std::string signature = inf.Value("Version", "Signature");
  if (!Same(signature, "$CHICAGO$") && !Same(signature, "$Windows NT$") && !Same(signature, "$Windows 95$")) {
    return kInfCannotOpen;
  }
  // The file part of [DefaultInstall]: the driver is already in place, so
  // there is nothing to copy, but the section must be there.
  if (!inf.Section("DefaultInstall")) return kInfFileSectionFailed;
  if (!inf.Value("DefaultInstall", "CopyFiles").empty()) return kInfFileQueueFailed;

  const std::string windows = WindowsDirectory();
  for (const std::string& section : NamedSections(inf, "UpdateInis")) {
    if (!ApplyUpdateInis(inf, section, windows)) return kInfIniOrRegistryFailed;
  }
  for (const std::string& section : NamedSections(inf, "AddReg")) {
    if (!ApplyAddReg(inf, section, windows)) return kInfIniOrRegistryFailed;
  }
  return kInfInstalled;
}

}  // namespace bv
