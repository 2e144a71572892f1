#pragma once
// CReportLayout: a document of titled sections, labelled fields, tables and
// pictures, flowed onto pages with a header and a "Page N of M" footer.
// Black text on white with grey rules, so it reads the same printed in
// black and white. Laid out twice: once without a painter to count the
// pages, then painted with the count known.
#include <QFont>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace bv {

struct ReportPageFrame {
  QString headerLeft;
  QString headerRight;
  QString footerLeft;
};

struct ReportColumn {
  QString title;
  double width = 0;  // share of the text width
  bool mono = false;  // hashes and numbers in a fixed-pitch face
};

class CReportLayout {
 public:
  // The device gives the page and its resolution. With no painter nothing is
  // drawn and only the pages are counted; totalPages is then unknown (0).
  CReportLayout(QPagedPaintDevice& device, QPainter* painter, ReportPageFrame frame, int totalPages);

  void Title(const QString& title, const QString& subtitle);
  void Heading(const QString& text);
  void Paragraph(const QString& text);
  // Label and value pairs, the labels in a column of their own.
  void Fields(const std::vector<std::pair<QString, QString>>& fields);
  // A table whose heading row repeats on every page it runs onto.
  void Table(const std::vector<ReportColumn>& columns, const std::vector<QStringList>& rows);
  // A picture, as large as fits half a page, with its caption under it.
  void Picture(const QImage& picture, const QString& caption);
  void NewPage();
  // Ends the last page. The pages laid out.
  int Finish();

  // How many rows of one line each a table of these columns puts on a page
  // of its own.
  int RowsPerPage(const std::vector<ReportColumn>& columns) const;

  // The faces the report is set in (checked by callers: a missing font
  // would print empty boxes).
  static QFont BodyFont();
  static QFont MonoFont();

 private:
  double Points(double points) const { return points * resolution_ / 72.0; }
  double TextHeight(const QFont& font, double width, const QString& text, int flags) const;
  void Ensure(double height);
  void DrawFrame();
  void DrawText(const QFont& font, const QRectF& rect, int flags, const QString& text, QColor colour = Qt::black);
  double RowHeight(const std::vector<ReportColumn>& columns, const QStringList& cells, bool heading) const;
  void DrawRow(const std::vector<ReportColumn>& columns, const QStringList& cells, bool heading, double height);

  QPagedPaintDevice& device_;
  QPainter* painter_;
  ReportPageFrame frame_;
  int totalPages_;
  int resolution_;
  double width_ = 0;   // of the text area, in device pixels
  double top_ = 0;     // first line under the header
  double bottom_ = 0;  // last line above the footer
  double y_ = 0;
  int page_ = 1;
};

}  // namespace bv
