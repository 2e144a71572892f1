// The Go menu: going to a moment of the open backup.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "app/go_to_time_dlg.h"
#include "app/viewer_dlg.h"
#include "playback/control_ids.h"
#include "playback/record_time.h"

namespace bv {

void CViewerDlg::AddGoMenu() {
  QMenu* go = menuBar_->addMenu(QStringLiteral("&Go"));
  go->setObjectName(QStringLiteral("goMenu"));
  QAction* toTime = go->addAction(QStringLiteral("Go to &Time..."));
  toTime->setObjectName(QString::number(ID_GO_TO_TIME));
  toTime->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  toTime->setEnabled(false);
  actions_[ID_GO_TO_TIME] = toTime;
  connect(toTime, &QAction::triggered, this, [this] { OnGoToTime(); });
  // Offered exactly while a backup is open, as the information is.
  connect(actions_[ID_FILE_SHOW_INFORMATION], &QAction::enabledChanged, toTime, &QAction::setEnabled);
}

void CViewerDlg::OnGoToTime() {
  if (controller_.Count() == 0 || !actions_[ID_GO_TO_TIME]->isEnabled()) return;
  const CRecordTimeSearch& search = controller_.TimeSearch();
  const int64_t current = RecordMomentMs(controller_.Index()[controller_.CurrentIndex()]);
  CGoToTimeDlg dialog(search.FirstTimeMs(), search.LastTimeMs(), current, this);
  if (dialog.exec() != QDialog::Accepted) return;
  controller_.GoToTime(dialog.ChosenMs());
}

}  // namespace bv
