// CViewerDlg: the full-screen view. The dialog itself fills the screen with
// the video window alone, centred at the video area's 360 : 288 proportion on
// black; menu, panel and sliders are hidden, the keyboard shortcuts stay
// (their actions belong to the dialog as well as to the menus). The dialog's
// size rules are lifted meanwhile and restored with its geometry afterwards.
#include <QAction>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QWindow>

#include "app/viewer_dlg.h"
#include "app/viewer_layout.h"
#include "app/window_sizing.h"
#include "base/host/control_ids.h"
#include "controls/skin_button.h"
#include "video/dib_video_wnd.h"
#include "video/overlay_video_wnd.h"

namespace bv {

void CViewerDlg::AddFullScreenView() {
  fullScreenAction_ = new QAction(this);
  fullScreenAction_->setShortcut(QKeySequence(Qt::Key_F11));
  connect(fullScreenAction_, &QAction::triggered, this, [this] { ToggleFullScreen(); });
  addAction(fullScreenAction_);
  // The shortcuts must work with the menu bar hidden.
  for (QAction* action : actions_) {
    if (!action->shortcut().isEmpty()) addAction(action);
  }
}

void CViewerDlg::ToggleFullScreen() {
  if (fullScreen_) {
    LeaveFullScreen();
  } else {
    EnterFullScreen();
  }
}

void CViewerDlg::EnterFullScreen() {
  if (fullScreen_ || !isVisible()) return;
  normalGeometry_ = geometry();
  fullScreen_ = true;
  menuBar_->hide();
  hiddenForFullScreen_.clear();
  for (QWidget* child : client_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child == dib_ || child == overlay_ || !child->isVisible()) continue;
    hiddenForFullScreen_.push_back(child);
    child->hide();
  }
  QPalette black = client_->palette();
  black.setColor(QPalette::Window, Qt::black);
  client_->setPalette(black);
  client_->setAutoFillBackground(true);
  dib_->SetClientEdge(false);
  if (overlay_) overlay_->SetClientEdge(false);
  setMinimumSize(0, 0);
  setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  WindowSizeRules none;
  none.maxWidth = 0;
  none.aspectWidth = 0;
  if (windowHandle()) RequestWindowSizeRules(winId(), none);
  showFullScreen();
  client_->setFocus();
  LayOutControls();
}

void CViewerDlg::LeaveFullScreen() {
  if (!fullScreen_) return;
  fullScreen_ = false;
  showNormal();
  menuBar_->show();
  client_->setAutoFillBackground(false);
  client_->setPalette(QPalette());
  dib_->SetClientEdge(true);
  if (overlay_) overlay_->SetClientEdge(true);
  // What the view hid comes back; the position slider follows the state,
  // which may have changed meanwhile (a backup played to its end, opened).
  for (QWidget* child : hiddenForFullScreen_) {
    if (child) child->show();
  }
  hiddenForFullScreen_.clear();
  sliders_[IDC_POSITION_SLIDER]->setVisible(positionSliderShown_);
  ApplyWindowSizeRules();
  setGeometry(normalGeometry_);
  LayOutControls();
  client_->setFocus();
}

void CViewerDlg::LayOutFullScreen() {
  // The largest 360 : 288 rectangle that the client area holds, centred.
  const int W = client_->width();
  const int H = client_->height();
  int w = W;
  int h = W * kPictureAspectHeight / kPictureAspectWidth;
  if (h > H) {
    h = H;
    w = H * kPictureAspectWidth / kPictureAspectHeight;
  }
  dib_->setGeometry((W - w) / 2, (H - h) / 2, w, h);
  PlaceOverlayWindow();
}

}  // namespace bv
