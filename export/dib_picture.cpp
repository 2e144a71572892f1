#include "export/dib_picture.h"

#include <cstring>
#include <new>

namespace bv {

uint64_t BmpBitsOffset(const BITMAPFILEHEADER& file, const BITMAPINFOHEADER& info) {
  if (info.biSize > BITMAPINFOHEADER::kSize && file.bfOffBits >= BITMAPFILEHEADER::kSize + info.biSize) {
    return file.bfOffBits;
  }
  return kBmpBitsOffset;
}

bool BmpStillHeaderAcceptable(const BITMAPINFOHEADER& header, uint64_t fileLength, uint64_t bufferBytes,
                              uint64_t bitsOffset) {
  const int bits = header.biBitCount;
  if (bits != 16 && bits != 24 && bits != 32) return false;
  if (header.biWidth <= 0 || header.biHeight == 0) return false;
  const uint64_t height = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
  const uint64_t rowBytes = DibRowBytes(header.biWidth, bits);
  // Rows that do not fit the buffer would be drawn from past its end.
  if (rowBytes * height > bufferBytes) return false;
  const uint64_t imageBytes = header.biSizeImage == 0 ? rowBytes * height : header.biSizeImage;
  if (imageBytes > bufferBytes) return false;
  // Fewer bits than rows would draw rows the file does not hold; 0 means
  // the size is not given: the rows the header describes.
  if (imageBytes < rowBytes * height) return false;
  return fileLength >= bitsOffset && fileLength - bitsOffset >= imageBytes;
}

uint32_t BmpStillImageBytes(const BITMAPINFOHEADER& header) {
  if (header.biSizeImage != 0) return header.biSizeImage;
  const uint64_t height = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
  return static_cast<uint32_t>(DibRowBytes(header.biWidth, header.biBitCount) * height);
}

void SwapRedAndBlue(const uint8_t* in, uint8_t* out, int width) {
  for (int x = 0; x < width; ++x) {
    const uint8_t first = in[3 * x];
    out[3 * x + 1] = in[3 * x + 1];
    out[3 * x] = in[3 * x + 2];
    out[3 * x + 2] = first;
  }
}

std::unique_ptr<uint8_t[]> RgbTopDownToDib(const uint8_t* rgb, int width, int height, BITMAPINFOHEADER* header,
                                           size_t* bytes) {
  const size_t rowBytes = DibRowBytes(width, 24);
  const size_t total = rowBytes * static_cast<size_t>(height);
  std::unique_ptr<uint8_t[]> dib(new (std::nothrow) uint8_t[total]());
  if (!dib) return nullptr;
  for (int y = 0; y < height; ++y) {
    const uint8_t* in = rgb + static_cast<size_t>(y) * width * 3;
    uint8_t* out = dib.get() + static_cast<size_t>(height - 1 - y) * rowBytes;
    SwapRedAndBlue(in, out, width);
  }
  *header = BITMAPINFOHEADER{};
  header->biSize = BITMAPINFOHEADER::kSize;
  header->biWidth = width;
  header->biHeight = height;
  header->biPlanes = 1;
  header->biBitCount = 24;
  header->biCompression = 0;
  header->biSizeImage = static_cast<uint32_t>(total);
  *bytes = total;
  return dib;
}

}  // namespace bv
