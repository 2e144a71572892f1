#include "export/dib_image.h"

#include <cstdlib>

namespace bv {

size_t DibImageBytes(const BITMAPINFOHEADER& header) {
  const size_t stride = ((static_cast<size_t>(std::abs(header.biWidth)) * header.biBitCount + 31) / 32) * 4;
  return stride * static_cast<size_t>(std::abs(header.biHeight));
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
  const int width = header.biWidth;
  const int height = std::abs(header.biHeight);
  const qsizetype stride = static_cast<qsizetype>(((static_cast<size_t>(width) * header.biBitCount + 31) / 32) * 4);
  QImage image(pixels, width, height, stride, format);
  // Bottom-up rows (positive height) are mirrored when drawn.
  return header.biHeight > 0 ? image.mirrored(false, true) : image.copy();
}

}  // namespace bv
