// CViewerDlg: the window's size rules. The start size and the limits are
// those of the whole window, frame included; the window system is told them
// in terms of the inner window, so they are worked out again whenever the
// window manager's frame changes (it is known only once the window is
// mapped). While the user resizes the window, the window manager keeps the
// picture's proportion from the base size and aspect ratio it is given;
// the left and top borders cannot be kept from being dragged under X11 (the
// window manager decides which borders resize), but the same rules hold for
// the result of any drag.
#include <QLayout>
#include <QMenuBar>
#include <QTimer>
#include <QWindow>

#include "app/viewer_dlg.h"
#include "app/window_sizing.h"

namespace bv {

void CViewerDlg::ApplyWindowSizeRules() {
  if (fullScreen_ || isMinimized()) return;
  QMargins frame;
  if (QWindow* window = windowHandle(); window && isVisible()) frame = window->frameMargins();
  const int frameWidth = frame.left() + frame.right();
  const int frameHeight = frame.top() + frame.bottom();
  if (layout()) layout()->activate();
  // The inner window has the menu bar above the client area, and the client
  // area has 192 x 73 pixels beyond the video area.
  const int extraWidth = width() - client_->width() + 192;
  const int extraHeight = height() - client_->height() + 73;
  const WindowSizeRules rules = ComputeWindowSizeRules(frameWidth, frameHeight, extraWidth, extraHeight);

  const QSize minimum(rules.minWidth, rules.minHeight);
  const QSize maximum(rules.maxWidth, rules.maxHeight);
  if (frame != appliedFrame_) {
    // The outer size stays what it was (the start size at first) while the
    // frame around it appears or changes.
    const QMargins before = appliedFrame_.left() < 0 ? QMargins() : appliedFrame_;
    const QSize outer = appliedFrame_.left() < 0
                            ? QSize(kMinWindowWidth, kMinWindowHeight)
                            : size() + QSize(before.left() + before.right(), before.top() + before.bottom());
    appliedFrame_ = frame;
    setMinimumSize(minimum);
    setMaximumSize(maximum);
    resize(outer.boundedTo(QSize(kMaxWindowWidth, kMaxWindowHeight))
               .expandedTo(QSize(kMinWindowWidth, kMinWindowHeight)) -
           QSize(frameWidth, frameHeight));
  } else {
    if (minimumSize() != minimum) setMinimumSize(minimum);
    if (maximumSize() != maximum) setMaximumSize(maximum);
  }
  if (isVisible()) RequestWindowSizeRules(winId(), rules);
}

void CViewerDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Showing the window writes its normal hints afresh: the rules are given
  // again once it is up.
  QTimer::singleShot(0, this, [this] { ApplyWindowSizeRules(); });
  if (firstPaintDone_ || controller_.IsSelfContained()) return;
  firstPaintDone_ = true;
  // The standalone viewer greets the user with the Open dialog once its
  // window has been painted.
  QTimer::singleShot(0, this, [this] { OnFirstPaint(); });
}

}  // namespace bv
