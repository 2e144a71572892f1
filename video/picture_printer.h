#pragma once
// Printing a picture from a video window: the print dialog (the system's,
// or one a test injects), the printer it gives, and the page painted on it.
// Both video windows print this way; they differ only in which header
// describes the picture.
#include <QImage>
#include <QPrinter>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace bv {

// What the print dialog gave.
struct PrinterChoice {
  enum class Outcome { kPrinter, kCancelled, kNoPrinter };
  Outcome outcome = Outcome::kCancelled;
  std::unique_ptr<QPrinter> printer;
};
using PrintDialogRunner = std::function<PrinterChoice()>;

// The system's print dialog, without an owner: no page ranges, no
// selection; printing to a PDF file is offered where there is no printer.
PrinterChoice RunSystemPrintDialog();

struct PrintSupport {
  PrintDialogRunner printDialog;                        // the system's when empty
  std::function<void(const std::string&)> showMessage;  // "Print Error #1"
};

// Shows the print dialog and prints the page: the title, the picture and the
// caption, laid out for the screen resolution of window (96 dpi without
// one). 1 printed; 0 when cancelled (no message), or when there is no
// printer or no picture ("Print Error #1").
int PrintPictureOnPage(const PrintSupport& support, const QImage& picture, const QString& caption,
                       const QWidget* window);

}  // namespace bv
