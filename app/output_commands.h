#pragma once
// The File menu's "Export for &Presentation..." (the open backup as an MP4
// file that plays anywhere, outputs/presentation_export.h) and
// "Evidence &Report..." (a PDF of what the backup is and holds, with the
// picture shown as its still, outputs/report/evidence_report.h). A save dialog names
// the file; the work runs on a worker thread with its own reading of the
// backup while a progress dialog offers to cancel. A cancelled or failed run
// leaves no file.
#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace bv {

class CPlaybackController;
struct PresentationItems;

struct OutputDialogs {
  // The save dialog: the path chosen, "" on cancel. suggested is the
  // backup's name with the output's extension, in the backup's folder.
  std::function<std::string(const std::string& suggested)> chooseFile;
  // Why the work was refused or failed.
  std::function<void(const QString& text)> showError;
};

// Save dialogs filtering MP4 and PDF files.
std::string ChoosePresentationFileWithDialog(QWidget* parent, const std::string& suggested);
std::string ChooseReportFileWithDialog(QWidget* parent, const std::string& suggested);

// Nothing happens when no backup is open. Both return when the work has
// ended; the progress dialog is parent's child.
void RunPresentationCommand(QWidget* parent, const CPlaybackController& viewer, const PresentationItems& items,
                            const OutputDialogs& dialogs);
// The record the viewer shows is the report's still (when it is a video
// record).
void RunEvidenceReportCommand(QWidget* parent, const CPlaybackController& viewer, const OutputDialogs& dialogs);

}  // namespace bv
