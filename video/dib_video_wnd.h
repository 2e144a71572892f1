#pragma once
// CDibVideoWnd: the video area (control 1001) in DIB presentation. A frame
// is painted straight onto the window (picture stretched to the whole area,
// then the information items and event caption); a still is composed into a
// back buffer, which a paint copies to the screen. Frames may arrive on the
// playback thread. A lent frame (the engine's own buffer) is converted by the
// paint that shows it, on the GUI thread, or by the engine's thread when it
// takes the buffer back before the screen got to it; any other frame is
// converted as it arrives. Either converts into a spare image and swaps it in
// under the window's lock, and a paint holds the lock only to take the newest
// image, so a repaint never races a frame.
#include <QImage>
#include <QWidget>
#include <atomic>
#include <mutex>
#include <vector>

#include "base/host/video_window.h"
#include "export/dib_image.h"
#include "export/frame_texts_painter.h"
#include "video/gui_dispatcher.h"
#include "video/picture_printer.h"

namespace bv {

class CDibVideoWnd : public QWidget, public IVideoWindow {
 public:
  CDibVideoWnd(CGuiDispatcher& dispatcher, QWidget* parent = nullptr);

  void SetEventInfo(uint8_t kind, const std::string& text, int32_t machineNumber, COLORREF colour,
                    const std::string& label) override;
  void ShowFrame(const VideoFrame& frame, const FrameTexts& texts) override;
  void ReleasePixels(const uint8_t* pixels) override;
  void ClearPicture() override;
  void SetInfoItems(uint8_t cameraTitle, uint8_t frameSize, uint8_t dateTime, uint8_t dimensions) override;
  void ShowStill(const uint8_t* pixels, const BITMAPINFOHEADER& header, const std::string& caption) override;
  // Prints the bits as the header of the picture this window drew last
  // describes them (the header passed is not used).
  int PrintPicture(const uint8_t* bits, uint32_t frameSize, const BITMAPINFOHEADER& header,
                   const std::string& caption) override;
  void SetPrintSupport(PrintSupport support) { printSupport_ = std::move(support); }
  // The 2-pixel sunken edge of the dialog's video area: the picture is
  // drawn inside it (the window's client area).
  void SetClientEdge(bool edge);
  // The client area: the whole window, or inside the edge.
  QRect ClientRect() const;

  // The back buffer as last composed (for tests and printing checks).
  QImage ComposedPicture();
  // The header of the picture last drawn (printing uses it).
  BITMAPINFOHEADER PictureHeader() const;
  std::vector<uint8_t> InfoItems() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  enum class Stored { kNothing, kFrame, kStill };
  // Recomposes the back buffer from the stored picture at the current size.
  // Caller holds mutex_.
  void ComposeLocked();
  void ComposeStillLocked(QPainter& painter, const QRect& area);
  static void PaintFrame(QPainter& painter, const QRect& area, const QImage& picture,
                         const FrameOverlayState& overlay);
  void RequestRepaint();
  // Converts the lent frame, if one still waits (only the one at pixels when
  // pixels is given), into the window's own image.
  void TakeLentPicture(const uint8_t* pixels = nullptr);
  // Bottom-up 24-bit rows into incoming_, which the caller swaps in as
  // frame_. Caller holds incomingMutex_; false when no image could be made.
  bool ConvertIncoming(const uint8_t* pixels, int width, int height);

  CGuiDispatcher& dispatcher_;
  std::atomic<int> clientWidth_{0};
  std::atomic<int> clientHeight_{0};
  bool clientEdge_ = false;  // GUI thread only

  // The image a frame is converted into before it is swapped in as frame_;
  // its own lock, taken before mutex_, lets frames come from any thread and
  // keeps the engine from writing a lent buffer while it is converted.
  std::mutex incomingMutex_;
  QImage incoming_;
  // The lent frame not yet converted (its pixels, size), under mutex_.
  const uint8_t* lent_ = nullptr;
  int lentWidth_ = 0;
  int lentHeight_ = 0;
  mutable std::mutex mutex_;
  Stored stored_ = Stored::kNothing;
  // The window's own copy of the frame, top row first, as 0xffRRGGBB pixels
  // (the form the painter draws and scales fastest), and of a still's bits.
  QImage frame_;
  std::vector<uint8_t> still_;
  BITMAPINFOHEADER header_{};
  QString stillCaption_;
  FrameOverlayState overlay_;
  QImage back_;
  bool composed_ = true;  // back_ shows the stored picture (a frame's only when asked for)
  PrintSupport printSupport_;
};

}  // namespace bv
