#include "video/overlay_video_wnd.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <qdrawutil.h>
#include <QScreen>
#include <QTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOffscreenSurface>
#include <QResizeEvent>
#include <cstring>

#include "base/format/backup_constants.h"
#include "video/overlay_gl_view.h"

namespace bv {
namespace {

// Whether this platform gives OpenGL contexts at all: without, no GL widget
// is made (some platforms fail inside Qt when asked for one).
bool OpenGlAvailable() {
  static const bool available = [] {
    // The offscreen and minimal platforms may make contexts (through a
    // display they find) yet cannot host an OpenGL widget.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return false;
    QOpenGLContext context;
    if (!context.create()) return false;
    QOffscreenSurface surface;
    surface.create();
    const bool current = context.makeCurrent(&surface);
    if (current) context.doneCurrent();
    return current;
  }();
  return available;
}

}  // namespace

std::mutex& DisplayLock() {
  static std::mutex lock;
  return lock;
}

COverlayVideoWnd::COverlayVideoWnd(CGuiDispatcher& dispatcher, QWidget* parent)
    : QWidget(parent), dispatcher_(dispatcher) {
  setObjectName(QStringLiteral("Overlay Window"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  setAutoFillBackground(true);
  setFocusPolicy(Qt::NoFocus);
  for (Staging& s : staging_) s.rows.resize(static_cast<size_t>(kMaxPictureWidth) * kMaxPictureHeight * 2);
}

COverlayVideoWnd::~COverlayVideoWnd() { ReleaseSurfaces(); }

uint32_t COverlayVideoWnd::Create(const OverlayParams* params) {
  if (!params || params->size != sizeof(OverlayParams)) return 1;
  params_ = *params;
  QPalette background = palette();
  background.setColor(QPalette::Window, ColorFromColorRef(params_.background));
  setPalette(background);
  if (OpenGlAvailable() && !view_) {
    view_ = new COverlayGlView(*this);
    viewContainer_ = QWidget::createWindowContainer(view_, this);
    viewContainer_->setFocusPolicy(Qt::NoFocus);
    viewContainer_->setGeometry(rect());
    viewContainer_->show();
    lastResult_ = 0;  // the surfaces are made when the view first gets its context
  }
  return CreateSurfaces();
}

uint32_t COverlayVideoWnd::CreateSurfaces() {
  if (!view_) {
    ReleaseSurfaces();
    return lastResult_ = 1;
  }
  if (!view_->context()) return lastResult_;
  std::lock_guard lock(DisplayLock());
  lastResult_ = view_->CreateResources();
  ready_ = lastResult_ == 0;
  return lastResult_;
}

void COverlayVideoWnd::ReleaseSurfaces() {
  if (!ready_ || !view_) return;
  std::lock_guard lock(DisplayLock());
  view_->ReleaseResources();
  ready_ = false;
}

void COverlayVideoWnd::SetEventInfo(uint8_t kind, const std::string& text, int32_t machineNumber, COLORREF colour,
                                    const std::string& label) {
  std::lock_guard lock(DisplayLock());
  overlay_.SetEvent(kind, text, machineNumber, colour, label);
}

void COverlayVideoWnd::ShowFrame(const VideoFrame& frame, const FrameTexts& texts) {
  // Without surfaces (no OpenGL) the window stays empty.
  if (lastResult_ != 0 || !view_) return;
  if (frame.layout == PixelLayout::kBgr24BottomUp || !frame.pixels) return;
  if (frame.width <= 0 || frame.height <= 0 || frame.width > kMaxPictureWidth || frame.height > kMaxPictureHeight) {
    return;
  }
  {
    std::lock_guard lock(DisplayLock());
    noFrame_ = false;
    pixelFormat_ = frame.layout == PixelLayout::kUyvy ? 0 : 1;
    overlay_.SetTexts(texts);
    // The one copy the processor makes: rows of 2 x width bytes into the
    // surface's rows of whole pixel pairs.
    Staging& surface = staging_[pixelFormat_];
    const size_t sourceRow = static_cast<size_t>(frame.width) * 2;
    const size_t surfaceRow = static_cast<size_t>((frame.width + 1) / 2) * 4;
    for (int y = 0; y < frame.height; ++y) {
      uint8_t* row = surface.rows.data() + y * surfaceRow;
      std::memcpy(row, frame.pixels + y * sourceRow, sourceRow);
      if (surfaceRow > sourceRow) std::memset(row + sourceRow, 0, surfaceRow - sourceRow);
    }
    surface.fresh = true;
    lastWidth_ = frame.width;
    lastHeight_ = frame.height;
  }
  dispatcher_.Post([this] { RenderSoon(); });
}

void COverlayVideoWnd::RenderSoon() {
  // Drawn once the event loop is back, so the playback thread decodes the
  // next frame meanwhile, and at most once per refresh of the screen: frames
  // arriving faster than the screen can show them are presented as the
  // newest one.
  if (renderPending_) return;
  renderPending_ = true;
  const double refresh = screen() && screen()->refreshRate() > 1 ? screen()->refreshRate() : 60.0;
  const qint64 interval = static_cast<qint64>(1000.0 / refresh);
  const qint64 since = sinceRender_.isValid() ? sinceRender_.elapsed() : interval;
  QTimer::singleShot(static_cast<int>(std::max<qint64>(0, interval - since)), this, [this] {
    renderPending_ = false;
    sinceRender_.restart();
    if (view_) view_->Render();
  });
}

void COverlayVideoWnd::SetInfoItems(uint8_t cameraTitle, uint8_t frameSize, uint8_t dateTime, uint8_t dimensions) {
  {
    std::lock_guard lock(DisplayLock());
    const uint8_t values[4] = {cameraTitle, frameSize, dateTime, dimensions};
    for (int i = 0; i < 4; ++i) {
      if (values[i] != kInfoItemUnchanged) overlay_.shown[i] = values[i];
    }
  }
  if (noFrame_) {
    ShowBlack();
  } else {
    Redraw();
  }
}

void COverlayVideoWnd::Redraw() {
  if (!ready_) return;
  dispatcher_.Post([this] {
    if (view_) view_->Render();
  });
}

void COverlayVideoWnd::ShowBlack() {
  if (!ready_ && lastResult_ != 0) return;
  noFrame_ = true;
  dispatcher_.Post([this] {
    if (view_) view_->Render();
  });
}

// The GL view draws inside its own widget wherever that is on the screen,
// so the screen position the engine passes on needs no keeping.
void COverlayVideoWnd::SetScreenPos(int /*x*/, int /*y*/) {}

void COverlayVideoWnd::SetDisplaySize(int width, int height) {
  if (clientEdge_) {
    width -= 4;
    height -= 4;
  }
  // The work surfaces (876 x 656) are larger than any video area the
  // dialog allows; the full-screen view grows them to the screen. An odd
  // size is clamped to the larger of the two.
  const QSize screenSize = screen() ? screen()->size() : QSize();
  const int limitWidth = std::max(static_cast<int>(params_.workWidth), screenSize.width());
  const int limitHeight = std::max(static_cast<int>(params_.workHeight), screenSize.height());
  displayWidth_ = std::clamp(width, 0, limitWidth);
  displayHeight_ = std::clamp(height, 0, limitHeight);
}

void COverlayVideoWnd::SetClientEdge(bool edge) {
  if (clientEdge_ == edge) return;
  clientEdge_ = edge;
  if (viewContainer_) viewContainer_->setGeometry(clientEdge_ ? rect().adjusted(2, 2, -2, -2) : rect());
  update();
}

void COverlayVideoWnd::OnCommand(int command) {
  if (command == kCommandZoomIn) ZoomIn();
  if (command == kCommandZoomOut) ZoomOut();
}

void COverlayVideoWnd::ZoomIn() {
  if (zoom_.ZoomIn(lastWidth_, lastHeight_)) Redraw();
}

void COverlayVideoWnd::ZoomOut() {
  if (zoom_.ZoomOut(lastWidth_, lastHeight_)) Redraw();
}

std::vector<uint8_t> COverlayVideoWnd::InfoItems() const {
  std::lock_guard lock(DisplayLock());
  return std::vector<uint8_t>(overlay_.shown, overlay_.shown + 4);
}

QImage COverlayVideoWnd::GrabPicture() { return view_ ? view_->grabFramebuffer() : QImage(); }

void COverlayVideoWnd::keyPressEvent(QKeyEvent* event) {
  // Escape and Enter never reach the dialog from here, nor Alt combinations.
  const int key = event->key();
  if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter ||
      (event->modifiers() & Qt::AltModifier) || key == Qt::Key_Alt || key == Qt::Key_F10) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void COverlayVideoWnd::keyReleaseEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F4 || key == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QWidget::keyReleaseEvent(event);
}

void COverlayVideoWnd::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && parentWidget()) parentWidget()->setFocus();
  event->accept();
}

void COverlayVideoWnd::mouseDoubleClickEvent(QMouseEvent* event) {
  // Left to the window around it (the full-screen view).
  event->ignore();
}

void COverlayVideoWnd::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  if (clientEdge_) qDrawWinPanel(&painter, rect(), QApplication::palette(), true);
}

void COverlayVideoWnd::resizeEvent(QResizeEvent* event) {
  const QRect all(QPoint(0, 0), event->size());
  if (viewContainer_) viewContainer_->setGeometry(clientEdge_ ? all.adjusted(2, 2, -2, -2) : all);
  QWidget::resizeEvent(event);
  Redraw();
}

}  // namespace bv
