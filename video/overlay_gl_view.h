#pragma once
// The OpenGL side of the overlay window: the YUV textures, the work and
// composition framebuffers and the shaders, used only on the GUI thread. It
// is a native window of its own inside the overlay widget, so the dialog
// around it keeps drawing without OpenGL, as the video surface and the
// dialog's controls were separate before.
#include <QOpenGLFunctions>
#include <QOpenGLWindow>
#include <memory>

class QOpenGLFramebufferObject;
class QOpenGLShaderProgram;
class QOpenGLTexture;

namespace bv {

class COverlayVideoWnd;

class COverlayGlView : public QOpenGLWindow, protected QOpenGLFunctions {
 public:
  explicit COverlayGlView(COverlayVideoWnd& owner);
  ~COverlayGlView() override;

  // Creates what does not exist yet; the result codes of CreateSurfaces.
  uint32_t CreateResources();
  void ReleaseResources();
  // Draws and shows the current picture now (nothing while not exposed).
  void Render();

 protected:
  void initializeGL() override;
  void paintGL() override;
  void resizeGL(int, int) override {}
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void DrawQuad(QOpenGLShaderProgram& program, float x0, float y0, float x1, float y1, float u0, float v0, float u1,
                float v1);
  void ConvertToWork(int format, int width, int height, int displayWidth, int displayHeight);
  void CopyWorkToComposition(int displayWidth, int displayHeight);
  void DrawTexts(int displayWidth, int displayHeight);
  void Present(int displayWidth, int displayHeight);
  // The work and composition framebuffers, at least width x height (the
  // parameters' size, or the screen's in the full-screen view).
  uint32_t MakeFramebuffers(int width, int height);

  COverlayVideoWnd& owner_;
  std::unique_ptr<QOpenGLShaderProgram> yuvProgram_;
  std::unique_ptr<QOpenGLShaderProgram> copyProgram_;
  std::unique_ptr<QOpenGLTexture> yuv_[2];
  std::unique_ptr<QOpenGLFramebufferObject> work_;
  std::unique_ptr<QOpenGLFramebufferObject> composition_;
};

}  // namespace bv
