#pragma once
// Drawing the information items and the event caption over a picture, as
// both video windows draw them: texts outlined by four black copies offset
// diagonally by one pixel, then the coloured copy.
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>

#include "base/host/video_window.h"

namespace bv {

// The items' font (the drawing surface's default font) and the caption font
// (bold, 18-pixel cell, "MS Shell Dlg").
QFont InfoItemFont();
QFont CaptionFont();

// A text whose top-left corner is at (x, y), outlined black, in colour.
void DrawOutlinedText(QPainter& painter, int x, int y, const QString& text, const QColor& colour = Qt::white);

struct FrameOverlayState {
  FrameTexts texts;
  uint8_t shown[4] = {1, 1, 1, 0};  // camera title, frame size, date and time, dimensions
  uint8_t eventKind = kNoEvent;
  QString eventText;
  int32_t machineNumber = -1;
  COLORREF eventColour = 0;
  QString eventLabel;

  // The texts of a frame shown, each cut to the 127 characters (and a
  // terminator) the windows hold.
  void SetTexts(const FrameTexts& frameTexts);
  // The hall event of the frame shown (the window interface's SetEventInfo).
  void SetEvent(uint8_t kind, const std::string& text, int32_t machine, COLORREF colour, const std::string& label);
};

// The offsets of the R40Max caption's copies: the DIB window draws them at
// (0..2, 0..2), the overlay window at (2..4, 2..4).
enum class CaptionPlacement { kDibWindow, kOverlayWindow };

// Draws the enabled items and the event caption in reference rectangle r.
void PaintFrameTexts(QPainter& painter, const QRect& r, const FrameOverlayState& state, CaptionPlacement placement);

QColor ColorFromColorRef(COLORREF colour);

}  // namespace bv
