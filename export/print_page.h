#pragma once
// The printed page of a frame: the title "Image Print", the picture as large
// as 588 x 440 screen pixels appear on the screen, one inch below the top of
// the printable area and centred across it, and the caption a sixth of an
// inch under it. One painting routine serves every device: the print
// dialog's printer and the PDF writer of tools and tests paint the same page.
#include <QImage>
#include <QPainter>
#include <QString>
#include <string>

#include "base/platform/platform_types.h"

namespace bv {

// Where things go, in device pixels of the page's printable area (integer
// arithmetic, each product before its division).
struct PrintPageLayout {
  int pictureX = 0;       // also where the title and caption start
  int pictureY = 0;       // Py: one inch
  int pictureWidth = 0;   // Px * 588 / Sx
  int pictureHeight = 0;  // Py * 440 / Sy
  int titleY = 0;         // Py / 3
  int captionY = 0;       // Py + picture height + Py / 6
};

// Screen resolution assumed where the screen gives none.
constexpr int kReferenceScreenDpi = 96;

// pageWidth and the printer's resolution (Px, Py) in device pixels; the
// screen's resolution (Sx, Sy) of the window that prints (0 or less: 96).
PrintPageLayout ComputePrintPageLayout(int pageWidth, int printerDpiX, int printerDpiY, int screenDpiX,
                                       int screenDpiY);

inline constexpr const char* kPrintTitle = "Image Print";

// The title's font (Arial, 15 point, for the printing device) and the
// caption's (the device's plain text font, 10 point).
QFont PrintTitleFont();
QFont PrintCaptionFont();

// The picture to print: bits of width x height x 3 bytes (B, G, R, rows of
// width * 3 bytes, bottom row first unless the height is negative) as the
// header describes them. Null when the header is not such a 24-bit picture
// or its bits would be more than maxBytes.
QImage PrintImageOfBits(const uint8_t* bits, const BITMAPINFOHEADER& header, size_t maxBytes);

// Paints the page on an active painter of a paged device (a printer or a
// PDF writer); the device gives the printable width and its resolution.
PrintPageLayout PaintPrintPage(QPainter& painter, const QImage& picture, const QString& caption, int screenDpiX,
                               int screenDpiY);

// The page as a PDF file: one A4 page whose printable area is the whole
// sheet, at dpi printer pixels to the inch, laid out for a screen of
// kReferenceScreenDpi. The file replaces path only once complete; false when
// it could not be written.
bool WritePrintPagePdf(const std::string& path, const QImage& picture, const QString& caption, int dpi);

}  // namespace bv
