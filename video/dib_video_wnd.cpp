#include "video/dib_video_wnd.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <qdrawutil.h>
#include <cstdlib>

#include <libyuv/convert_argb.h>

#include "base/format/backup_constants.h"
#include "export/legacy_qstring.h"
#include "export/print_page.h"

namespace bv {

CDibVideoWnd::CDibVideoWnd(CGuiDispatcher& dispatcher, QWidget* parent)
    : QWidget(parent), dispatcher_(dispatcher) {
  setObjectName(QStringLiteral("1001"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
}

void CDibVideoWnd::SetEventInfo(uint8_t kind, const std::string& text, int32_t machineNumber, COLORREF colour,
                                const std::string& label) {
  std::lock_guard lock(mutex_);
  overlay_.SetEvent(kind, text, machineNumber, colour, label);
}

void CDibVideoWnd::ShowFrame(const VideoFrame& frame, const FrameTexts& texts) {
  if (frame.layout != PixelLayout::kBgr24BottomUp || !frame.pixels) return;
  if (frame.width <= 0 || frame.height <= 0 || frame.width > kMaxPictureWidth || frame.height > kMaxPictureHeight) {
    return;
  }
  {
    std::lock_guard incoming(incomingMutex_);
    // A lent frame waits for the paint that shows it (a newer frame makes it
    // one never converted); any other is converted now, outside the
    // window's lock.
    if (!frame.lent && !ConvertIncoming(frame.pixels, frame.width, frame.height)) return;
    std::lock_guard lock(mutex_);
    if (!frame.lent) frame_.swap(incoming_);
    lent_ = frame.lent ? frame.pixels : nullptr;
    lentWidth_ = frame.width;
    lentHeight_ = frame.height;
    header_ = frame.header;
    overlay_.SetTexts(texts);
    stored_ = Stored::kFrame;
    // Painted on the GUI thread: the playback thread goes on decoding
    // meanwhile, and frames arriving faster than the screen is painted are
    // shown as the newest one.
    composed_ = false;
  }
  dispatcher_.Post([this] { update(); });
}

bool CDibVideoWnd::ConvertIncoming(const uint8_t* pixels, int width, int height) {
  // A spare image still shared with a paint in progress is left to it.
  if (incoming_.size() != QSize(width, height) || !incoming_.isDetached()) {
    incoming_ = QImage(width, height, QImage::Format_RGB32);
  }
  if (incoming_.isNull()) return false;
  // Bottom-up B, G, R rows become top-down 0xffRRGGBB rows (libyuv's
  // "RGB24" and "ARGB" name these byte orders; a negative height reads the
  // rows from the last one up).
  libyuv::RGB24ToARGB(pixels, width * 3, incoming_.bits(), static_cast<int>(incoming_.bytesPerLine()), width,
                      -height);
  return true;
}

void CDibVideoWnd::TakeLentPicture(const uint8_t* pixels) {
  std::lock_guard incoming(incomingMutex_);
  const uint8_t* lent = nullptr;
  int width = 0;
  int height = 0;
  {
    std::lock_guard lock(mutex_);
    if (!lent_ || (pixels && lent_ != pixels)) return;
    lent = lent_;
    width = lentWidth_;
    height = lentHeight_;
  }
  // Nothing replaces lent_ meanwhile but a still or a cleared picture:
  // frames take incomingMutex_ first. Without an image for it (no memory)
  // the previous picture stays.
  const bool converted = ConvertIncoming(lent, width, height);
  std::lock_guard lock(mutex_);
  if (lent_ != lent) return;
  if (converted) frame_.swap(incoming_);
  lent_ = nullptr;
}

void CDibVideoWnd::ReleasePixels(const uint8_t* pixels) {
  if (pixels) TakeLentPicture(pixels);
}

void CDibVideoWnd::ShowStill(const uint8_t* pixels, const BITMAPINFOHEADER& header, const std::string& caption) {
  {
    std::lock_guard lock(mutex_);
    lent_ = nullptr;
    const size_t bytes = DibImageBytes(header);
    if (pixels && bytes > 0 && bytes <= kMaxStillBytes) {
      still_.assign(pixels, pixels + bytes);
      header_ = header;
      stillCaption_ = FromLegacy(caption);
      stored_ = Stored::kStill;
    } else {
      stored_ = Stored::kNothing;
    }
    ComposeLocked();
  }
  RequestRepaint();
}

void CDibVideoWnd::ClearPicture() {
  {
    std::lock_guard lock(mutex_);
    lent_ = nullptr;
    stored_ = Stored::kNothing;
    ComposeLocked();
  }
  RequestRepaint();
}

void CDibVideoWnd::SetInfoItems(uint8_t cameraTitle, uint8_t frameSize, uint8_t dateTime, uint8_t dimensions) {
  TakeLentPicture();
  {
    std::lock_guard lock(mutex_);
    const uint8_t values[4] = {cameraTitle, frameSize, dateTime, dimensions};
    for (int i = 0; i < 4; ++i) {
      if (values[i] != kInfoItemUnchanged) overlay_.shown[i] = values[i];
    }
    ComposeLocked();
  }
  RequestRepaint();
}

void CDibVideoWnd::RequestRepaint() {
  dispatcher_.Post([this] { repaint(); });
}

void CDibVideoWnd::ComposeLocked() {
  composed_ = true;
  const int w = clientWidth_;
  const int h = clientHeight_;
  if (w <= 0 || h <= 0) {
    back_ = QImage();
    return;
  }
  if (back_.size() != QSize(w, h)) back_ = QImage(w, h, QImage::Format_RGB32);
  if (stored_ != Stored::kFrame) back_.fill(Qt::black);  // a frame covers it all
  QPainter painter(&back_);
  const QRect area(0, 0, w, h);
  if (stored_ == Stored::kFrame) PaintFrame(painter, area, frame_, overlay_);
  if (stored_ == Stored::kStill) ComposeStillLocked(painter, area);
}

// The picture fills the whole area, its aspect ratio not kept.
void CDibVideoWnd::PaintFrame(QPainter& painter, const QRect& area, const QImage& picture,
                              const FrameOverlayState& overlay) {
  if (!picture.isNull()) painter.drawImage(area, picture);
  painter.save();
  painter.setClipRect(area, Qt::IntersectClip);
  painter.translate(area.topLeft());
  PaintFrameTexts(painter, QRect(QPoint(0, 0), area.size()), overlay, CaptionPlacement::kDibWindow);
  painter.restore();
}

void CDibVideoWnd::ComposeStillLocked(QPainter& painter, const QRect& area) {
  const QImage picture = ImageOfDib(still_.data(), header_);
  if (!picture.isNull()) painter.drawImage(area, picture);
  if (stillCaption_.isEmpty()) return;
  painter.setFont(InfoItemFont());
  const QFontMetrics metrics(painter.fontMetrics());
  const int cx = metrics.horizontalAdvance(stillCaption_);
  const int cy = metrics.height();
  // A caption wider than the window wraps to a large unsigned position and
  // is not seen, as the 16-bit coordinates of the original drawing did.
  const int x = static_cast<uint16_t>(area.width() - cx - 14);
  const int y = static_cast<uint16_t>(area.height() - cy - 10);
  DrawOutlinedText(painter, x, y, stillCaption_);
}

void CDibVideoWnd::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect client = ClientRect();
  if (clientEdge_) qDrawWinPanel(&painter, rect(), palette(), true);
  TakeLentPicture();
  QImage shown;
  FrameOverlayState overlay;
  bool frame = false;
  {
    std::lock_guard lock(mutex_);
    // Shared, not copied: drawn without holding the lock, so a frame
    // arriving meanwhile need not wait (it is converted into another image).
    frame = stored_ == Stored::kFrame;
    if (frame) {
      shown = frame_;
      overlay = overlay_;
    } else {
      if (!composed_ || back_.size() != client.size()) ComposeLocked();
      shown = back_;
    }
  }
  if (frame) {
    PaintFrame(painter, client, shown, overlay);
  } else if (shown.isNull()) {
    painter.fillRect(client, Qt::black);
  } else {
    painter.drawImage(client.topLeft(), shown);
  }
}

void CDibVideoWnd::SetClientEdge(bool edge) {
  if (clientEdge_ == edge) return;
  clientEdge_ = edge;
  const QRect client = ClientRect();
  clientWidth_ = client.width();
  clientHeight_ = client.height();
  update();
}

QRect CDibVideoWnd::ClientRect() const {
  constexpr int kEdge = 2;
  return clientEdge_ ? rect().adjusted(kEdge, kEdge, -kEdge, -kEdge) : rect();
}

void CDibVideoWnd::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QRect client = ClientRect();
  clientWidth_ = std::max(0, client.width());
  clientHeight_ = std::max(0, client.height());
}

void CDibVideoWnd::mouseDoubleClickEvent(QMouseEvent* event) {
  // Left to the window around it (the full-screen view).
  event->ignore();
}

int CDibVideoWnd::PrintPicture(const uint8_t* bits, uint32_t, const BITMAPINFOHEADER&, const std::string& caption) {
  BITMAPINFOHEADER drawn;
  {
    std::lock_guard lock(mutex_);
    drawn = header_;
  }
  // As uncompressed rows of width * 3 bytes; the engine's buffers hold no
  // more than 704 x 576 pixels.
  drawn.biCompression = 0;
  const QImage picture = PrintImageOfBits(bits, drawn, kPictureBufferSize);
  return PrintPictureOnPage(printSupport_, picture, FromLegacy(caption), this);
}

QImage CDibVideoWnd::ComposedPicture() {
  TakeLentPicture();
  std::lock_guard lock(mutex_);
  if (!composed_) ComposeLocked();
  return back_.copy();
}

BITMAPINFOHEADER CDibVideoWnd::PictureHeader() const {
  std::lock_guard lock(mutex_);
  return header_;
}

std::vector<uint8_t> CDibVideoWnd::InfoItems() const {
  std::lock_guard lock(mutex_);
  return std::vector<uint8_t>(overlay_.shown, overlay_.shown + 4);
}

}  // namespace bv
