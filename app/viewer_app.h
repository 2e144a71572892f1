#pragma once
// CViewerApp: the application object. It runs the main dialog modally; the
// application ends when the dialog ends.
#include <QApplication>
#include <string>

namespace bv {

class CViewerDlg;

class CViewerApp {
 public:
  CViewerApp(int& argc, char** argv);
  // Runs the dialog; the process exit code (1 when a self-contained backup
  // cannot be opened).
  int Run();

 private:
  QApplication app_;
  std::string fileToOpen_;
  bool play_ = false;
};

// Starts the dialog and runs it until it ends; the exit code of the
// application (1 when its self-contained backup could not be opened).
int RunViewerDialog(CViewerDlg& dialog);

}  // namespace bv
