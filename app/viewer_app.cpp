#include "app/viewer_app.h"

#include <QStringList>

#include "app/viewer_dlg.h"

namespace bv {

CViewerApp::CViewerApp(int& argc, char** argv) : app_(argc, argv) {
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) fileToOpen_ = args.at(1).toStdString();
}

int CViewerApp::Run() {
  CViewerDlg::Options options;
  options.fileToOpen = fileToOpen_;
  CViewerDlg dialog(options);
  if (!dialog.OnInitDialog()) return 1;
  dialog.exec();
  return 0;
}

}  // namespace bv
