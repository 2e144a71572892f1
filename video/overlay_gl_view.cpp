#include "video/overlay_gl_view.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLFramebufferObject>
#include <QOpenGLPaintDevice>
#include <QOpenGLShaderProgram>
#include <QOpenGLTexture>
#include <QPainter>

#include "video/overlay_video_wnd.h"

namespace bv {
namespace {

const char* kVertexShader = R"(
attribute vec2 position;
attribute vec2 texcoord;
varying vec2 v;
void main() {
  v = texcoord;
  gl_Position = vec4(position, 0.0, 1.0);
})";

// Packed 4:2:2 texels hold two pixels each; v is in picture pixels. BT.601
// with video levels (16..235 luma), as the decoders deliver YUV.
const char* kYuvShader = R"(
#ifdef GL_ES
precision highp float;
#endif
uniform sampler2D pairs;
uniform vec2 texelCount;
uniform int uyvy;
varying vec2 v;
void main() {
  float px = floor(v.x);
  float py = floor(v.y);
  vec4 t = texture2D(pairs, vec2((floor(px / 2.0) + 0.5) / texelCount.x, (py + 0.5) / texelCount.y));
  bool odd = mod(px, 2.0) >= 1.0;
  float y;
  float u;
  float w;
  if (uyvy == 1) {
    u = t.r;
    y = odd ? t.a : t.g;
    w = t.b;
  } else {
    y = odd ? t.b : t.r;
    u = t.g;
    w = t.a;
  }
  float l = 1.164383 * (y - 16.0 / 255.0);
  u -= 128.0 / 255.0;
  w -= 128.0 / 255.0;
  gl_FragColor = vec4(l + 1.596027 * w, l - 0.391762 * u - 0.812968 * w, l + 2.017232 * u, 1.0);
})";

const char* kCopyShader = R"(
#ifdef GL_ES
precision mediump float;
#endif
uniform sampler2D source;
varying vec2 v;
void main() { gl_FragColor = texture2D(source, v); })";

}  // namespace

COverlayGlView::COverlayGlView(COverlayVideoWnd& owner) : QOpenGLWindow(NoPartialUpdate), owner_(owner) {
  QSurfaceFormat format = requestedFormat();
  format.setSwapInterval(0);  // frames are paced by the playback thread
  setFormat(format);
}

void COverlayGlView::Render() {
  if (!isExposed() || !context()) {
    update();
    return;
  }
  makeCurrent();
  paintGL();
  context()->swapBuffers(this);
}

COverlayGlView::~COverlayGlView() {
  if (context()) {
    makeCurrent();
    yuvProgram_.reset();
    copyProgram_.reset();
    yuv_[0].reset();
    yuv_[1].reset();
    work_.reset();
    composition_.reset();
    doneCurrent();
  }
}

void COverlayGlView::initializeGL() {
  initializeOpenGLFunctions();
  owner_.CreateSurfaces();
}

uint32_t COverlayGlView::CreateResources() {
  makeCurrent();
  if (!yuvProgram_) {
    auto yuv = std::make_unique<QOpenGLShaderProgram>();
    auto copy = std::make_unique<QOpenGLShaderProgram>();
    const bool built = yuv->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader) &&
                       yuv->addShaderFromSourceCode(QOpenGLShader::Fragment, kYuvShader) && yuv->link() &&
                       copy->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader) &&
                       copy->addShaderFromSourceCode(QOpenGLShader::Fragment, kCopyShader) && copy->link();
    if (!built) {
      ReleaseResources();
      return 1;
    }
    yuvProgram_ = std::move(yuv);
    copyProgram_ = std::move(copy);
  }
  const OverlayParams& p = owner_.params_;
  if (const uint32_t made = MakeFramebuffers(static_cast<int>(p.workWidth), static_cast<int>(p.workHeight))) {
    return made;
  }
  for (auto& texture : yuv_) {
    if (texture) continue;
    auto made = std::make_unique<QOpenGLTexture>(QOpenGLTexture::Target2D);
    made->setSize(static_cast<int>(p.yuvWidth) / 2, static_cast<int>(p.yuvHeight));
    made->setFormat(QOpenGLTexture::RGBA8_UNorm);
    made->setMinMagFilters(QOpenGLTexture::Nearest, QOpenGLTexture::Nearest);
    made->setWrapMode(QOpenGLTexture::ClampToEdge);
    made->allocateStorage(QOpenGLTexture::RGBA, QOpenGLTexture::UInt8);
    if (!made->isStorageAllocated()) {
      ReleaseResources();
      return 5;
    }
    texture = std::move(made);
  }
  return 0;
}

