#include "controls/skin_button.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace bv {

CSkinButton::CSkinButton(int controlId, QWidget* parent) : QAbstractButton(parent) {
  setObjectName(QString::number(controlId));
  setFocusPolicy(Qt::StrongFocus);
}

void CSkinButton::LoadSkin(int bitmapId, QColor transparent) {
  skin_.Load(bitmapId);
  transparent_ = transparent;
  // The button becomes one cell large at its top-left corner.
  setGeometry(x(), y(), skin_.CellWidth(), skin_.Height());
  update();
}

// The playback logic restates every button's state after each record;
// only a change is repainted.
void CSkinButton::EnableButton(bool enable) {
  if (isEnabled() == enable && disabledLook_ == !enable) return;
  setEnabled(enable);
  disabledLook_ = !enable;
  update();
}

void CSkinButton::ShowDisabledLook() {
  if (disabledLook_ && !isDown()) return;
  disabledLook_ = true;
  setDown(false);
  update();
}

void CSkinButton::Latch() {
  if (latched_) return;
  latched_ = true;
  update();
}

void CSkinButton::Unlatch() {
  if (!latched_) return;
  latched_ = false;
  update();
}

int CSkinButton::CurrentCell() const {
  if (disabledLook_ && !latched_) return 1;
  if (isDown() || latched_) return 3;
  if (hover_) return 2;
  return 0;
}

bool CSkinButton::event(QEvent* event) {
  // Space presses the focused button before any window-wide shortcut.
  if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
      static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
    event->accept();
    return true;
  }
  return QAbstractButton::event(event);
}

void CSkinButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  skin_.DrawCell(painter, CurrentCell(), 0, 0, transparent_);
}

void CSkinButton::mousePressEvent(QMouseEvent* event) {
  if (disabledLook_) {
    event->accept();
    return;
  }
  QAbstractButton::mousePressEvent(event);
}

void CSkinButton::mouseReleaseEvent(QMouseEvent* event) {
  if (disabledLook_) {
    event->accept();
    return;
  }
  QAbstractButton::mouseReleaseEvent(event);
}

void CSkinButton::keyPressEvent(QKeyEvent* event) {
  if (disabledLook_ && event->key() == Qt::Key_Space) {
    event->accept();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

void CSkinButton::keyReleaseEvent(QKeyEvent* event) {
  if (disabledLook_ && event->key() == Qt::Key_Space) {
    event->accept();
    return;
  }
  QAbstractButton::keyReleaseEvent(event);
}

void CSkinButton::enterEvent(QEnterEvent* event) {
  hover_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void CSkinButton::leaveEvent(QEvent* event) {
  hover_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

}  // namespace bv
