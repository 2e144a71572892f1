#include "export/frame_texts_painter.h"

#include <QFontMetrics>

#include "export/legacy_qstring.h"

namespace bv {
namespace {

// A multi-line text in a rectangle, black copies in four rectangles, then the
// coloured copy.
void DrawOutlinedBlock(QPainter& painter, const QRect (&black)[4], const QRect& coloured, int flags,
                       const QString& text, const QColor& colour) {
  painter.setPen(Qt::black);
  for (const QRect& r : black) painter.drawText(r, flags, text);
  painter.setPen(colour);
  painter.drawText(coloured, flags, text);
}

}  // namespace

QFont InfoItemFont() {
  // The stand-in for a drawing surface's default font: a bold sans of a
  // 16-pixel cell, which the item positions (25 and 43 pixels above the
  // bottom) are made for.
  QFont font(QStringLiteral("MS Shell Dlg"));
  font.setPixelSize(13);
  font.setBold(true);
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

QFont CaptionFont() {
  // A font of 18-pixel cell height: pick the pixel size whose line height
  // is 18 with the face fontconfig substitutes.
  QFont font(QStringLiteral("MS Shell Dlg"));
  font.setBold(true);
  font.setStyleStrategy(QFont::PreferQuality);
  int pixels = 18;
  for (; pixels > 8; --pixels) {
    font.setPixelSize(pixels);
    if (QFontMetrics(font).height() <= 18) break;
  }
  return font;
}

QColor ColorFromColorRef(COLORREF colour) {
  return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

void DrawOutlinedText(QPainter& painter, int x, int y, const QString& text, const QColor& colour) {
  const int ascent = painter.fontMetrics().ascent();
  const QPoint offsets[4] = {{-1, 1}, {-1, -1}, {1, -1}, {1, 1}};
  painter.setPen(Qt::black);
  for (QPoint d : offsets) painter.drawText(x + d.x(), y + d.y() + ascent, text);
  painter.setPen(colour);
  painter.drawText(x, y + ascent, text);
}

void PaintFrameTexts(QPainter& painter, const QRect& r, const FrameOverlayState& state, CaptionPlacement placement) {
  const int left = r.left();
  const int top = r.top();
  const int right = r.left() + r.width();
  const int bottom = r.top() + r.height();

  painter.setFont(InfoItemFont());
  if (state.shown[0]) DrawOutlinedText(painter, left + 10, bottom - 25, FromLegacy(state.texts.cameraTitle));
  if (state.shown[3]) DrawOutlinedText(painter, right - 80, top + 8, FromLegacy(state.texts.dimensionText));
  if (state.shown[1]) DrawOutlinedText(painter, right - 70, bottom - 25, FromLegacy(state.texts.sizeText));
  if (state.shown[2]) {
    DrawOutlinedText(painter, left + ((right - left) >> 1) - 75, bottom - 43, FromLegacy(state.texts.dateText));
  }

  const QColor colour = ColorFromColorRef(state.eventColour);
  if (state.eventKind == kMachineEvent) {
    if (state.machineNumber == -1) return;
    painter.setFont(CaptionFont());
    const QString text =
        QStringLiteral("%1 %2\n%3").arg(state.machineNumber).arg(state.eventLabel, state.eventText);
    const QRect black[4] = {QRect(QPoint(left, top + 11), QPoint(right - 10 - 1, bottom - 1)),
                            QRect(QPoint(left, top + 9), QPoint(right - 10 - 1, bottom - 1)),
                            QRect(QPoint(left, top + 11), QPoint(right - 12 - 1, bottom - 1)),
                            QRect(QPoint(left, top + 9), QPoint(right - 12 - 1, bottom - 1))};
    const QRect coloured(QPoint(left, top + 10), QPoint(right - 11 - 1, bottom - 1));
    DrawOutlinedBlock(painter, black, coloured, Qt::AlignRight | Qt::AlignTop, text, colour);
  } else if (state.eventKind == kR40MaxEvent) {
    painter.setFont(CaptionFont());
    const int o = placement == CaptionPlacement::kDibWindow ? 0 : 2;
    auto rect = [&](int dx, int dy) { return QRect(QPoint(left + o + dx, top + o + dy), QPoint(right - 1, bottom - 1)); };
    const QRect black[4] = {rect(0, 2), rect(0, 0), rect(2, 2), rect(2, 0)};
    DrawOutlinedBlock(painter, black, rect(1, 1), Qt::AlignLeft | Qt::AlignTop, state.eventText, colour);
  }
}

void FrameOverlayState::SetTexts(const FrameTexts& frameTexts) {
  texts = frameTexts;
  for (std::string* t : {&texts.cameraTitle, &texts.sizeText, &texts.dateText, &texts.dimensionText}) {
    if (t->size() > 127) t->resize(127);
  }
}

void FrameOverlayState::SetEvent(uint8_t kind, const std::string& text, int32_t machine, COLORREF colour,
                                 const std::string& label) {
  eventKind = kind;
  eventText = FromLegacy(text);
  machineNumber = machine;
  eventColour = colour;
  eventLabel = FromLegacy(label);
}

}  // namespace bv
