#include "app/export_command.h"

#include <QFileDialog>
#include <QMessageBox>

#include "app/viewer_dlg.h"
#include "app/worker_progress.h"
#include "base/format/record_time.h"
#include "outputs/video_export.h"
#include "playback/engine/playback_controller.h"

namespace bv {

std::string ChooseExportFileWithDialog(QWidget* parent, const std::string& suggested) {
  QFileDialog dialog(parent, QStringLiteral("Export"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters({QStringLiteral("Matroska Video (*.mkv)")});
  dialog.setDefaultSuffix(QStringLiteral("mkv"));
  dialog.selectFile(QString::fromStdString(suggested));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::string();
  return dialog.selectedFiles().first().toStdString();
}

void RunExportCommand(QWidget* parent, const CPlaybackController& viewer, const ExportDialogs& dialogs) {
  if (viewer.Count() == 0 || viewer.Engine().Mode() != kModeBackup) return;
  // The marked range is offered first: the user chose it for this.
  uint32_t markedFirst = 0;
  uint32_t markedLast = 0;
  bool markedOnly = false;
  if (viewer.MarkedRange(&markedFirst, &markedLast)) {
    const QString question =
        QStringLiteral("Export only the marked records (%1 to %2)?")
            .arg(QString::fromStdString(FormatMoment(RecordMomentMs(viewer.Index()[markedFirst]))),
                 QString::fromStdString(FormatMoment(RecordMomentMs(viewer.Index()[markedLast]))));
    markedOnly = dialogs.askMarkedOnly ? dialogs.askMarkedOnly(question) : true;
  }
  const std::string path = dialogs.chooseFile(PathWithExtension(viewer.Path(), ".mkv"));
  if (path.empty()) return;

  // Everything the worker needs is copied now: it never touches the viewer.
  VideoExportRequest request;
  request.backupPath = viewer.Path();
  request.oldPair = viewer.IsOldPair();
  request.selfContained = viewer.IsAppendedBackup();
  request.outputPath = path;
  if (markedOnly) {
    request.first = markedFirst;
    request.last = markedLast;
  }

  VideoExportResult result;
  RunWithProgressDialog(parent, QStringLiteral("Export"), QStringLiteral("Exporting %1...").arg(QString::fromStdString(path)),
                        [&](const WorkProgress& progress) { result = ExportVideo(request, progress); });

  if (!result.ok && !result.cancelled && dialogs.showError) {
    dialogs.showError(QStringLiteral("Cannot export the backup:\n%1").arg(QString::fromStdString(result.error)));
  }
}

void CViewerDlg::OnExport() {
  ExportDialogs dialogs;
  dialogs.chooseFile = options_.chooseExportFile
                           ? options_.chooseExportFile
                           : [this](const std::string& suggested) { return ChooseExportFileWithDialog(this, suggested); };
  dialogs.showError = [this](const QString& text) { options_.messageBox(text, false); };
  dialogs.askMarkedOnly = options_.askExportMarkedOnly ? options_.askExportMarkedOnly : [this](const QString& question) {
    return QMessageBox::question(this, QStringLiteral("Export"), question, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
  };
  RunExportCommand(this, controller_, dialogs);
}

}  // namespace bv
