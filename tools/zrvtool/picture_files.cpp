#include "tools/zrvtool/picture_files.h"

#include <strings.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <vector>

#include "base/platform/file_write.h"
#include "base/platform/le_bytes.h"
#include "base/platform/platform_types.h"
#include "export/dib_picture.h"
#include "export/snapshot_file.h"

namespace bv::tool {
namespace {

// Row y, counted from the top, of a bottom-up B, G, R picture as R, G, B.
void RgbRow(const uint8_t* bgrBottomUp, int width, int height, int y, uint8_t* rgb) {
  SwapRedAndBlue(bgrBottomUp + static_cast<size_t>(height - 1 - y) * width * 3, rgb, width);
}

std::vector<uint8_t> BmpBytes(const uint8_t* pixels, int width, int height) {
  const std::array<uint8_t, 54> headers = SnapshotBmpHeaders(width, height);
  const size_t rowBytes = DibRowBytes(width, 24);
  std::vector<uint8_t> bytes(headers.size() + rowBytes * height, 0);
  std::copy(headers.begin(), headers.end(), bytes.begin());
  for (int row = 0; row < height; ++row) {
    std::copy_n(pixels + static_cast<size_t>(row) * width * 3, width * 3,
                bytes.begin() + headers.size() + row * rowBytes);
  }
  return bytes;
}

std::vector<uint8_t> PpmBytes(const uint8_t* pixels, int width, int height) {
  const std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  std::vector<uint8_t> bytes(header.begin(), header.end());
  bytes.resize(header.size() + static_cast<size_t>(width) * height * 3);
  uint8_t* out = bytes.data() + header.size();
  for (int y = 0; y < height; ++y, out += static_cast<size_t>(width) * 3) RgbRow(pixels, width, height, y, out);
  return bytes;
}

void AppendU32BE(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

void AppendChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  AppendU32BE(png, static_cast<uint32_t>(data.size()));
  const size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  AppendU32BE(png, static_cast<uint32_t>(crc32(0, png.data() + start, static_cast<uInt>(png.size() - start))));
}

std::vector<uint8_t> PngBytes(const uint8_t* pixels, int width, int height) {
  // Each row: filter type 0, then R, G, B per pixel.
  std::vector<uint8_t> raw;
  raw.reserve((static_cast<size_t>(width) * 3 + 1) * height);
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    const size_t start = raw.size();
    raw.resize(start + static_cast<size_t>(width) * 3);
    RgbRow(pixels, width, height, y, raw.data() + start);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) return {};
  packed.resize(packedSize);

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  AppendU32BE(header, static_cast<uint32_t>(width));
  AppendU32BE(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits per sample, RGB, deflate, no filter choice, no interlace
  AppendChunk(png, "IHDR", header);
  AppendChunk(png, "IDAT", packed);
  AppendChunk(png, "IEND", {});
  return png;
}

}  // namespace

PictureFileType PictureFileTypeOf(const std::string& path) {
  const char* ext = path.size() >= 4 ? path.c_str() + path.size() - 4 : "";
  if (strcasecmp(ext, ".bmp") == 0) return PictureFileType::kBmp;
  if (strcasecmp(ext, ".png") == 0) return PictureFileType::kPng;
  if (strcasecmp(ext, ".ppm") == 0) return PictureFileType::kPpm;
  return PictureFileType::kNone;
}

bool WritePictureFile(const std::string& path, const uint8_t* bgrBottomUp, int width, int height) {
  if (!bgrBottomUp || width <= 0 || height <= 0) return false;
  std::vector<uint8_t> bytes;
  switch (PictureFileTypeOf(path)) {
    case PictureFileType::kBmp:
      bytes = BmpBytes(bgrBottomUp, width, height);
      break;
    case PictureFileType::kPng:
      bytes = PngBytes(bgrBottomUp, width, height);
      break;
    case PictureFileType::kPpm:
      bytes = PpmBytes(bgrBottomUp, width, height);
      break;
    case PictureFileType::kNone:
      return false;
  }
  return !bytes.empty() && WriteFileAtomically(path, {bytes});
}

}  // namespace bv::tool
