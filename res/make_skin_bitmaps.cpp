// Build-time generator of the viewer's bitmaps: the eleven four-cell button
// strips (127 x 31: normal, disabled look, hover, pressed), the 2000 x 18
// grey strip along the top of the dialog, and the application icon.
// Usage: make_skin_bitmaps OUTPUT_DIR
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <cstdio>
#include <functional>

namespace {

constexpr int kCell = 31;
const QColor kTransparent(255, 0, 255);

enum class Look { kNormal, kDisabled, kHover, kPressed };

// Glyph colours: dark on a live button, light grey in the disabled look.
struct Ink {
  QColor main;
  QColor accent;
  QColor accent2;
  QColor detail;
};

Ink InkFor(Look look, bool coloured) {
  if (look == Look::kDisabled) return {QColor(192, 192, 192), QColor(200, 200, 200), QColor(176, 176, 176), QColor(210, 210, 210)};
  if (!coloured) return {QColor(64, 64, 64), QColor(64, 64, 64), QColor(64, 64, 64), QColor(64, 64, 64)};
  return {QColor(64, 64, 64), QColor(238, 196, 48), QColor(40, 160, 56), QColor(48, 88, 200)};
}

using Glyph = std::function<void(QPainter&, const Ink&)>;

QPolygon Triangle(int x, int y, bool right, int h = 13) {
  const int w = h / 2 + 1;
  if (right) return QPolygon({QPoint(x, y), QPoint(x + w, y + h / 2), QPoint(x, y + h - 1)});
  return QPolygon({QPoint(x + w, y), QPoint(x, y + h / 2), QPoint(x + w, y + h - 1)});
}

void Fill(QPainter& p, const QPolygon& poly, const QColor& c) {
  p.setPen(c);
  p.setBrush(c);
  p.drawPolygon(poly);
}

void Bar(QPainter& p, int x, int y, int w, int h, const QColor& c) { p.fillRect(x, y, w, h, c); }

void DrawCellBackground(QPainter& p, int x0, Look look) {
  QLinearGradient face(0, 0, 0, kCell);
  face.setColorAt(0, QColor(252, 252, 253));
  face.setColorAt(1, QColor(203, 203, 218));
  p.fillRect(x0, 0, kCell, kCell, face);
  const bool sunken = look == Look::kPressed;
  const QColor outerTL = QColor(128, 128, 128);
  const QColor innerTL = sunken ? QColor(64, 64, 64) : QColor(255, 255, 255);
  const QColor innerBR = sunken ? QColor(212, 208, 200) : QColor(128, 128, 128);
  const QColor outerBR = sunken ? QColor(255, 255, 255) : QColor(64, 64, 64);
  const int r = x0 + kCell - 1;
  const int b = kCell - 1;
  p.setPen(outerTL);
  p.drawLine(x0, 0, r - 1, 0);
  p.drawLine(x0, 0, x0, b - 1);
  p.setPen(innerTL);
  p.drawLine(x0 + 1, 1, r - 2, 1);
  p.drawLine(x0 + 1, 1, x0 + 1, b - 2);
  p.setPen(outerBR);
  p.drawLine(x0, b, r, b);
  p.drawLine(r, 0, r, b);
  p.setPen(innerBR);
  p.drawLine(x0 + 1, b - 1, r - 1, b - 1);
  p.drawLine(r - 1, 1, r - 1, b - 1);
  // Rounded-off corners show what lies behind the button.
  for (QPoint c : {QPoint(x0, 0), QPoint(r, 0), QPoint(x0, b), QPoint(r, b)}) p.fillRect(c.x(), c.y(), 1, 1, kTransparent);
}

QImage MakeButtonStrip(const Glyph& glyph, bool coloured) {
  QImage image(4 * kCell + 3, kCell, QImage::Format_RGB888);
  image.fill(kTransparent);
  QPainter p(&image);
  const Look looks[4] = {Look::kNormal, Look::kDisabled, Look::kHover, Look::kPressed};
  for (int cell = 0; cell < 4; ++cell) {
    const int x0 = cell * (kCell + 1);
    DrawCellBackground(p, x0, looks[cell]);
    p.save();
    p.translate(x0 + (looks[cell] == Look::kPressed ? 1 : 0), looks[cell] == Look::kPressed ? 1 : 0);
    glyph(p, InkFor(looks[cell], coloured));
    p.restore();
  }
  return image;
}

QImage MakeTopStrip() {
  QImage image(2000, 18, QImage::Format_RGB888);
  for (int y = 0; y < 18; ++y) {
    const int v = 236 - y * 4;
    for (int x = 0; x < 2000; ++x) image.setPixelColor(x, y, QColor(v, v, v + 2));
  }
  return image;
}

QImage MakeIcon() {
  QImage image(48, 48, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 44, 52), 2));
  p.setBrush(QColor(70, 90, 120));
  p.drawRoundedRect(4, 12, 30, 24, 4, 4);
  p.setBrush(QColor(200, 210, 225));
  p.drawEllipse(QPoint(19, 24), 8, 8);
  p.setBrush(QColor(40, 44, 52));
  p.drawPolygon(QPolygon({QPoint(34, 20), QPoint(44, 14), QPoint(44, 34), QPoint(34, 28)}));
  p.setBrush(QColor(220, 40, 40));
  p.drawEllipse(QPoint(10, 17), 2, 2);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_skin_bitmaps OUTPUT_DIR\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);

  const int y0 = 9;  // glyphs 13 pixels high, centred
  const std::pair<int, Glyph> glyphs[] = {
      {132, [](QPainter& p, const Ink& k) { Fill(p, Triangle(12, y0, true), k.main); }},
      {133, [](QPainter& p, const Ink& k) { Fill(p, Triangle(11, y0, false), k.main); }},
      {134, [](QPainter& p, const Ink& k) { Bar(p, 10, 10, 11, 11, k.main); }},
      {135, [](QPainter& p, const Ink& k) {
         Bar(p, 7, y0, 2, 13, k.main);
         Fill(p, Triangle(10, y0, false), k.main);
         Fill(p, Triangle(16, y0, false), k.main);
       }},
      {136, [](QPainter& p, const Ink& k) {
         Fill(p, Triangle(8, y0, true), k.main);
         Fill(p, Triangle(14, y0, true), k.main);
         Bar(p, 22, y0, 2, 13, k.main);
       }},
      {137, [](QPainter& p, const Ink& k) {
         Fill(p, Triangle(10, y0, true), k.main);
         Bar(p, 19, y0, 2, 13, k.main);
       }},
      {138, [](QPainter& p, const Ink& k) {
         Bar(p, 10, y0, 4, 13, k.main);
         Bar(p, 17, y0, 4, 13, k.main);
       }},
      {139, [](QPainter& p, const Ink& k) {
         Bar(p, 10, y0, 2, 13, k.main);
         Fill(p, Triangle(13, y0, false), k.main);
       }},
      {141, [](QPainter& p, const Ink& k) {  // folder with an arrow pointing up
         p.setPen(k.main);
         p.setBrush(k.accent);
         p.drawPolygon(QPolygon({QPoint(6, 11), QPoint(11, 11), QPoint(13, 13), QPoint(24, 13), QPoint(24, 24), QPoint(6, 24)}));
         Fill(p, QPolygon({QPoint(18, 5), QPoint(23, 10), QPoint(20, 10), QPoint(20, 16), QPoint(16, 16), QPoint(16, 10), QPoint(13, 10)}), k.accent2);
       }},
      {145, [](QPainter& p, const Ink& k) {  // floppy disk
         p.setPen(k.main);
         p.setBrush(k.detail);
         p.drawPolygon(QPolygon({QPoint(7, 7), QPoint(22, 7), QPoint(24, 9), QPoint(24, 24), QPoint(7, 24)}));
         p.fillRect(11, 8, 9, 6, QColor(235, 235, 235));
         p.fillRect(10, 17, 11, 7, QColor(250, 250, 250));
         p.fillRect(17, 9, 2, 4, k.main);
       }},
      {146, [](QPainter& p, const Ink& k) {  // printer
         p.setPen(k.main);
         p.setBrush(QColor(250, 250, 250));
         p.drawRect(10, 6, 11, 8);
         p.setBrush(k.detail.lighter(130));
         p.drawRect(6, 13, 19, 8);
         p.setBrush(QColor(250, 250, 250));
         p.drawRect(10, 19, 11, 6);
         p.fillRect(21, 15, 2, 2, k.accent2);
       }},
  };
  bool ok = true;
  for (const auto& [id, glyph] : glyphs) {
    const bool coloured = id == 141 || id == 145 || id == 146;
    ok &= MakeButtonStrip(glyph, coloured).save(QStringLiteral("%1/skin_%2.bmp").arg(out).arg(id), "BMP");
  }
  ok &= MakeTopStrip().save(QStringLiteral("%1/strip_147.bmp").arg(out), "BMP");
  ok &= MakeIcon().save(QStringLiteral("%1/icon_128.png").arg(out), "PNG");
  return ok ? 0 : 1;
}
