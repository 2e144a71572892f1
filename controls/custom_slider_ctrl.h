#pragma once
// CCustomSliderCtrl (the speed slider) and CPositionSliderCtrl (the position
// slider): horizontal trackbars with thumbs on both sides whose channel and
// thumb the program draws itself from a palette derived from one face colour.
// Range, position, mouse and keyboard behave as a trackbar's: a click on the
// channel moves by a page toward the click and keeps paging while the button
// is held until the thumb reaches the pointer, the thumb can be dragged, and
// Left, Up and Page Up move toward the minimum, Right, Down and Page Down
// toward the maximum, Home and End to the ends.
#include <QSlider>
#include <QTimer>
#include <vector>

#include "controls/slider_palette.h"

namespace bv {

class CCustomSliderCtrl : public QSlider {
 public:
  explicit CCustomSliderCtrl(int controlId, QWidget* parent = nullptr);

  void SetFaceColour(COLORREF colour);
  const SliderPalette& Palette() const { return palette_; }

  QRect ThumbRect() const;
  QRect ChannelRect() const;
  // Where along the channel a value lies (the thumb's centre at it).
  int XOfValue(int value) const;

 protected:
  // The position slider differs in two drawing constants.
  CCustomSliderCtrl(int controlId, int thumbInset, int channelInset, QWidget* parent);

  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  SystemColours SystemColoursNow() const;
  void DrawThumb(QPainter& painter, QRect rect, bool pressed) const;
  void DrawChannel(QPainter& painter) const;
  int ValueAt(int x) const;
  // Paging while the button is held on the channel.
  void PageTowardPointer();
  bool ThumbReachedPointer() const;

  const int thumbInset_;    // shrinks the drawn thumb at top and bottom
  const int channelInset_;  // shrinks the channel when the range is not 0..0
  COLORREF face_ = 0;
  SliderPalette palette_{};
  // The thumb's width along the channel.
  static constexpr int kThumbWidth = 11;
  int dragOffset_ = 0;
  QTimer pageRepeat_;
  SliderAction pageAction_ = SliderNoAction;
  int pagePointerX_ = 0;
};

class CPositionSliderCtrl : public CCustomSliderCtrl {
 public:
  explicit CPositionSliderCtrl(int controlId, QWidget* parent = nullptr);

  // The marked range, drawn under the channel (-1: that mark is not set).
  void SetMarks(int in, int out);
  int MarkIn() const { return markIn_; }
  int MarkOut() const { return markOut_; }
  // The colour of the marks: the palette's darkest shade.
  QColor MarkColour() const;
  // Small marks just under the channel at each position (the hall events'
  // starts), in the palette's middle shade; none when empty.
  void SetEventMarks(std::vector<int> positions);
  const std::vector<int>& EventMarks() const { return eventMarks_; }
  QColor EventMarkColour() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int markIn_ = -1;
  int markOut_ = -1;
  std::vector<int> eventMarks_;
};

}  // namespace bv
