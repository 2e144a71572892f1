#include "export/snapshot_file.h"

#include <strings.h>

#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <vector>

#include "base/host/control_ids.h"
#include "base/platform/file_write.h"
#include "base/platform/platform_types.h"
#include "export/dib_picture.h"
#include "export/jpeg_file.h"

namespace bv {
namespace {

constexpr int kSnapshotJpegQuality = 100;

int WriteSnapshotBmp(const SnapshotPicture& picture, const std::string& fileName,
                     const PictureMessageSink& messages) {
  const size_t rowBytes = DibRowBytes(picture.width, 24);
  std::vector<uint8_t> bits;
  try {
    bits.assign(rowBytes * picture.height, 0);
  } catch (const std::bad_alloc&) {
    return 0;  // nothing is written when the bits cannot be had
  }
  for (int y = 0; y < picture.height; ++y) {
    std::memcpy(bits.data() + (picture.height - 1 - y) * rowBytes, picture.rows + y * picture.rowStride,
                static_cast<size_t>(picture.width) * 3);
  }
  const std::array<uint8_t, 54> headers = SnapshotBmpHeaders(picture.width, picture.height);
  if (WriteFileAtomically(fileName, {std::span<const uint8_t>(headers), std::span<const uint8_t>(bits)})) return 1;
  if (messages) messages(PictureMessage{kApplicationTitle, kSaveError, MessageIcon::kNone});
  return 0;
}

int WriteSnapshotJpeg(const SnapshotPicture& picture, const std::string& fileName,
                      const PictureMessageSink& messages) {
  // The writer takes packed R, G, B rows, top row first.
  const size_t rowBytes = static_cast<size_t>(picture.width) * 3;
  std::unique_ptr<uint8_t[]> rgb(new (std::nothrow) uint8_t[rowBytes * picture.height]);
  if (!rgb) return 0;
  for (int y = 0; y < picture.height; ++y) {
    const uint8_t* in = picture.rows + y * picture.rowStride;
    uint8_t* out = rgb.get() + y * rowBytes;
    SwapRedAndBlue(in, out, picture.width);
  }
  return WriteJpegFile(fileName, rgb.get(), picture.width, picture.height, 1, kSnapshotJpegQuality, messages);
}

}  // namespace

SnapshotFormat SnapshotFormatOfName(const std::string& fileName) {
  const char* ext = fileName.size() >= 4 ? fileName.c_str() + fileName.size() - 4 : "";
  if (strcasecmp(ext, ".bmp") == 0) return kSnapshotBmp;
  if (strcasecmp(ext, ".jpg") == 0) return kSnapshotJpeg;
  return kSnapshotNone;
}

int BuildSnapshotRows(const uint8_t* bottomUp, int width, int height, uint8_t* composition, size_t capacity) {
  if (!bottomUp || width <= 0 || height <= 0 || width > kMaxSnapshotWidth || height > kMaxSnapshotHeight) return 0;
  const bool field = IsSingleField(width, height);
  const int rows = field ? 2 * height : height;
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  if (rows > kMaxSnapshotHeight || rowBytes * rows > capacity) return 0;

  // Built in the source's order first (bottom-up), then turned over.
  if (field) {
    std::memset(composition, 0, rowBytes * rows);
    for (int k = 0; k < height; ++k) std::memcpy(composition + 2 * k * rowBytes, bottomUp + k * rowBytes, rowBytes);
    for (int k = 0; k + 1 < height; ++k) {
      const uint8_t* a = composition + 2 * k * rowBytes;
      const uint8_t* b = a + 2 * rowBytes;
      uint8_t* between = composition + (2 * k + 1) * rowBytes;
      for (size_t i = 0; i < rowBytes; ++i) between[i] = static_cast<uint8_t>((a[i] + b[i]) >> 1);
    }
    std::memcpy(composition + (rows - 1) * rowBytes, composition + (rows - 2) * rowBytes, rowBytes);
  } else {
    std::memcpy(composition, bottomUp, rowBytes * rows);
  }
  std::vector<uint8_t> spare(rowBytes);
  for (int top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
    std::memcpy(spare.data(), composition + top * rowBytes, rowBytes);
    std::memcpy(composition + top * rowBytes, composition + bottom * rowBytes, rowBytes);
    std::memcpy(composition + bottom * rowBytes, spare.data(), rowBytes);
  }
  return rows;
}

std::array<uint8_t, 54> SnapshotBmpHeaders(int width, int height) {
  const uint32_t imageBytes = static_cast<uint32_t>(DibRowBytes(width, 24) * static_cast<uint32_t>(height));
  BITMAPFILEHEADER file;
  file.bfType = 0x4D42;  // "BM"
  file.bfSize = BITMAPFILEHEADER::kSize + BITMAPINFOHEADER::kSize + imageBytes;
  file.bfOffBits = BITMAPFILEHEADER::kSize + BITMAPINFOHEADER::kSize;
  BITMAPINFOHEADER info;
  info.biSize = BITMAPINFOHEADER::kSize;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = 0;
  info.biSizeImage = imageBytes;
  std::array<uint8_t, 54> bytes{};
  file.ToBytes(bytes.data());
  info.ToBytes(bytes.data() + BITMAPFILEHEADER::kSize);
  return bytes;
}

int SaveSnapshot(const SnapshotPicture& picture, const std::string& fileName, int format,
                 const PictureMessageSink& messages) {
  if (fileName.empty() || !picture.rows || picture.width <= 0 || picture.height <= 0) return 0;
  if (format == kSnapshotBmp) return WriteSnapshotBmp(picture, fileName, messages);
  if (format == kSnapshotJpeg) return WriteSnapshotJpeg(picture, fileName, messages);
  return 0;
}

}  // namespace bv
