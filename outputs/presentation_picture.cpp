#include "outputs/presentation_picture.h"

#include <QPainter>

#include "export/frame_texts_painter.h"
#include "export/legacy_qstring.h"
#include "export/snapshot_file.h"

namespace bv {

QSize CPresentationPicture::VideoSizeFor(int width, int height) {
  const int rows = IsSingleField(width, height) ? 2 * height : height;
  return QSize((width + 1) & ~1, (rows + 1) & ~1);
}

CPresentationPicture::CPresentationPicture(QSize size, PresentationItems items)
    : items_(items),
      image_(size, QImage::Format_RGB32),
      rows_(static_cast<size_t>(kMaxSnapshotWidth) * kMaxSnapshotHeight * 3) {
  image_.fill(Qt::black);
}

void CPresentationPicture::ComposeBlack() { image_.fill(Qt::black); }

bool CPresentationPicture::Compose(const ShownFrame& shown) {
  const VideoFrame* frame = shown.picture;
  if (!frame || frame->layout != PixelLayout::kBgr24BottomUp) return false;
  const int rows = BuildSnapshotRows(frame->pixels, frame->width, frame->height, rows_.data(), rows_.size());
  if (rows == 0) return false;
  const QImage picture(rows_.data(), frame->width, rows, frame->width * 3, QImage::Format_BGR888);

  FrameOverlayState state;
  state.texts = shown.texts;
  state.shown[0] = items_.camera;
  state.shown[1] = items_.size;
  state.shown[2] = items_.dateTime;
  state.shown[3] = 0;  // no command shows the picture dimensions
  if (items_.event) {
    state.SetEvent(shown.event.kind, shown.event.text, shown.event.machineNumber, shown.event.colour,
                   shown.event.label);
  }

  QPainter painter(&image_);
  const QRect area(QPoint(0, 0), image_.size());
  // The picture fills the whole area, its aspect ratio not kept.
  if (picture.size() == image_.size()) {
    painter.drawImage(QPoint(0, 0), picture);
  } else {
    painter.drawImage(area, picture);
  }
  PaintFrameTexts(painter, area, state, CaptionPlacement::kDibWindow);
  return true;
}

}  // namespace bv
