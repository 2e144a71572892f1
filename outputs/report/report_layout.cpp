#include "outputs/report/report_layout.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <algorithm>

namespace bv {
namespace {

const QColor kRule(0x80, 0x80, 0x80);
const QColor kHeadingFill(0xE6, 0xE6, 0xE6);

QFont Sized(QFont font, double points, bool bold = false) {
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

}  // namespace

QFont CReportLayout::BodyFont() {
  QFont font(QStringLiteral("DejaVu Sans"), 9);
  // No ligatures: a hash or a name copied out of the report must be the
  // characters it shows ("ff" in a SHA-256 would otherwise become one glyph).
  font.setStyleStrategy(QFont::PreferNoShaping);
  return font;
}
QFont CReportLayout::MonoFont() {
  QFont font(QStringLiteral("DejaVu Sans Mono"));
  font.setPointSizeF(6.5);
  font.setStyleHint(QFont::Monospace);
  return font;
}

CReportLayout::CReportLayout(QPagedPaintDevice& device, QPainter* painter, ReportPageFrame frame, int totalPages)
    : device_(device), painter_(painter), frame_(std::move(frame)), totalPages_(totalPages) {
  resolution_ = device.logicalDpiY();
  const QRect area = device.pageLayout().paintRectPixels(resolution_);
  width_ = area.width();
  top_ = Points(26);
  bottom_ = area.height() - Points(26);
  y_ = top_;
  DrawFrame();
}

double CReportLayout::TextHeight(const QFont& font, double width, const QString& text, int flags) const {
  const QFontMetricsF metrics(font, &device_);
  return metrics.boundingRect(QRectF(0, 0, width, 1e9), flags, text).height();
}

void CReportLayout::DrawText(const QFont& font, const QRectF& rect, int flags, const QString& text, QColor colour) {
  if (!painter_) return;
  painter_->setFont(font);
  painter_->setPen(colour);
  painter_->drawText(rect, flags, text);
}

void CReportLayout::DrawFrame() {
  if (!painter_) return;
  const QFont small = Sized(BodyFont(), 7.5);
  const double line = QFontMetricsF(small, &device_).height();
  DrawText(small, QRectF(0, 0, width_ * 0.6, line), Qt::AlignLeft | Qt::AlignTop, frame_.headerLeft);
  DrawText(small, QRectF(width_ * 0.4, 0, width_ * 0.6, line), Qt::AlignRight | Qt::AlignTop, frame_.headerRight);
  painter_->setPen(QPen(kRule, Points(0.5)));
  painter_->drawLine(QPointF(0, line + Points(3)), QPointF(width_, line + Points(3)));
  const double footer = bottom_ + Points(8);
  painter_->drawLine(QPointF(0, footer), QPointF(width_, footer));
  DrawText(small, QRectF(0, footer + Points(3), width_ * 0.75, line), Qt::AlignLeft | Qt::AlignTop, frame_.footerLeft);
  const QString page = totalPages_ > 0 ? QStringLiteral("Page %1 of %2").arg(page_).arg(totalPages_)
                                       : QStringLiteral("Page %1").arg(page_);
  DrawText(small, QRectF(width_ * 0.5, footer + Points(3), width_ * 0.5, line), Qt::AlignRight | Qt::AlignTop, page);
}

void CReportLayout::NewPage() {
  if (painter_) device_.newPage();
  ++page_;
  y_ = top_;
  DrawFrame();
}

void CReportLayout::Ensure(double height) {
  if (y_ + height > bottom_ && y_ > top_) NewPage();
}

int CReportLayout::Finish() { return page_; }

void CReportLayout::Title(const QString& title, const QString& subtitle) {
  const QFont big = Sized(BodyFont(), 18, true);
  const QFont sub = Sized(BodyFont(), 11);
  const double h1 = TextHeight(big, width_, title, Qt::TextWordWrap);
  const double h2 = subtitle.isEmpty() ? 0 : TextHeight(sub, width_, subtitle, Qt::TextWordWrap);
  Ensure(h1 + h2 + Points(12));
  DrawText(big, QRectF(0, y_, width_, h1), Qt::TextWordWrap, title);
  y_ += h1 + Points(2);
  if (!subtitle.isEmpty()) {
    DrawText(sub, QRectF(0, y_, width_, h2), Qt::TextWordWrap, subtitle);
    y_ += h2;
  }
  y_ += Points(10);
}

void CReportLayout::Heading(const QString& text) {
  const QFont font = Sized(BodyFont(), 12, true);
  const double h = TextHeight(font, width_, text, Qt::TextWordWrap);
  // A heading never stands alone at the foot of a page.
  Ensure(h + Points(40));
  y_ += Points(6);
  DrawText(font, QRectF(0, y_, width_, h), Qt::TextWordWrap, text);
  y_ += h + Points(2);
  if (painter_) {
    painter_->setPen(QPen(Qt::black, Points(0.8)));
    painter_->drawLine(QPointF(0, y_), QPointF(width_, y_));
  }
  y_ += Points(5);
}

void CReportLayout::Paragraph(const QString& text) {
  const QFont font = BodyFont();
  const double h = TextHeight(font, width_, text, Qt::TextWordWrap);
  Ensure(h);
  DrawText(font, QRectF(0, y_, width_, h), Qt::TextWordWrap, text);
  y_ += h + Points(5);
}

void CReportLayout::Fields(const std::vector<std::pair<QString, QString>>& fields) {
  const QFont label = Sized(BodyFont(), 9, true);
  const QFont value = BodyFont();
  const double labelWidth = width_ * 0.24;
  const double valueWidth = width_ - labelWidth;
  for (const auto& [name, text] : fields) {
    const int flags = Qt::TextWordWrap | Qt::TextWrapAnywhere;
    const double h = std::max(TextHeight(label, labelWidth - Points(6), name, Qt::TextWordWrap),
                              TextHeight(value, valueWidth, text, flags));
    Ensure(h);
    DrawText(label, QRectF(0, y_, labelWidth - Points(6), h), Qt::TextWordWrap, name);
    DrawText(value, QRectF(labelWidth, y_, valueWidth, h), flags, text);
    y_ += h + Points(2.5);
  }
  y_ += Points(4);
}

double CReportLayout::RowHeight(const std::vector<ReportColumn>& columns, const QStringList& cells,
                                bool heading) const {
  double height = 0;
  for (size_t c = 0; c < columns.size(); ++c) {
    const QFont font = heading ? Sized(BodyFont(), 7.5, true) : columns[c].mono ? MonoFont() : Sized(BodyFont(), 7.5);
    const QString text = c < static_cast<size_t>(cells.size()) ? cells[static_cast<int>(c)] : QString();
    const double w = columns[c].width * width_ - Points(4);
    height = std::max(height, TextHeight(font, w, text.isEmpty() ? QStringLiteral(" ") : text,
                                         Qt::TextWordWrap | Qt::TextWrapAnywhere));
  }
  return height + Points(3);
}

void CReportLayout::DrawRow(const std::vector<ReportColumn>& columns, const QStringList& cells, bool heading,
                            double height) {
  if (painter_) {
    if (heading) painter_->fillRect(QRectF(0, y_, width_, height), kHeadingFill);
    double x = 0;
    for (size_t c = 0; c < columns.size(); ++c) {
      const QFont font = heading ? Sized(BodyFont(), 7.5, true) : columns[c].mono ? MonoFont() : Sized(BodyFont(), 7.5);
      const double w = columns[c].width * width_;
      const QString text = c < static_cast<size_t>(cells.size()) ? cells[static_cast<int>(c)] : QString();
      DrawText(font, QRectF(x + Points(2), y_ + Points(1.5), w - Points(4), height - Points(1.5)),
               Qt::TextWordWrap | Qt::TextWrapAnywhere, text);
      x += w;
    }
    painter_->setPen(QPen(heading ? QColor(Qt::black) : kRule, Points(heading ? 0.6 : 0.3)));
    painter_->drawLine(QPointF(0, y_ + height), QPointF(width_, y_ + height));
  }
  y_ += height;
}

void CReportLayout::Table(const std::vector<ReportColumn>& columns, const std::vector<QStringList>& rows) {
  QStringList titles;
  for (const ReportColumn& column : columns) titles << column.title;
  const double headingHeight = RowHeight(columns, titles, true);
  bool headingDrawn = false;
  for (const QStringList& row : rows) {
    const double h = RowHeight(columns, row, false);
    const int before = page_;
    Ensure((headingDrawn ? 0 : headingHeight) + h);
    if (!headingDrawn || page_ != before) {
      DrawRow(columns, titles, true, headingHeight);
      headingDrawn = true;
    }
    DrawRow(columns, row, false, h);
  }
  y_ += Points(8);
}

int CReportLayout::RowsPerPage(const std::vector<ReportColumn>& columns) const {
  QStringList titles;
  QStringList one;
  for (const ReportColumn& column : columns) {
    titles << column.title;
    one << QStringLiteral("0");
  }
  const double rowHeight = RowHeight(columns, one, false);
  return std::max(1, static_cast<int>((bottom_ - top_ - RowHeight(columns, titles, true)) / rowHeight));
}

void CReportLayout::Picture(const QImage& picture, const QString& caption) {
  if (picture.isNull()) return;
  const QFont font = Sized(BodyFont(), 8.5);
  const double maxWidth = width_ * 0.8;
  const double maxHeight = (bottom_ - top_) * 0.5;
  const double scale = std::min(maxWidth / picture.width(), maxHeight / picture.height());
  const QSizeF size(picture.width() * scale, picture.height() * scale);
  const double captionHeight = TextHeight(font, width_, caption, Qt::TextWordWrap);
  Ensure(size.height() + Points(4) + captionHeight);
  if (painter_) {
    const QRectF target(0, y_, size.width(), size.height());
    painter_->drawImage(target, picture);
    painter_->setPen(QPen(Qt::black, Points(0.5)));
    painter_->drawRect(target);
  }
  y_ += size.height() + Points(4);
  DrawText(font, QRectF(0, y_, width_, captionHeight), Qt::TextWordWrap, caption);
  y_ += captionHeight + Points(12);
}

}  // namespace bv
