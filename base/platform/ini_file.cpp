#include "base/platform/ini_file.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

#include "base/platform/data_file.h"

namespace bv {
namespace {

std::string Trim(const std::string& s) {
  size_t begin = 0;
  size_t end = s.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(s[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(s[end - 1]))) --end;
  return s.substr(begin, end - begin);
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// A value in double or single quotes loses them.
std::string Unquote(const std::string& value) {
  if (value.size() < 2 || value.front() != value.back()) return value;
  if (value.front() != '"' && value.front() != '\'') return value;
  return value.substr(1, value.size() - 2);
}

}  // namespace

std::optional<CIniFile> CIniFile::Load(const std::string& path) {
  CDataFile file;
  if (!file.Open(path)) return std::nullopt;
  std::string text(static_cast<size_t>(std::min<uint64_t>(file.Length(), kMaxFileBytes)), '\0');
  text.resize(file.ReadAt(0, text.data(), text.size()));
  return Parse(text);
}

CIniFile CIniFile::Parse(const std::string& text) {
  CIniFile ini;
  Section* current = nullptr;
  size_t pos = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;  // a UTF-8 byte order mark
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string raw = text.substr(pos, end - pos);
    pos = end + 1;
    std::replace(raw.begin(), raw.end(), '\0', ' ');
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      ini.sections_.push_back(Section{Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)), {}});
      current = &ini.sections_.back();
      continue;
    }
    if (!current) continue;  // lines before the first section belong to none
    Line entry;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      entry.key = line;
      entry.text = line;
    } else {
      entry.hasEquals = true;
      entry.key = Trim(line.substr(0, equals));
      entry.value = Unquote(Trim(line.substr(equals + 1)));
      // A section is returned as key=value lines, blanks around both gone.
      entry.text = entry.key + "=" + entry.value;
    }
    current->lines.push_back(std::move(entry));
  }
  return ini;
}

const CIniFile::Section* CIniFile::FindSection(const std::string& name) const {
  for (const Section& s : sections_) {
    if (SameName(s.name, name)) return &s;
  }
  return nullptr;
}

std::string CIniFile::GetString(const std::string& section, const std::string& key,
                                const std::string& defaultValue, size_t bufferSize) const {
  std::string value = defaultValue;
  if (const Section* s = FindSection(section)) {
    for (const Line& line : s->lines) {
      if (line.hasEquals && SameName(line.key, key)) {
        value = line.value;
        break;
      }
    }
  }
  if (bufferSize == 0) return std::string();
  if (value.size() > bufferSize - 1) value.resize(bufferSize - 1);
  return value;
}

uint32_t CIniFile::GetInt(const std::string& section, const std::string& key, uint32_t defaultValue) const {
  const Section* s = FindSection(section);
  if (!s) return defaultValue;
  for (const Line& line : s->lines) {
    if (!line.hasEquals || !SameName(line.key, key)) continue;
    // An empty value reads as a missing one; a leading sign is honoured and
    // a negative number comes back in two's complement, as the profile
    // function's unsigned result carries it.
    if (line.value.empty()) return defaultValue;
    size_t pos = 0;
    const bool negative = line.value[0] == '-';
    if (line.value[0] == '-' || line.value[0] == '+') pos = 1;
    uint32_t value = 0;
    for (; pos < line.value.size(); ++pos) {
      const char c = line.value[pos];
      if (c < '0' || c > '9') break;
      value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    return negative ? 0u - value : value;
  }
  return defaultValue;
}

std::vector<std::string> CIniFile::GetSection(const std::string& section, size_t bufferSize) const {
  std::vector<std::string> lines;
  const Section* s = FindSection(section);
  if (!s || bufferSize < 2) return lines;
  size_t room = bufferSize - 1;  // the final NUL
  for (const Line& line : s->lines) {
    if (room < 2) break;
    if (line.text.size() + 1 <= room) {
      lines.push_back(line.text);
      room -= line.text.size() + 1;
    } else {
      lines.push_back(line.text.substr(0, room - 1));
      break;
    }
  }
  return lines;
}

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, size_t bufferSize, const std::string& path) {
  const std::optional<CIniFile> ini = CIniFile::Load(path);
  if (!ini) return CIniFile().GetString(section, key, defaultValue, bufferSize);
  return ini->GetString(section, key, defaultValue, bufferSize);
}

uint32_t GetPrivateProfileInt(const std::string& section, const std::string& key, uint32_t defaultValue,
                              const std::string& path) {
  const std::optional<CIniFile> ini = CIniFile::Load(path);
  return ini ? ini->GetInt(section, key, defaultValue) : defaultValue;
}

std::vector<std::string> GetPrivateProfileSection(const std::string& section, size_t bufferSize,
                                                  const std::string& path) {
  const std::optional<CIniFile> ini = CIniFile::Load(path);
  return ini ? ini->GetSection(section, bufferSize) : std::vector<std::string>();
}

}  // namespace bv
