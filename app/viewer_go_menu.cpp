// The Go menu: going to a moment of the open backup.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>

#include "app/go_to_time_dlg.h"
#include "app/viewer_dlg.h"
#include "base/format/record_time.h"
#include "base/host/control_ids.h"
#include "controls/custom_slider_ctrl.h"

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

  QAction* events = go->addAction(QStringLiteral("&Events..."));
  events->setObjectName(QString::number(ID_GO_EVENTS));
  events->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  events->setEnabled(false);
  actions_[ID_GO_EVENTS] = events;
  connect(events, &QAction::triggered, this, [this] { OnShowEvents(); });
  connect(actions_[ID_FILE_SHOW_INFORMATION], &QAction::enabledChanged, events, &QAction::setEnabled);

  go->addSeparator();
  const std::pair<int, const char*> marks[] = {
      {ID_GO_MARK_IN, "Mark &In"}, {ID_GO_MARK_OUT, "Mark &Out"}, {ID_GO_CLEAR_MARKS, "Clear Marks"}};
  for (auto [id, text] : marks) {
    QAction* action = go->addAction(QString::fromLatin1(text));
    action->setObjectName(QString::number(id));
    action->setEnabled(false);
    actions_[id] = action;
    connect(actions_[ID_FILE_SHOW_INFORMATION], &QAction::enabledChanged, action, &QAction::setEnabled);
    connect(action, &QAction::triggered, this, [this, id = id] {
      if (id == ID_GO_MARK_IN) controller_.SetMarkIn();
      if (id == ID_GO_MARK_OUT) controller_.SetMarkOut();
      if (id == ID_GO_CLEAR_MARKS) controller_.ClearMarks();
      ShowMarks();
    });
  }
  actions_[ID_GO_MARK_IN]->setShortcut(QKeySequence(Qt::Key_I));
  actions_[ID_GO_MARK_OUT]->setShortcut(QKeySequence(Qt::Key_O));

  go->addSeparator();
  cameraMenu_ = go->addMenu(QStringLiteral("&Camera"));
  cameraMenu_->setObjectName(QStringLiteral("cameraMenu"));
  // Every open begins with all cameras and no marks.
  connect(actions_[ID_FILE_SHOW_INFORMATION], &QAction::enabledChanged, this, [this] {
    RebuildCameraMenu();
    ShowMarks();
    StartEventListing();
  });
  RebuildCameraMenu();
}

void CViewerDlg::ShowMarks() {
  auto asValue = [](uint32_t mark) { return mark == CPlaybackController::kNoMark ? -1 : static_cast<int>(mark); };
  static_cast<CPositionSliderCtrl*>(sliders_[IDC_POSITION_SLIDER])
      ->SetMarks(asValue(controller_.MarkIn()), asValue(controller_.MarkOut()));
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
