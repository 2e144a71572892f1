#include "app/output_commands.h"

#include <QAction>
#include <QFileDialog>

#include "app/viewer_dlg.h"
#include "app/worker_progress.h"
#include "base/host/control_ids.h"
#include "outputs/presentation_export.h"
#include "outputs/report/evidence_report.h"
#include "playback/engine/playback_controller.h"

namespace bv {
namespace {

std::string ChooseSaveFile(QWidget* parent, const QString& title, const QString& filter, const QString& suffix,
                           const std::string& suggested) {
  QFileDialog dialog(parent, title);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters({filter});
  dialog.setDefaultSuffix(suffix);
  dialog.selectFile(QString::fromStdString(suggested));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::string();
  return dialog.selectedFiles().first().toStdString();
}

bool BackupOpen(const CPlaybackController& viewer) {
  return viewer.Count() > 0 && viewer.Engine().Mode() == kModeBackup;
}

// Copied for the worker, which never touches the viewer.
BackupSource SourceOf(const CPlaybackController& viewer) {
  BackupSource source;
  source.path = viewer.Path();
  source.oldPair = viewer.IsOldPair();
  source.selfContained = viewer.IsSelfContained();
  return source;
}

}  // namespace

std::string ChoosePresentationFileWithDialog(QWidget* parent, const std::string& suggested) {
  return ChooseSaveFile(parent, QStringLiteral("Export for Presentation"), QStringLiteral("MPEG-4 Video (*.mp4)"),
                        QStringLiteral("mp4"), suggested);
}

std::string ChooseReportFileWithDialog(QWidget* parent, const std::string& suggested) {
  return ChooseSaveFile(parent, QStringLiteral("Evidence Report"), QStringLiteral("PDF Document (*.pdf)"),
                        QStringLiteral("pdf"), suggested);
}

void RunPresentationCommand(QWidget* parent, const CPlaybackController& viewer, const PresentationItems& items,
                            const OutputDialogs& dialogs) {
  if (!BackupOpen(viewer)) return;
  const std::string path = dialogs.chooseFile(PathWithExtension(viewer.Path(), ".mp4"));
  if (path.empty()) return;
  PresentationRequest request;
  request.source = SourceOf(viewer);
  request.outputPath = path;
  request.items = items;

  PresentationResult result;
  RunWithProgressDialog(parent, QStringLiteral("Export for Presentation"),
                        QStringLiteral("Exporting %1...").arg(QString::fromStdString(path)),
                        [&](const WorkProgress& progress) { result = ExportPresentation(request, progress); });
  if (!result.ok && !result.cancelled && dialogs.showError) {
    dialogs.showError(QStringLiteral("Cannot export the backup:\n%1").arg(QString::fromStdString(result.error)));
  }
}

void RunEvidenceReportCommand(QWidget* parent, const CPlaybackController& viewer, const OutputDialogs& dialogs) {
  if (!BackupOpen(viewer)) return;
  const std::string path = dialogs.chooseFile(PathWithExtension(viewer.Path(), ".pdf"));
  if (path.empty()) return;
  EvidenceReportRequest request;
  request.source = SourceOf(viewer);
  request.outputPath = path;
  const uint32_t current = viewer.CurrentIndex();
  if (current < viewer.Count() && !viewer.Index()[current].IsAudio()) request.stills.push_back(current);

  EvidenceReportResult result;
  RunWithProgressDialog(parent, QStringLiteral("Evidence Report"),
                        QStringLiteral("Writing %1...").arg(QString::fromStdString(path)),
                        [&](const WorkProgress& progress) { result = WriteEvidenceReport(request, progress); });
  if (!result.ok && !result.cancelled && dialogs.showError) {
    dialogs.showError(QStringLiteral("Cannot write the report:\n%1").arg(QString::fromStdString(result.error)));
  }
}

void CViewerDlg::OnExportPresentation() {
  OutputDialogs dialogs;
  dialogs.chooseFile = options_.choosePresentationFile ? options_.choosePresentationFile
                                                       : [this](const std::string& suggested) {
                                                           return ChoosePresentationFileWithDialog(this, suggested);
                                                         };
  dialogs.showError = [this](const QString& text) { options_.messageBox(text, false); };
  // The texts as "&Display Showing" chooses them; the event caption always.
  PresentationItems items;
  items.camera = actions_[ID_SHOW_CAM_NUMBER]->isChecked();
  items.dateTime = actions_[ID_SHOW_DATE_TIME]->isChecked();
  items.size = actions_[ID_SHOW_IMAGE_SIZE]->isChecked();
  RunPresentationCommand(this, controller_, items, dialogs);
}

void CViewerDlg::OnEvidenceReport() {
  OutputDialogs dialogs;
  dialogs.chooseFile = options_.chooseReportFile ? options_.chooseReportFile : [this](const std::string& suggested) {
    return ChooseReportFileWithDialog(this, suggested);
  };
  dialogs.showError = [this](const QString& text) { options_.messageBox(text, false); };
  RunEvidenceReportCommand(this, controller_, dialogs);
}

}  // namespace bv
