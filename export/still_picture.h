#pragma once
// The still picture the playback engine holds while it shows a BMP or JPEG
// file (engine modes 0 and 1).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/platform/platform_types.h"
#include "export/recorder_trailer.h"

namespace bv {

struct StillPicture {
  // The DIB header of the picture shown: a BMP file's own, or 24 bits with
  // rows padded to four bytes for a JPEG file.
  BITMAPINFOHEADER header{};
  // A JPEG still's rows (a BMP still's are in the engine's still buffer).
  // Replaced only when the next JPEG still has been read, so a refused file
  // never takes away the picture on screen.
  std::unique_ptr<uint8_t[]> jpegBits;
  size_t jpegBytes = 0;
  bool trailerPresent = false;
  RecorderTrailer trailer;
  std::string caption;
};

}  // namespace bv
