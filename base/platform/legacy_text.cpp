#include "base/platform/legacy_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace bv {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<uint8_t>(c) >= 0x80) return false;
  }
  return true;
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<uint8_t>(text[i]);
    int extra = 0;
    uint32_t minimum = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      minimum = 0x10000;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    uint32_t code = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::mutex& CodePageMutex() {
  static std::mutex mutex;
  return mutex;
}

std::string& ChosenCodePage() {
  static std::string chosen;
  return chosen;
}

bool Known(const std::string& name) {
  iconv_t probe = iconv_open("UTF-8", name.c_str());
  if (probe == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(probe);
  return true;
}

// One converter per thread, reopened when the code page changes.
class CConverter {
 public:
  ~CConverter() { Close(); }
  iconv_t For(const std::string& codePage) {
    if (handle_ != reinterpret_cast<iconv_t>(-1) && codePage == codePage_) {
      iconv(handle_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
      return handle_;
    }
    Close();
    handle_ = iconv_open("UTF-8", codePage.c_str());
    codePage_ = codePage;
    return handle_;
  }

 private:
  void Close() {
    if (handle_ != reinterpret_cast<iconv_t>(-1)) iconv_close(handle_);
    handle_ = reinterpret_cast<iconv_t>(-1);
  }
  iconv_t handle_ = reinterpret_cast<iconv_t>(-1);
  std::string codePage_;
};

// Latin-1: every byte is a character, so this never fails.
std::string FromLatin1(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char ch : text) {
    const auto c = static_cast<uint8_t>(ch);
    if (c < 0x80) {
      out.push_back(ch);
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace

bool SetLegacyCodePage(const std::string& name) {
  if (name.empty() || !Known(name)) return false;
  std::lock_guard lock(CodePageMutex());
  ChosenCodePage() = name;
  return true;
}

std::string LegacyCodePage() {
  {
    std::lock_guard lock(CodePageMutex());
    if (!ChosenCodePage().empty()) return ChosenCodePage();
  }
  // Read once: texts are converted for every frame shown.
  static const std::string fromEnvironment = [] {
    const char* variable = std::getenv(kCodePageVariable);
    return std::string(variable && *variable && Known(variable) ? variable : kDefaultLegacyCodePage);
  }();
  return fromEnvironment;
}

std::string LegacyTextToUtf8(std::string_view text) {
  if (IsAscii(text) || IsValidUtf8(text)) return std::string(text);
  thread_local CConverter converter;
  iconv_t cd = converter.For(LegacyCodePage());
  if (cd == reinterpret_cast<iconv_t>(-1)) return FromLatin1(text);

  std::string out;
  out.resize(text.size() * 4 + 8);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* to = out.data();
  size_t toLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &to, &toLeft) != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      // Cannot happen with 4 bytes per input byte, but keep what came out.
      const size_t used = out.size() - toLeft;
      out.resize(out.size() * 2);
      to = out.data() + used;
      toLeft = out.size() - used;
      continue;
    }
    // A byte the code page has no character for (EILSEQ), or a character
    // cut off at the end (EINVAL): a replacement character, then on.
    const size_t used = out.size() - toLeft;
    if (toLeft < sizeof kReplacement) out.resize(out.size() + 16);
    to = out.data() + used;
    toLeft = out.size() - used;
    std::memcpy(to, kReplacement, sizeof kReplacement - 1);
    to += sizeof kReplacement - 1;
    toLeft -= sizeof kReplacement - 1;
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(out.size() - toLeft);
  return out;
}

}  // namespace bv
