#include "export/snapshot_texts.h"

#include <QPainter>
#include <cstring>

#include "base/platform/string_printf.h"
#include "export/frame_texts_painter.h"

namespace bv {

SnapshotTexts SnapshotTextsOf(const INDEX_RECORD& record, bool camera, bool dateTime, bool size) {
  SnapshotTexts texts;
  if (camera) texts.camera = StringPrintf("Cam %d", record.camera + 1);
  if (dateTime) {
    texts.dateTime = StringPrintf("%02d-%02d-%04d, %02d:%02d:%02d", record.month, record.day, record.year,
                                  record.hour, record.minute, record.second);
  }
  if (size) texts.size = StringPrintf("%3.2f KB", record.size / 1024.0);
  return texts;
}

QImage ComposeSnapshotImage(const uint8_t* topDownRows, int width, int height, const SnapshotTexts& texts) {
  QImage image(width, height, QImage::Format_BGR888);
  if (image.isNull()) return image;
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  for (int y = 0; y < height; ++y) std::memcpy(image.scanLine(y), topDownRows + y * rowBytes, rowBytes);

  QPainter painter(&image);
  // The drawing surface's default font, as the screen's items use.
  painter.setFont(InfoItemFont());
  const int W = width;
  const int H = height;
  if (!texts.camera.empty()) DrawOutlinedText(painter, 10, H - 25, QString::fromStdString(texts.camera));
  if (!texts.dateTime.empty()) DrawOutlinedText(painter, W / 2 - 75, H - 43, QString::fromStdString(texts.dateTime));
  if (!texts.size.empty()) DrawOutlinedText(painter, W - 70, H - 25, QString::fromStdString(texts.size));
  return image;
}

SnapshotPicture SnapshotPictureOf(const QImage& image) {
  SnapshotPicture picture;
  picture.rows = image.constBits();
  picture.rowStride = static_cast<size_t>(image.bytesPerLine());
  picture.width = image.width();
  picture.height = image.height();
  return picture;
}

}  // namespace bv
