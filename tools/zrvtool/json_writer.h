#pragma once
// Builds one JSON object at a time, keys in the order they are added.
#include <cstdint>
#include <string>
#include <string_view>

namespace bv::tool {

// A JSON string literal of UTF-8 text.
std::string JsonQuote(std::string_view text);

class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::string_view value);
  JsonObject& Add(std::string_view key, const char* value) { return Add(key, std::string_view(value)); }
  JsonObject& Add(std::string_view key, const std::string& value) { return Add(key, std::string_view(value)); }
  JsonObject& Add(std::string_view key, int64_t value);
  JsonObject& Add(std::string_view key, uint64_t value);
  JsonObject& Add(std::string_view key, int value) { return Add(key, static_cast<int64_t>(value)); }
  JsonObject& Add(std::string_view key, uint32_t value) { return Add(key, static_cast<uint64_t>(value)); }
  JsonObject& Add(std::string_view key, bool value);
  JsonObject& Add(std::string_view key, double value);
  JsonObject& Add(std::string_view key, const JsonObject& value);
  JsonObject& AddRaw(std::string_view key, std::string_view json);

  std::string str() const { return "{" + body_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string body_;
};

}  // namespace bv::tool
