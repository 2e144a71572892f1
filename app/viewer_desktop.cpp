// What a desktop user expects beyond the recorder's own viewer: keyboard
// shortcuts, shown in a Playback menu, and opening files dropped on the
// window.
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

#include "app/viewer_dlg.h"
#include "base/host/control_ids.h"
#include "controls/skin_button.h"

namespace bv {

void CViewerDlg::AddPlaybackMenu() {
  actions_[ID_FILE_OPEN]->setShortcut(QKeySequence::Open);
  QMenu* playback = menuBar_->addMenu(QStringLiteral("&Playback"));
  auto add = [this, playback](int id, const QString& text, const QKeySequence& keys, auto command) {
    QAction* action = playback->addAction(text);
    action->setObjectName(QString::number(id));
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, command);
    actions_[id] = action;
  };
  add(ID_PLAYBACK_PLAY_PAUSE, QStringLiteral("Play / &Pause"), QKeySequence(Qt::Key_Space), [this] {
    PressButton(controller_.GetPlayState() == kStoppedOrPaused ? IDC_PLAY_FORWARD : IDC_PAUSE);
  });
  add(ID_PLAYBACK_STEP_FORWARD, QStringLiteral("Step &Forward"), QKeySequence(Qt::Key_Right),
      [this] { PressButton(IDC_STEP_FORWARD); });
  add(ID_PLAYBACK_STEP_BACKWARD, QStringLiteral("Step &Back"), QKeySequence(Qt::Key_Left),
      [this] { PressButton(IDC_STEP_BACKWARD); });
  add(ID_PLAYBACK_FIRST, QStringLiteral("F&irst Record"), QKeySequence(Qt::Key_Home),
      [this] { PressButton(IDC_FIRST_RECORD); });
  add(ID_PLAYBACK_LAST, QStringLiteral("&Last Record"), QKeySequence(Qt::Key_End),
      [this] { PressButton(IDC_LAST_RECORD); });
  playback->addSeparator();
  add(ID_PLAYBACK_SNAPSHOT, QStringLiteral("Save &Snapshot..."), QKeySequence::Save,
      [this] { PressButton(IDC_SAVE_SNAPSHOT); });
  add(ID_PLAYBACK_PRINT, QStringLiteral("P&rint..."), QKeySequence::Print, [this] { PressButton(IDC_PRINT); });
}

void CViewerDlg::PressButton(int id) {
  CSkinButton* button = buttons_.value(id);
  if (!button || !button->isEnabled() || button->HasDisabledLook()) return;
  // Open is hidden for good in self-contained mode; the others only in the
  // full-screen view, where their keys still work.
  if (id == IDC_OPEN && controller_.IsSelfContained()) return;
  button->click();
}

void CViewerDlg::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* data = event->mimeData();
  if (!controller_.IsSelfContained() && data->hasUrls() && !data->urls().isEmpty() &&
      data->urls().first().isLocalFile()) {
    event->acceptProposedAction();
  }
}

void CViewerDlg::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  OpenFromDesktop(urls.first().toLocalFile().toStdString());
}

void CViewerDlg::OpenFromDesktop(const std::string& path) {
  // A self-contained viewer plays only its own backup.
  if (controller_.IsSelfContained()) return;
  controller_.OpenChosenFile(path);
}

}  // namespace bv
