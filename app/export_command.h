#pragma once
// The File menu's "&Export..." command: the open backup as a Matroska file
// (outputs/video_export.h). A save dialog names the file; the export
// runs on a worker thread with its own reading of the backup, so the viewer
// may go on playing, while a progress dialog offers to cancel. A cancelled
// or failed export leaves no file.
#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace bv {

class CPlaybackController;

struct ExportDialogs {
  // The save dialog: the path chosen, "" on cancel. suggested is the
  // backup's name with ".mkv", in the backup's folder.
  std::function<std::string(const std::string& suggested)> chooseFile;
  // With marks set: whether to export the marked records alone (true) or
  // the whole backup; unset takes the marked records.
  std::function<bool(const QString& question)> askMarkedOnly;
  // Why an export was refused or failed.
  std::function<void(const QString& text)> showError;
};

// The save dialog of the export, filtering Matroska files.
std::string ChooseExportFileWithDialog(QWidget* parent, const std::string& suggested);

// Exports the backup viewer has open (nothing happens when none is open).
// Returns when the export has ended; the progress dialog is parent's child.
void RunExportCommand(QWidget* parent, const CPlaybackController& viewer, const ExportDialogs& dialogs);

}  // namespace bv
