#pragma once
// Runs a message box wide enough for its caption: a window manager draws the
// caption in the title bar beside its buttons and cuts it short in a box that
// is only as wide as its text.
class QMessageBox;

namespace bv {

// The width a box needs for the window manager to show the whole caption.
int MessageBoxWidthForCaption(const QMessageBox& box);
// Widens the box to that width, then runs it; its result.
int ExecMessageBox(QMessageBox& box);

}  // namespace bv
