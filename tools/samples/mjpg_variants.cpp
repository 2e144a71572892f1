#include "tools/samples/mjpg_variants.h"

#include <algorithm>

#include "base/platform/platform_types.h"
#include "tools/samples/mjpg_encode.h"

namespace bv::samples {

RgbPicture FieldOf(const RgbPicture& picture, int firstRow) {
  RgbPicture field(picture.width, (picture.height - firstRow + 1) / 2);
  for (int y = 0; y < field.height; ++y) {
    std::copy_n(picture.Row(firstRow + 2 * y), picture.width * 3, field.Row(y));
  }
  return field;
}

std::vector<uint8_t> EncodeInterlacedJpeg(const RgbPicture& picture, int quality) {
  std::vector<uint8_t> frame = EncodeJpeg(FieldOf(picture, 0), quality);
  const std::vector<uint8_t> second = EncodeJpeg(FieldOf(picture, 1), quality);
  frame.insert(frame.end(), second.begin(), second.end());
  return frame;
}

std::vector<uint8_t> WithoutHuffmanTables(const std::vector<uint8_t>& jpeg) {
  std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + std::min<size_t>(2, jpeg.size()));
  size_t pos = 2;
  // Marker segments up to the start of scan; the entropy-coded data after
  // it is copied whole.
  while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF) {
    const uint8_t marker = jpeg[pos + 1];
    const size_t length = static_cast<size_t>(jpeg[pos + 2] << 8 | jpeg[pos + 3]);
    if (marker == 0xDA) break;
    if (marker != 0xC4) out.insert(out.end(), jpeg.begin() + pos, jpeg.begin() + std::min(jpeg.size(), pos + 2 + length));
    pos += 2 + length;
  }
  if (pos < jpeg.size()) out.insert(out.end(), jpeg.begin() + pos, jpeg.end());
  return out;
}

std::vector<uint8_t> WrapMjpgPayload(const std::vector<uint8_t>& jpeg, int width, int height) {
  BITMAPINFOHEADER header;
  header.biSize = BITMAPINFOHEADER::kSize;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = kFourCC_MJPG;
  header.biSizeImage = static_cast<uint32_t>(jpeg.size());
  std::vector<uint8_t> payload(BITMAPINFOHEADER::kSize + jpeg.size());
  header.ToBytes(payload.data());
  std::copy(jpeg.begin(), jpeg.end(), payload.begin() + BITMAPINFOHEADER::kSize);
  return payload;
}

}  // namespace bv::samples
