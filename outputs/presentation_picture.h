#pragma once
// CPresentationPicture: a picture of a presentation video, composed as the
// DIB video window composes its back buffer in a window of the video's size:
// the frame (a single field first doubled as the snapshot doubles it)
// stretched to the whole area, then the information items and the hall
// event caption that the "&Display Showing" choices leave on.
#include <QImage>
#include <QSize>
#include <vector>

#include "outputs/frame_walk.h"

namespace bv {

// The items drawn over the pictures.
struct PresentationItems {
  bool camera = true;    // "&Cam Number": the camera title
  bool dateTime = true;  // "Date and &Time"
  bool size = true;      // "Image &Size": the frame size in KB
  bool event = true;     // the hall event caption
};

class CPresentationPicture {
 public:
  // The video's size for decoded pictures of width x height: a single field
  // doubled, then rounded up to even sizes (4:2:0 video halves both).
  static QSize VideoSizeFor(int width, int height);

  CPresentationPicture(QSize size, PresentationItems items);

  // The window's view of a shown frame. False (the picture unchanged) when
  // the frame holds no picture that can be composed.
  bool Compose(const ShownFrame& shown);
  // What the window shows before its first picture: black, without texts.
  void ComposeBlack();
  // Format_RGB32: 32-bit B, G, R, padding in memory.
  const QImage& Image() const { return image_; }

 private:
  PresentationItems items_;
  QImage image_;
  std::vector<uint8_t> rows_;  // the frame's rows, top-down, field doubled
};

}  // namespace bv
