#pragma once
// CViewerApp: the application object. It runs the main dialog modally; the
// application ends when the dialog ends.
#include <QApplication>
#include <string>

namespace bv {

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

}  // namespace bv
