#include "controls/custom_slider_ctrl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "controls/slider_drawing.h"

namespace bv {
namespace {

// A held click pages again after this long, then at this interval.
constexpr int kFirstPageRepeatMs = 400;
constexpr int kPageRepeatMs = 100;

}  // namespace

CCustomSliderCtrl::CCustomSliderCtrl(int controlId, QWidget* parent) : CCustomSliderCtrl(controlId, 0, 1, parent) {}

CCustomSliderCtrl::CCustomSliderCtrl(int controlId, int thumbInset, int channelInset, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), thumbInset_(thumbInset), channelInset_(channelInset) {
  setObjectName(QString::number(controlId));
  setTickPosition(QSlider::NoTicks);
  setFocusPolicy(Qt::StrongFocus);
  face_ = ToColorRef(palette().color(QPalette::Button));
  palette_ = DeriveSliderPalette(face_, SystemColoursNow());
  connect(&pageRepeat_, &QTimer::timeout, this, [this] {
    pageRepeat_.setInterval(kPageRepeatMs);
    PageTowardPointer();
  });
}

CPositionSliderCtrl::CPositionSliderCtrl(int controlId, QWidget* parent) : CCustomSliderCtrl(controlId, 3, 5, parent) {}

SystemColours CCustomSliderCtrl::SystemColoursNow() const {
  const QPalette& p = palette();
  return SystemColours{ToColorRef(p.color(QPalette::Button)),     ToColorRef(p.color(QPalette::Dark)),
                       ToColorRef(p.color(QPalette::Shadow)),     ToColorRef(p.color(QPalette::Light)),
                       ToColorRef(p.color(QPalette::WindowText)), ToColorRef(p.color(QPalette::Base))};
}

void CCustomSliderCtrl::SetFaceColour(COLORREF colour) {
  face_ = colour;
  palette_ = DeriveSliderPalette(face_, SystemColoursNow());
  repaint();
}

QRect CCustomSliderCtrl::ChannelRect() const {
  // A thin channel along the middle; the position slider's selection-range
  // style makes its channel taller, which its larger inset takes back.
  const int height = channelInset_ > 1 ? 14 : 4;
  const int left = kThumbWidth / 2 + 2;
  const int right = width() - kThumbWidth / 2 - 2;
  const int top = (this->height() - height) / 2;
  return QRect(QPoint(left, top), QPoint(right - 1, top + height - 1));
}

QRect CCustomSliderCtrl::ThumbRect() const {
  const int centre = XOfValue(sliderPosition());
  return QRect(centre - kThumbWidth / 2, 2, kThumbWidth, height() - 4);
}

int CCustomSliderCtrl::XOfValue(int value) const {
  const QRect channel = ChannelRect();
  const int span = std::max(1, maximum() - minimum());
  return channel.left() + static_cast<int>(static_cast<int64_t>(value - minimum()) * channel.width() / span);
}

int CCustomSliderCtrl::ValueAt(int x) const {
  const QRect channel = ChannelRect();
  const int span = maximum() - minimum();
  if (channel.width() <= 0 || span <= 0) return minimum();
  const int64_t offset = std::clamp(x - channel.left(), 0, channel.width());
  return minimum() + static_cast<int>((offset * span + channel.width() / 2) / channel.width());
}

bool CCustomSliderCtrl::event(QEvent* event) {
  // The focused slider keeps its keys: arrows, Home, End and the page keys
  // move it rather than trigger the window's shortcuts.
  if (event->type() == QEvent::ShortcutOverride) {
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Left:
      case Qt::Key_Right:
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_Home:
      case Qt::Key_End:
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
        event->accept();
        return true;
      default:
        break;
    }
  }
  return QSlider::event(event);
}

void CCustomSliderCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  DrawChannel(painter);
  DrawThumb(painter, ThumbRect(), isSliderDown());
}

void CCustomSliderCtrl::DrawThumb(QPainter& painter, QRect rect, bool pressed) const {
  // While the user holds the thumb it is drawn with the face darkened.
  const SliderPalette p = pressed ? DeriveSliderPalette(Darken51(face_), SystemColoursNow()) : palette_;
  rect.adjust(0, thumbInset_, 0, -thumbInset_);
  DrawSliderThumb(painter, rect, p, ToQColor(SystemColoursNow().windowFrame), isEnabled());
}

void CCustomSliderCtrl::DrawChannel(QPainter& painter) const {
  const SystemColours system = SystemColoursNow();
  const QColor channelColour = ToQColor(isEnabled() ? system.window : system.buttonFace);
  const QRect thumb = ThumbRect();
  const bool horizontal = thumb.height() > thumb.width();
  const QRect channel = ChannelRect();
  int left = channel.left();
  int top = channel.top();
  int right = channel.left() + channel.width();
  int bottom = channel.top() + channel.height();
  if (minimum() != 0 || maximum() != 0) {
    top += channelInset_;
    bottom -= channelInset_;
  }
  if (horizontal) {
    ++left;
    --right;
    ++bottom;
  } else {
    ++top;
    --bottom;
  }
  if ((horizontal && bottom - top > 3) || (!horizontal && right - left > 3)) {
    RoundRect(painter, left, top, right, bottom, ToQColor(palette_.M2), channelColour);
  }
  --left;
  --top;
  ++right;
  Polyline(painter, {QPoint(left, bottom - 2), QPoint(left, top + 2), QPoint(left + 2, top), QPoint(right - 2, top)},
           ToQColor(palette_.M1));
  Polyline(painter,
           {QPoint(left + 1, bottom - 1), QPoint(left + 2, bottom), QPoint(right - 2, bottom),
            QPoint(right - 2, bottom - 1), QPoint(right - 1, bottom - 1), QPoint(right - 1, top + 2),
            QPoint(right - 3, top)},
           ToQColor(palette_.HL));
}

void CCustomSliderCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QSlider::mousePressEvent(event);
  const QPoint at = event->position().toPoint();
  const QRect thumb = ThumbRect();
  if (thumb.contains(at)) {
    dragOffset_ = at.x() - thumb.center().x();
    setSliderDown(true);
    update();
  } else {
    // A click beside the thumb moves a page toward the click, and again
    // while the button is held, until the thumb reaches the pointer.
    pageAction_ = at.x() < thumb.left() ? SliderPageStepSub : SliderPageStepAdd;
    pagePointerX_ = at.x();
    triggerAction(pageAction_);
    pageRepeat_.start(kFirstPageRepeatMs);
  }
  event->accept();
}

void CCustomSliderCtrl::PageTowardPointer() {
  if (pageAction_ == SliderNoAction || ThumbReachedPointer()) {
    pageRepeat_.stop();
    return;
  }
  const int before = sliderPosition();
  triggerAction(pageAction_);
  if (sliderPosition() == before) pageRepeat_.stop();  // at the end of the range
}

bool CCustomSliderCtrl::ThumbReachedPointer() const {
  const QRect thumb = ThumbRect();
  return pageAction_ == SliderPageStepSub ? thumb.left() <= pagePointerX_ : thumb.right() >= pagePointerX_;
}

void CCustomSliderCtrl::mouseMoveEvent(QMouseEvent* event) {
  if (pageAction_ != SliderNoAction) {
    pagePointerX_ = event->position().toPoint().x();
    event->accept();
    return;
  }
  if (!isSliderDown()) return;
  // While the thumb is held, setting the position notifies the move once.
  setSliderPosition(ValueAt(event->position().toPoint().x() - dragOffset_));
  event->accept();
}

void CCustomSliderCtrl::mouseReleaseEvent(QMouseEvent* event) {
  if (pageAction_ != SliderNoAction) {
    pageAction_ = SliderNoAction;
    pageRepeat_.stop();
    event->accept();
    return;
  }
  if (!isSliderDown()) return;
  setSliderDown(false);
  update();
  event->accept();
}

void CCustomSliderCtrl::keyPressEvent(QKeyEvent* event) {
  // A horizontal trackbar's keys: Up and Page Up go toward the minimum as
  // Left does, Down and Page Down toward the maximum as Right does.
  SliderAction action = SliderNoAction;
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      action = SliderSingleStepSub;
      break;
    case Qt::Key_Right:
    case Qt::Key_Down:
      action = SliderSingleStepAdd;
      break;
    case Qt::Key_PageUp:
      action = SliderPageStepSub;
      break;
    case Qt::Key_PageDown:
      action = SliderPageStepAdd;
      break;
    case Qt::Key_Home:
      action = SliderToMinimum;
      break;
    case Qt::Key_End:
      action = SliderToMaximum;
      break;
    default:
      QSlider::keyPressEvent(event);
      return;
  }
  triggerAction(action);
  event->accept();
}

}  // namespace bv

namespace bv {

void CPositionSliderCtrl::SetMarks(int in, int out) {
  if (in == markIn_ && out == markOut_) return;
  markIn_ = in;
  markOut_ = out;
  update();
}

QColor CPositionSliderCtrl::MarkColour() const { return ToQColor(Palette().D2); }

void CPositionSliderCtrl::SetEventMarks(std::vector<int> positions) {
  eventMarks_ = std::move(positions);
  update();
}

QColor CPositionSliderCtrl::EventMarkColour() const { return ToQColor(Palette().M1); }

void CPositionSliderCtrl::paintEvent(QPaintEvent* event) {
  CCustomSliderCtrl::paintEvent(event);
  QPainter painter(this);
  const QRect channel = ChannelRect();
  if (!eventMarks_.empty()) {
    // One pixel column per event start, two pixels high, right under the
    // channel: clusters show as darker stretches.
    const QColor colour = EventMarkColour();
    const int top = channel.bottom() + 1;
    int lastX = INT32_MIN;
    for (int position : eventMarks_) {
      const int x = XOfValue(position);
      if (x == lastX) continue;
      painter.fillRect(QRect(x, top, 1, 2), colour);
      lastX = x;
    }
  }
  if (markIn_ < 0 && markOut_ < 0) return;
  // Below the channel: a line from In to Out with an upright stroke at each
  // mark set.
  const int y = channel.bottom() + 3;
  const QColor colour = MarkColour();
  const int from = markIn_ >= 0 ? XOfValue(markIn_) : channel.left();
  const int to = markOut_ >= 0 ? XOfValue(markOut_) : channel.right();
  painter.fillRect(QRect(QPoint(from, y), QPoint(to, y)), colour);
  for (int mark : {markIn_, markOut_}) {
    if (mark >= 0) painter.fillRect(QRect(QPoint(XOfValue(mark) - 1, y), QPoint(XOfValue(mark), y + 3)), colour);
  }
}

}  // namespace bv
