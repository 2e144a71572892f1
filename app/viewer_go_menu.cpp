// The Go menu: going to a moment of the open backup.
#include <QAction>
#include <QActionGroup>
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

  go->addSeparator();
  cameraMenu_ = go->addMenu(QStringLiteral("&Camera"));
  cameraMenu_->setObjectName(QStringLiteral("cameraMenu"));
  connect(actions_[ID_FILE_SHOW_INFORMATION], &QAction::enabledChanged, this, [this] { RebuildCameraMenu(); });
  RebuildCameraMenu();
}

void CViewerDlg::RebuildCameraMenu() {
  cameraMenu_->clear();
  auto* group = new QActionGroup(cameraMenu_);
  auto add = [this, group](const QString& text, const QString& name, int camera) {
    QAction* action = cameraMenu_->addAction(text);
    action->setObjectName(name);
    action->setCheckable(true);
    action->setChecked(controller_.CameraFilter() == camera);
    group->addAction(action);
    connect(action, &QAction::triggered, this, [this, camera] { controller_.SetCameraFilter(camera); });
  };
  add(QStringLiteral("All cameras"), QStringLiteral("camera-all"), CPlaybackController::kAllCameras);
  const bool open = controller_.Count() > 0 && actions_[ID_FILE_SHOW_INFORMATION]->isEnabled();
  const std::vector<int> cameras = open ? controller_.CamerasInIndex() : std::vector<int>{};
  for (int camera : cameras) {
    add(QStringLiteral("Camera %1").arg(camera + 1), QStringLiteral("camera-%1").arg(camera), camera);
  }
  // A choice only when the index holds records of several cameras.
  cameraMenu_->setEnabled(cameras.size() > 1);
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
