#include "app/go_to_time_dlg.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "base/format/record_time.h"

namespace bv {
namespace {

QDate DateOf(const CivilTime& t) { return QDate(t.year, t.month, t.day); }
// The time of day typed, as milliseconds since midnight; -1 when it is not one.
int64_t TimeOfDayMs(const QString& text) {
  int64_t ms = 0;
  const std::string typed = text.trimmed().toStdString();
  if (!ParseMoment("1970-01-01T" + typed, &ms)) return -1;
  return ms;
}

QString Shown(int64_t ms) {
  const CivilTime t = CivilTimeOfMs(ms);
  return QString::asprintf("%04d-%02d-%02d  %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute, t.second,
                           t.millisecond);
}

}  // namespace

CGoToTimeDlg::CGoToTimeDlg(int64_t firstMs, int64_t lastMs, int64_t startMs, QWidget* parent)
    : QDialog(parent), firstMs_(firstMs), startMs_(std::clamp(startMs, firstMs, lastMs)) {
  setObjectName(QStringLiteral("goToTime"));
  setWindowTitle(QStringLiteral("Go to Time"));
  const CivilTime first = CivilTimeOfMs(firstMs);
  const CivilTime last = CivilTimeOfMs(lastMs);
  const CivilTime start = CivilTimeOfMs(startMs_);
  asksForDate_ = DateOf(first) != DateOf(last);

  auto* form = new QFormLayout;
  first_ = new QLabel(Shown(firstMs), this);
  first_->setObjectName(QStringLiteral("first"));
  last_ = new QLabel(Shown(lastMs), this);
  last_->setObjectName(QStringLiteral("last"));
  form->addRow(QStringLiteral("First record:"), first_);
  form->addRow(QStringLiteral("Last record:"), last_);
  if (asksForDate_) {
    date_ = new QDateEdit(DateOf(start), this);
    date_->setObjectName(QStringLiteral("date"));
    date_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    date_->setDateRange(DateOf(first), DateOf(last));
    form->addRow(QStringLiteral("&Date:"), date_);
  }
  time_ = new QLineEdit(
      QString::asprintf("%02d:%02d:%02d.%03d", start.hour, start.minute, start.second, start.millisecond), this);
  time_->setObjectName(QStringLiteral("time"));
  time_->setPlaceholderText(QStringLiteral("HH:MM:SS.mmm"));
  time_->selectAll();
  form->addRow(QStringLiteral("&Time:"), time_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  // OK only while the text is a time of day.
  connect(time_, &QLineEdit::textChanged, this,
          [this](const QString& text) { ok_->setEnabled(TimeOfDayMs(text) >= 0); });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  time_->setFocus();
}

int64_t CGoToTimeDlg::ChosenMs() const {
  const CivilTime first = CivilTimeOfMs(firstMs_);
  const QDate date = date_ ? date_->date() : DateOf(first);
  const int64_t timeOfDay = TimeOfDayMs(time_->text());
  if (timeOfDay < 0) return startMs_;
  return CivilMomentMs(date.year(), date.month(), date.day(), 0, 0, 0, 0) + timeOfDay;
}

}  // namespace bv