uint32_t COverlayGlView::MakeFramebuffers(int width, int height) {
  if (work_ && (work_->width() < width || work_->height() < height)) {
    // Grown for a larger display, never shrunk.
    width = std::max(width, work_->width());
    height = std::max(height, work_->height());
    work_.reset();
    composition_.reset();
  }
  for (auto* fbo : {&work_, &composition_}) {
    if (*fbo) continue;
    auto made = std::make_unique<QOpenGLFramebufferObject>(width, height, QOpenGLFramebufferObject::NoAttachment,
                                                           GL_TEXTURE_2D, GL_RGBA8);
    if (!made->isValid()) {
      ReleaseResources();
      return 4;
    }
    made->bind();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    made->release();
    *fbo = std::move(made);
  }
  return 0;
}

void COverlayGlView::ReleaseResources() {
  if (!context()) return;
  makeCurrent();
  yuv_[0].reset();
  yuv_[1].reset();
  work_.reset();
  composition_.reset();
  yuvProgram_.reset();
  copyProgram_.reset();
}

void COverlayGlView::DrawQuad(QOpenGLShaderProgram& program, float x0, float y0, float x1, float y1, float u0,
                              float v0, float u1, float v1) {
  const GLfloat positions[] = {x0, y0, x1, y0, x0, y1, x1, y1};
  const GLfloat texcoords[] = {u0, v0, u1, v0, u0, v1, u1, v1};
  program.enableAttributeArray("position");
  program.enableAttributeArray("texcoord");
  program.setAttributeArray("position", GL_FLOAT, positions, 2);
  program.setAttributeArray("texcoord", GL_FLOAT, texcoords, 2);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  program.disableAttributeArray("position");
  program.disableAttributeArray("texcoord");
}

void COverlayGlView::ConvertToWork(int format, int width, int height, int displayWidth, int displayHeight) {
  auto& staging = owner_.staging_[format];
  QOpenGLTexture& texture = *yuv_[format];
  texture.bind();
  if (staging.fresh) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, (width + 1) / 2, height, GL_RGBA, GL_UNSIGNED_BYTE, staging.rows.data());
    staging.fresh = false;
  }
  work_->bind();
  glViewport(0, work_->height() - displayHeight, displayWidth, displayHeight);
  yuvProgram_->bind();
  yuvProgram_->setUniformValue("pairs", 0);
  yuvProgram_->setUniformValue("texelCount", QVector2D(texture.width(), texture.height()));
  yuvProgram_->setUniformValue("uyvy", format == 0 ? 1 : 0);
  // The top of the quad is picture row 0.
  DrawQuad(*yuvProgram_, -1, -1, 1, 1, 0, static_cast<float>(height), static_cast<float>(width), 0);
  yuvProgram_->release();
}

void COverlayGlView::CopyWorkToComposition(int displayWidth, int displayHeight) {
  // The zoom rectangle is in picture coordinates; the work surface holds the
  // picture scaled to the display, so it maps by the same scale.
  double left = 0;
  double top = 0;
  double right = displayWidth;
  double bottom = displayHeight;
  if (owner_.zoom_.IsZoomed() && owner_.lastWidth_ > 0 && owner_.lastHeight_ > 0) {
    const ZoomRect& z = owner_.zoom_.Rect();
    const double sx = static_cast<double>(displayWidth) / owner_.lastWidth_;
    const double sy = static_cast<double>(displayHeight) / owner_.lastHeight_;
    left = z.left * sx;
    right = z.right * sx;
    top = z.top * sy;
    bottom = z.bottom * sy;
  }
  const double W = work_->width();
  const double H = work_->height();
  composition_->bind();
  glViewport(0, composition_->height() - displayHeight, displayWidth, displayHeight);
  copyProgram_->bind();
  copyProgram_->setUniformValue("source", 0);
  glBindTexture(GL_TEXTURE_2D, work_->texture());
  const GLint filter = owner_.zoom_.IsZoomed() ? GL_LINEAR : GL_NEAREST;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  DrawQuad(*copyProgram_, -1, -1, 1, 1, static_cast<float>(left / W), static_cast<float>((H - bottom) / H),
           static_cast<float>(right / W), static_cast<float>((H - top) / H));
  copyProgram_->release();
}

