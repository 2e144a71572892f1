#pragma once
// CGoToTimeDlg: Go > "Go to Time...". Shows the backup's first and last
// record times and asks for a time of day, and for a date as well when the
// backup runs over midnight.
#include <QDialog>
#include <cstdint>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

namespace bv {

class CGoToTimeDlg : public QDialog {
 public:
  // Times in milliseconds of the record clock (record_time.h); start is the
  // moment the fields show first (the record on show).
  CGoToTimeDlg(int64_t firstMs, int64_t lastMs, int64_t startMs, QWidget* parent = nullptr);

  // The moment asked for (the start moment while the time typed is not one).
  int64_t ChosenMs() const;
  bool AsksForDate() const { return asksForDate_; }

 private:
  int64_t firstMs_;
  bool asksForDate_;
  QLabel* first_ = nullptr;
  QLabel* last_ = nullptr;
  QDateEdit* date_ = nullptr;
  QLineEdit* time_ = nullptr;  // "HH:MM:SS" or "HH:MM:SS.mmm"
  QPushButton* ok_ = nullptr;
  int64_t startMs_;
};

}  // namespace bv
