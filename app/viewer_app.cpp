#include "app/viewer_app.h"

#include <QEventLoop>
#include <QStringList>

#include <cstdio>

#include "app/viewer_dlg.h"
#include "base/platform/legacy_text.h"

namespace bv {

CViewerApp::CViewerApp(int& argc, char** argv) : app_(argc, argv) {
  // backup-viewer [--play] [--codepage NAME] [FILE]
  const QStringList args = QApplication::arguments().mid(1);
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (arg == QLatin1String("--play")) {
      play_ = true;
    } else if (arg == QLatin1String("--codepage") && i + 1 < args.size()) {
      // The code page of texts that are not UTF-8; an unknown name keeps CP932.
      if (!SetLegacyCodePage(args[++i].toStdString())) {
        std::fprintf(stderr, "backup-viewer: unknown code page %s, texts are read as %s\n",
                     args[i].toLocal8Bit().constData(), LegacyCodePage().c_str());
      }
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
