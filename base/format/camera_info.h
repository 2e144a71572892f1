#pragma once
// CAMERA_INFO: the camera information block near the end of a backup, and
// the version and infoLen words that follow it in the file.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace bv {

#pragma pack(push, 1)
struct CAMERA_INFO {
  uint8_t number = 0;  // 0-based; shown as number + 1
  char name[144] = {};
  char location[128] = {};
  char organization[20] = {};
  char owner[50] = {};

  static constexpr int kSize = 343;
  static constexpr int kNameOffset = 1;
  static constexpr int kLocationOffset = 145;
  static constexpr int kOrganizationOffset = 273;
  static constexpr int kOwnerOffset = 293;
};
#pragma pack(pop)
static_assert(sizeof(CAMERA_INFO) == CAMERA_INFO::kSize);
static_assert(offsetof(CAMERA_INFO, location) == CAMERA_INFO::kLocationOffset);
static_assert(offsetof(CAMERA_INFO, owner) == CAMERA_INFO::kOwnerOffset);

// A fixed-width text field as a string: up to the first NUL, never past the
// field even when the file left no terminator in it.
template <size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

// Camera information as it sits in the file: the block, then version and
// infoLen (351 bytes together in the engine).
struct CameraInfoBlock {
  CAMERA_INFO info;
  uint32_t version = 0;
  uint32_t infoLen = 0;
};

}  // namespace bv
