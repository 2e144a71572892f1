#include "export/recorder_trailer.h"

#include <algorithm>
#include <cstring>

namespace bv {
namespace {

constexpr uint8_t kMarker[4] = {'D', 'V', 'R', 0};

std::string TextField(const uint8_t* p, size_t width) {
  const char* text = reinterpret_cast<const char*>(p);
  return std::string(text, strnlen(text, width));
}

void PutTextField(uint8_t* p, size_t width, const std::string& text) {
  // Always zero-terminated within the field.
  std::memcpy(p, text.data(), std::min(text.size(), width - 1));
}

}  // namespace

RecorderTrailer RecorderTrailer::FromBytes(const uint8_t* data) {
  RecorderTrailer t;
  t.cameraIndex = data[0];
  t.cameraName = TextField(data + kNameOffset, kNameWidth);
  t.time = SYSTEMTIME::FromBytes(data + kTimeOffset);
  t.information = TextField(data + kInformationOffset, kInformationWidth);
  return t;
}

void RecorderTrailer::ToBytes(uint8_t* data) const {
  std::memset(data, 0, kDataSize);
  data[0] = cameraIndex;
  PutTextField(data + kNameOffset, kNameWidth, cameraName);
  time.ToBytes(data + kTimeOffset);
  PutTextField(data + kInformationOffset, kInformationWidth, information);
}

bool ReadRecorderTrailer(const CDataFile& file, RecorderTrailer* out) {
  *out = RecorderTrailer{};
  const uint64_t length = file.Length();
  uint8_t tail[6] = {};
  if (length < sizeof tail || !file.ReadExactAt(length - sizeof tail, tail, sizeof tail)) return false;
  if (std::memcmp(tail + 2, kMarker, sizeof kMarker) != 0) return false;
  // A marker at the end of a file too short to hold the rest is no trailer.
  if (length < RecorderTrailer::kSize) return false;
  uint8_t data[RecorderTrailer::kDataSize];
  if (!file.ReadExactAt(length - RecorderTrailer::kSize, data, sizeof data)) return false;
  *out = RecorderTrailer::FromBytes(data);
  return true;
}

std::string RecorderTrailerBytes(const RecorderTrailer& trailer) {
  uint8_t bytes[RecorderTrailer::kSize] = {};
  trailer.ToBytes(bytes);
  std::memcpy(bytes + RecorderTrailer::kSize - sizeof kMarker, kMarker, sizeof kMarker);
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

}  // namespace bv
