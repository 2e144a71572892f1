#include "app/export_command.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <atomic>
#include <thread>

#include "app/viewer_dlg.h"
#include "playback/playback_controller.h"
#include "playback/record_time.h"
#include "video_export/video_export.h"

namespace bv {
namespace {

// "/hall/cam1.zrv" -> "/hall/cam1.mkv"; a name without an extension gets one.
std::string SuggestedExportPath(const std::string& backupPath) {
  const size_t slash = backupPath.find_last_of('/');
  const size_t dot = backupPath.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? backupPath.substr(0, dot) : backupPath) + ".mkv";
}

// Reports progress to the GUI thread once per percent. Each report waits
// until the progress dialog has shown it, so a cancel pressed by then is
// seen before the next packet.
class CProgressRelay {
 public:
  CProgressRelay(QProgressDialog& dialog, std::atomic<bool>& cancelled) : dialog_(dialog), cancelled_(cancelled) {}

  bool Report(uint32_t done, uint32_t total) {
    const int percent = total > 0 ? static_cast<int>(uint64_t{done} * 100 / total) : 100;
    if (percent != shown_) {
      shown_ = percent;
      QMetaObject::invokeMethod(
          &dialog_,
          [this, percent] {
            dialog_.setValue(percent);
            // Cancel pressed, Escape, or the dialog closed.
            if (dialog_.wasCanceled()) cancelled_ = true;
          },
          Qt::BlockingQueuedConnection);
    }
    return !cancelled_.load();
  }

 private:
  QProgressDialog& dialog_;
  std::atomic<bool>& cancelled_;
  int shown_ = -1;
};

}  // namespace

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
  const std::string path = dialogs.chooseFile(SuggestedExportPath(viewer.Path()));
  if (path.empty()) return;

  // Everything the worker needs is copied now: it never touches the viewer.
  VideoExportRequest request;
  request.backupPath = viewer.Path();
  request.oldPair = viewer.IsOldPair();
  request.selfContained = viewer.IsSelfContained();
  request.outputPath = path;
  if (markedOnly) {
    request.first = markedFirst;
    request.last = markedLast;
  }

  QProgressDialog progress(QStringLiteral("Exporting %1...").arg(QString::fromStdString(path)),
                           QStringLiteral("Cancel"), 0, 100, parent);
  progress.setWindowTitle(QStringLiteral("Export"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  progress.setMinimumDuration(0);
  progress.setValue(0);
  progress.show();
  std::atomic<bool> cancelled{false};
  QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&cancelled] { cancelled = true; });

  QEventLoop loop;
  VideoExportResult result;
  std::thread worker([&] {
    CProgressRelay relay(progress, cancelled);
    result = ExportVideo(request, [&relay](uint32_t done, uint32_t total) { return relay.Report(done, total); });
    QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  progress.close();

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
