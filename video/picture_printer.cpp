#include "video/picture_printer.h"

#include <QPainter>
#include <QPrintDialog>
#include <QWidget>

#include "base/host/control_ids.h"
#include "export/print_page.h"

namespace bv {

PrinterChoice RunSystemPrintDialog() {
  PrinterChoice choice;
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  QPrintDialog dialog(printer.get(), nullptr);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
  if (dialog.exec() != QDialog::Accepted) return choice;
  choice.outcome = printer->isValid() ? PrinterChoice::Outcome::kPrinter : PrinterChoice::Outcome::kNoPrinter;
  choice.printer = std::move(printer);
  return choice;
}

int PrintPictureOnPage(const PrintSupport& support, const QImage& picture, const QString& caption,
                       const QWidget* window) {
  auto fail = [&support] {
    if (support.showMessage) support.showMessage(kPrintError);
    return 0;
  };
  if (picture.isNull()) return fail();
  PrinterChoice choice = support.printDialog ? support.printDialog() : RunSystemPrintDialog();
  if (choice.outcome == PrinterChoice::Outcome::kCancelled) return 0;
  if (choice.outcome != PrinterChoice::Outcome::kPrinter || !choice.printer || !choice.printer->isValid()) {
    return fail();
  }
  QPrinter& printer = *choice.printer;
  printer.setDocName(QString::fromLatin1(kPrintTitle));
  QPainter painter;
  if (!painter.begin(&printer)) return fail();
  // The picture is as large on paper as 588 x 440 pixels are on this
  // window's screen.
  const int screenDpiX = window ? window->logicalDpiX() : 0;
  const int screenDpiY = window ? window->logicalDpiY() : 0;
  PaintPrintPage(painter, picture, caption, screenDpiX, screenDpiY);
  // Errors of the page and the document are not checked: the page ends and
  // the document closes in any case.
  painter.end();
  return 1;
}

}  // namespace bv
