#pragma once
// The picture a file manager shows for a backup: its first decodable
// picture (a Motion-JPEG frame, or a Wavelet or MPEG-4 frame from a key
// frame on), built as the snapshot builds it (a single field doubled),
// without texts, scaled to a given size on its long side, as a PNG file.
#include <cstdint>
#include <string>

#include "outputs/frame_walk.h"

namespace bv {

struct ThumbnailResult {
  bool ok = false;
  std::string error;
  uint32_t record = 0;  // whose picture it is
  int width = 0;        // of the PNG
  int height = 0;
};

// Records looked at for a picture before giving up.
constexpr uint32_t kThumbnailSearchRecords = 1000;

// size: pixels on the long side, 1..4096. The PNG replaces pngPath only
// when complete.
ThumbnailResult WriteBackupThumbnail(const BackupSource& source, const std::string& pngPath, int size);

}  // namespace bv
