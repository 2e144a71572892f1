#include "app/viewer_app.h"

#include <QEventLoop>
#include <QStringList>

#include "app/viewer_dlg.h"

namespace bv {

CViewerApp::CViewerApp(int& argc, char** argv) : app_(argc, argv) {
  // backup-viewer [--play] [FILE]
  for (const QString& arg : QApplication::arguments().mid(1)) {
    if (arg == QLatin1String("--play")) {
      play_ = true;
    } else if (fileToOpen_.empty()) {
      fileToOpen_ = arg.toStdString();
    }
  }
}

int CViewerApp::Run() {
  CViewerDlg::Options options;
  options.fileToOpen = fileToOpen_;
  options.playAfterOpen = play_;
  CViewerDlg dialog(options);
  return RunViewerDialog(dialog);
}

int RunViewerDialog(CViewerDlg& dialog) {
  if (!dialog.OnInitDialog()) return 1;
  // Shown as the application's main window rather than as a modal dialog,
  // which window managers keep out of the taskbar; the run ends when the
  // dialog does.
  QEventLoop loop;
  QObject::connect(&dialog, &QDialog::finished, &loop, [&loop] { loop.exit(0); });
  dialog.show();
  loop.exec();
  return dialog.ExitCode();
}

}  // namespace bv
