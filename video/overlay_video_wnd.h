#pragma once
// COverlayVideoWnd: the video area in overlay presentation. Decoders deliver
// packed 4:2:2 YUV (UYVY for MJPG, YUY2 for the others); the window copies
// the rows into a staging buffer for the surface of that pixel format, and
// the GPU converts the picture to RGB and scales it into a work surface of
// 876 x 656, copies the (possibly zoomed) display rectangle onto a
// composition surface, where the information texts and the event caption are
// drawn, and presents that. One process-wide display lock is held around
// every presentation and surface release. Where OpenGL cannot be had the
// surfaces fail and the window stays empty.
#include <QElapsedTimer>
#include <QWidget>
#include <array>
#include <atomic>
#include <mutex>
#include <vector>

#include "base/host/video_window.h"
#include "export/frame_texts_painter.h"
#include "video/gui_dispatcher.h"
#include "video/overlay_params.h"
#include "video/overlay_zoom.h"
#include "video/picture_printer.h"

namespace bv {

class COverlayGlView;

// The commands of the window's command interface.
constexpr int kCommandZoomIn = 52000;
constexpr int kCommandZoomOut = 52001;

class COverlayVideoWnd : public QWidget, public IVideoWindow {
 public:
  COverlayVideoWnd(CGuiDispatcher& dispatcher, QWidget* parent);
  ~COverlayVideoWnd() override;

  // Copies the parameter block and creates the window and its surfaces;
  // 1 when the block is missing or not 184 bytes.
  uint32_t Create(const OverlayParams* params);
  // 0 success; 1 no OpenGL (context, programs); 4 work or composition
  // surface failed; 5 a YUV surface failed. Surfaces exist once the window
  // is first shown; before that the result of the last attempt is returned.
  uint32_t CreateSurfaces();
  void ReleaseSurfaces();
  bool IsReady() const { return ready_; }

  void SetEventInfo(uint8_t kind, const std::string& text, int32_t machineNumber, COLORREF colour,
                    const std::string& label) override;
  void ShowFrame(const VideoFrame& frame, const FrameTexts& texts) override;
  void ClearPicture() override { ShowBlack(); }
  void SetInfoItems(uint8_t cameraTitle, uint8_t frameSize, uint8_t dateTime, uint8_t dimensions) override;
  void ShowStill(const uint8_t*, const BITMAPINFOHEADER&, const std::string&) override {}
  // Prints the bits as the header passed describes them.
  int PrintPicture(const uint8_t* bits, uint32_t frameSize, const BITMAPINFOHEADER& header,
                   const std::string& caption) override;
  void SetPrintSupport(PrintSupport support) { printSupport_ = std::move(support); }

  void Redraw();
  void ShowBlack();
  void SetScreenPos(int x, int y);
  // The size of the video area; the picture fills it, or the inside of the
  // edge when the window has one.
  void SetDisplaySize(int width, int height);
  // The 2-pixel sunken edge the video area has in the dialog.
  void SetClientEdge(bool edge);
  void OnCommand(int command);
  void ZoomIn();
  void ZoomOut();

  const COverlayZoom& Zoom() const { return zoom_; }
  bool HasNoFrame() const { return noFrame_; }
  int LastFrameWidth() const { return lastWidth_; }
  int LastFrameHeight() const { return lastHeight_; }
  std::vector<uint8_t> InfoItems() const;
  // What the window shows now, read back from the GPU (null without GL).
  QImage GrabPicture();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  friend class COverlayGlView;
  void RenderSoon();
  // What the GL view draws, read under the display lock.
  struct Staging {
    std::vector<uint8_t> rows;  // packed rows padded to whole 4-byte pairs
    bool fresh = false;
  };

  CGuiDispatcher& dispatcher_;
  OverlayParams params_;
  COverlayGlView* view_ = nullptr;
  QWidget* viewContainer_ = nullptr;  // hosts the view's native window
  std::atomic<bool> ready_{false};
  std::atomic<bool> noFrame_{true};
  uint32_t lastResult_ = 1;
  bool renderPending_ = false;  // GUI thread only
  bool clientEdge_ = false;     // GUI thread only
  QElapsedTimer sinceRender_;

  // Guarded by DisplayLock().
  std::array<Staging, 2> staging_;  // [0] UYVY, [1] YUY2
  uint8_t pixelFormat_ = 0;
  FrameOverlayState overlay_;
  int lastWidth_ = 352;
  int lastHeight_ = 240;
  COverlayZoom zoom_;

  std::atomic<int> displayWidth_{352};
  std::atomic<int> displayHeight_{240};
  PrintSupport printSupport_;
};

// The process-wide display lock.
std::mutex& DisplayLock();

}  // namespace bv