void COverlayGlView::DrawTexts(int displayWidth, int displayHeight) {
  composition_->bind();
  QOpenGLPaintDevice device(composition_->size());
  QPainter painter(&device);
  PaintFrameTexts(painter, QRect(0, 0, displayWidth, displayHeight), owner_.overlay_, CaptionPlacement::kOverlayWindow);
  painter.end();
}

void COverlayGlView::Present(int displayWidth, int displayHeight) {
  glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
  const qreal ratio = devicePixelRatio();
  glViewport(0, 0, static_cast<GLsizei>(width() * ratio), static_cast<GLsizei>(height() * ratio));
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  if (displayWidth <= 0 || displayHeight <= 0) return;
  // Shown 1:1 at the window's top-left corner.
  glViewport(0, static_cast<GLint>(height() * ratio) - static_cast<GLint>(displayHeight * ratio),
             static_cast<GLsizei>(displayWidth * ratio), static_cast<GLsizei>(displayHeight * ratio));
  const double W = composition_->width();
  const double H = composition_->height();
  copyProgram_->bind();
  copyProgram_->setUniformValue("source", 0);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, composition_->texture());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glDisable(GL_BLEND);
  DrawQuad(*copyProgram_, -1, -1, 1, 1, 0, static_cast<float>((H - displayHeight) / H),
           static_cast<float>(displayWidth / W), 1.0f);
  copyProgram_->release();
}

void COverlayGlView::paintGL() {
  std::lock_guard lock(DisplayLock());
  if (!owner_.ready_ || !work_ || !composition_) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    return;
  }
  const int displayWidth = owner_.displayWidth_;
  const int displayHeight = owner_.displayHeight_;
  if (displayWidth > work_->width() || displayHeight > work_->height()) {
    if (MakeFramebuffers(displayWidth, displayHeight) != 0) {
      owner_.ready_ = false;
      return;
    }
  }
  glActiveTexture(GL_TEXTURE0);
  glDisable(GL_BLEND);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_DEPTH_TEST);
  if (owner_.noFrame_) {
    composition_->bind();
    glViewport(0, 0, composition_->width(), composition_->height());
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  } else {
    const int format = owner_.pixelFormat_;
    ConvertToWork(format, owner_.lastWidth_, owner_.lastHeight_, displayWidth, displayHeight);
    CopyWorkToComposition(displayWidth, displayHeight);
    DrawTexts(displayWidth, displayHeight);
    glActiveTexture(GL_TEXTURE0);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
  }
  Present(displayWidth, displayHeight);
}

void COverlayGlView::keyPressEvent(QKeyEvent* event) { QCoreApplication::sendEvent(&owner_, event); }
void COverlayGlView::keyReleaseEvent(QKeyEvent* event) { QCoreApplication::sendEvent(&owner_, event); }
void COverlayGlView::mousePressEvent(QMouseEvent* event) { QCoreApplication::sendEvent(&owner_, event); }
void COverlayGlView::mouseDoubleClickEvent(QMouseEvent* event) {
  // As a double-click on the overlay window (the full-screen view).
  QMouseEvent click(QEvent::MouseButtonDblClick, owner_.mapFromGlobal(event->globalPosition()), event->globalPosition(),
                    event->button(), event->buttons(), event->modifiers());
  QCoreApplication::sendEvent(&owner_, &click);
}

}  // namespace bv
