#include "app/viewer_app.h"

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
  if (!dialog.OnInitDialog()) return 1;
  dialog.exec();
  return 0;
}

}  // namespace bv
