#include "export/dib_image.h"

#include <cstdlib>

#include "export/dib_picture.h"

namespace bv {

size_t DibImageBytes(const BITMAPINFOHEADER& header) {
  return DibRowBytes(std::abs(header.biWidth), header.biBitCount) * static_cast<size_t>(std::abs(header.biHeight));
}

QImage ImageOfRows(const uint8_t* pixels, int width, int height, size_t stride, QImage::Format format) {
  const QImage rows(pixels, width, std::abs(height), static_cast<qsizetype>(stride), format);
  return height > 0 ? rows.mirrored(false, true) : rows.copy();
}

QImage ImageOfDib(const uint8_t* pixels, const BITMAPINFOHEADER& header) {
  QImage::Format format = QImage::Format_Invalid;
  switch (header.biBitCount) {
    case 16:
      format = QImage::Format_RGB555;
      break;
    case 24:
      format = QImage::Format_BGR888;
      break;
    case 32:
      format = QImage::Format_RGB32;
      break;
    default:
      return QImage();
  }
  if (header.biWidth <= 0 || header.biHeight == 0 || !pixels) return QImage();
  return ImageOfRows(pixels, header.biWidth, header.biHeight, DibRowBytes(header.biWidth, header.biBitCount), format);
}

}  // namespace bv
