#pragma once
// CSkinButton: a push button drawn from a four-cell skin. Besides enabled and
// disabled it can be latched (drawn pressed while its mode is on) and show the
// disabled look (drawn disabled and deaf to clicks and Space while the
// widget itself stays enabled).
#include <QAbstractButton>

#include "controls/skin_bitmap.h"

namespace bv {

class CSkinButton : public QAbstractButton {
 public:
  CSkinButton(int controlId, QWidget* parent = nullptr);

  void LoadSkin(int bitmapId, QColor transparent);
  void EnableButton(bool enable);
  void ShowDisabledLook();
  void Latch();
  void Unlatch();

  bool IsLatched() const { return latched_; }
  bool HasDisabledLook() const { return disabledLook_; }
  // The cell the button shows now (0 normal, 1 disabled look, 2 hover,
  // 3 pressed or latched).
  int CurrentCell() const;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  CSkinBitmap skin_;
  QColor transparent_;
  bool latched_ = false;
  bool disabledLook_ = false;
  bool hover_ = false;
};

}  // namespace bv
