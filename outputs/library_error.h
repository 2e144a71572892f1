#pragma once
// The message of a failed libav* call: what was being done, and for a
// negative result code the library's own words for it.
#include <string>

extern "C" {
#include <libavutil/error.h>
}

namespace bv {

inline std::string LibraryFailure(const char* what, int code) {
  if (code >= 0) return what;
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return std::string(what) + ": " + text;
}

}  // namespace bv
