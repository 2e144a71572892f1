#pragma once
// CEventListWnd: Go > "Events...", a window of its own listing the open
// backup's hall events: time, camera, machine number, the caption's text and
// kind, sortable by any column and filtered by machine number and text.
// Double-click or Enter on an event shows the first record inside it.
#include <QDialog>
#include <functional>
#include <vector>

#include "playback/engine/backup_event_list.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QTableWidget;

namespace bv {

class CEventListWnd : public QDialog {
 public:
  enum Column { kTime, kCamera, kMachine, kText, kKind, kColumns };

  explicit CEventListWnd(QWidget* parent = nullptr);

  // Called with the event the user chose.
  void SetShowEvent(std::function<void(const BackupEvent&)> show) { showEvent_ = std::move(show); }
  // While the list is read: the files read of all.
  void ShowProgress(uint32_t done, uint32_t total);
  void SetEvents(std::vector<BackupEvent> events);
  QTableWidget* Table() const { return table_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyFilter();
  void ShowEventOfRow(int row);

  std::vector<BackupEvent> events_;
  std::function<void(const BackupEvent&)> showEvent_;
  QLineEdit* machineFilter_ = nullptr;
  QLineEdit* textFilter_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
  QTableWidget* table_ = nullptr;
};

}  // namespace bv
