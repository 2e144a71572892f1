#include "tools/zrvtool/json_writer.h"

#include <cmath>
#include <cstdio>

namespace bv::tool {

std::string JsonQuote(std::string_view text) {
  std::string out = "\"";
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out.push_back(ch);
        }
    }
  }
  out += "\"";
  return out;
}

void JsonObject::Key(std::string_view key) {
  if (!body_.empty()) body_ += ",";
  body_ += JsonQuote(key);
  body_ += ":";
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view value) {
  Key(key);
  body_ += JsonQuote(value);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, int64_t value) {
  Key(key);
  body_ += std::to_string(value);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, uint64_t value) {
  Key(key);
  body_ += std::to_string(value);
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, bool value) {
  Key(key);
  body_ += value ? "true" : "false";
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, double value) {
  Key(key);
  if (!std::isfinite(value)) {
    body_ += "null";
    return *this;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  body_ += text;
  return *this;
}

JsonObject& JsonObject::Add(std::string_view key, const JsonObject& value) { return AddRaw(key, value.str()); }

JsonObject& JsonObject::AddRaw(std::string_view key, std::string_view json) {
  Key(key);
  body_ += json;
  return *this;
}

}  // namespace bv::tool
