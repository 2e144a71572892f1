#include "app/message_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace bv {

int MessageBoxWidthForCaption(const QMessageBox& box) {
  // Title bars use a bold face of about the dialog's size; their buttons
  // (icon, minimise, maximise, close) are about a title's height each.
  QFont title = box.font();
  title.setBold(true);
  const QFontMetrics metrics(title);
  return metrics.horizontalAdvance(box.windowTitle()) + 6 * metrics.height() + 48;
}

int ExecMessageBox(QMessageBox& box) {
  // The box sizes itself from its layout: a spacer across it keeps it wide.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(MessageBoxWidthForCaption(box), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  return box.exec();
}

}  // namespace bv
