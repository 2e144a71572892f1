#include "app/event_list_wnd.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/format/record_time.h"
#include "base/host/video_window.h"
#include "export/legacy_qstring.h"

namespace bv {
namespace {

constexpr int kEventRole = Qt::UserRole + 1;

QString ShownTime(int64_t ms) {
  const CivilTime t = CivilTimeOfMs(ms);
  return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

// The event text on one line: the caption's line breaks become " / ".
QString OneLine(const std::string& text) {
  return FromLegacy(text).replace(QLatin1Char('\n'), QStringLiteral(" / "));
}

}  // namespace

CEventListWnd::CEventListWnd(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("eventList"));
  setWindowTitle(QStringLiteral("Events"));
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  resize(720, 420);

  machineFilter_ = new QLineEdit(this);
  machineFilter_->setObjectName(QStringLiteral("machineFilter"));
  machineFilter_->setPlaceholderText(QStringLiteral("Machine No."));
  textFilter_ = new QLineEdit(this);
  textFilter_->setObjectName(QStringLiteral("textFilter"));
  textFilter_->setPlaceholderText(QStringLiteral("Text"));
  auto* filters = new QHBoxLayout;
  auto* machineLabel = new QLabel(QStringLiteral("&Machine:"), this);
  machineLabel->setBuddy(machineFilter_);
  auto* textLabel = new QLabel(QStringLiteral("Te&xt:"), this);
  textLabel->setBuddy(textFilter_);
  filters->addWidget(machineLabel);
  filters->addWidget(machineFilter_);
  filters->addWidget(textLabel);
  filters->addWidget(textFilter_, 1);

  table_ = new QTableWidget(0, kColumns, this);
  table_->setObjectName(QStringLiteral("events"));
  table_->setHorizontalHeaderLabels({QStringLiteral("Time"), QStringLiteral("Camera"), QStringLiteral("Machine"),
                                     QStringLiteral("Text"), QStringLiteral("Kind")});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(false);
  table_->horizontalHeader()->setSectionResizeMode(kText, QHeaderView::Stretch);
  table_->setSortingEnabled(true);
  table_->installEventFilter(this);

  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("progress"));
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status"));

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(table_, 1);
  layout->addWidget(progress_);
  layout->addWidget(status_);

  connect(machineFilter_, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
  connect(textFilter_, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { ShowEventOfRow(row); });
  ShowProgress(0, 1);
}

void CEventListWnd::ShowProgress(uint32_t done, uint32_t total) {
  progress_->setRange(0, static_cast<int>(std::max<uint32_t>(total, 1)));
  progress_->setValue(static_cast<int>(done));
  progress_->show();
  status_->setText(QStringLiteral("Reading the event files..."));
}

void CEventListWnd::SetEvents(std::vector<BackupEvent> events) {
  events_ = std::move(events);
  table_->setSortingEnabled(false);
  table_->clearContents();
  table_->setRowCount(static_cast<int>(events_.size()));
  for (int row = 0; row < static_cast<int>(events_.size()); ++row) {
    const BackupEvent& e = events_[row];
    auto* time = new QTableWidgetItem(ShownTime(e.startMs));
    time->setData(kEventRole, row);
    auto* camera = new QTableWidgetItem;
    camera->setData(Qt::DisplayRole, e.camera + 1);
    auto* machine = new QTableWidgetItem;
    machine->setData(Qt::DisplayRole, e.machineNumber);
    table_->setItem(row, kTime, time);
    table_->setItem(row, kCamera, camera);
    table_->setItem(row, kMachine, machine);
    table_->setItem(row, kText, new QTableWidgetItem(OneLine(e.text)));
    table_->setItem(
        row, kKind,
        new QTableWidgetItem(e.kind == kMachineEvent ? QStringLiteral("Machine") : QStringLiteral("R40Max")));
  }
  table_->setSortingEnabled(true);
  table_->sortByColumn(kTime, Qt::AscendingOrder);
  progress_->hide();
  ApplyFilter();
}

void CEventListWnd::ApplyFilter() {
  const QString machine = machineFilter_->text().trimmed();
  const QString text = textFilter_->text().trimmed();
  int shown = 0;
  for (int row = 0; row < table_->rowCount(); ++row) {
    const QTableWidgetItem* machineItem = table_->item(row, kMachine);
    const QTableWidgetItem* textItem = table_->item(row, kText);
    if (!machineItem || !textItem) continue;
    const bool match = (machine.isEmpty() || machineItem->text() == machine) &&
                       (text.isEmpty() || textItem->text().contains(text, Qt::CaseInsensitive));
    table_->setRowHidden(row, !match);
    shown += match;
  }
  status_->setText(QStringLiteral("%1 of %2 events").arg(shown).arg(table_->rowCount()));
}

void CEventListWnd::ShowEventOfRow(int row) {
  const QTableWidgetItem* item = table_->item(row, kTime);
  if (!item || !showEvent_) return;
  const int index = item->data(kEventRole).toInt();
  if (index >= 0 && index < static_cast<int>(events_.size())) showEvent_(events_[index]);
}

bool CEventListWnd::eventFilter(QObject* watched, QEvent* event) {
  if (watched == table_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && table_->currentRow() >= 0) {
      ShowEventOfRow(table_->currentRow());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace bv
