#pragma once
// The trailer a recorder appends to the BMP and JPEG stills it writes: the
// last 369 bytes of the file, marked by "DVR" and a zero byte at the very
// end.
//
//   offset  width  field
//        0      1  camera index, 0-based
//        1    128  camera name, zero-terminated
//      129     16  recording time (SYSTEMTIME)
//      145     16  not used
//      161    202  information text, zero-terminated
//      363      2  not used
//      365      4  "DVR" and a zero byte
#include <cstdint>
#include <string>

#include "base/platform/data_file.h"
#include "base/platform/platform_types.h"

namespace bv {

struct RecorderTrailer {
  static constexpr uint32_t kSize = 369;
  static constexpr uint32_t kDataSize = 363;
  static constexpr uint32_t kNameOffset = 1;
  static constexpr uint32_t kNameWidth = 128;
  static constexpr uint32_t kTimeOffset = 129;
  static constexpr uint32_t kInformationOffset = 161;
  static constexpr uint32_t kInformationWidth = 202;

  uint8_t cameraIndex = 0;
  std::string cameraName;
  SYSTEMTIME time;
  std::string information;

  // The 363 data bytes; texts end at their first zero byte or their width.
  static RecorderTrailer FromBytes(const uint8_t* data);
  void ToBytes(uint8_t* data) const;
};

// Reads the trailer of an open still file. False (and out reset) when the
// file has none: shorter than the trailer, or not ending in "DVR" and a zero
// byte.
bool ReadRecorderTrailer(const CDataFile& file, RecorderTrailer* out);

// The trailer as a recorder appends it, all 369 bytes.
std::string RecorderTrailerBytes(const RecorderTrailer& trailer);

}  // namespace bv
