#include "tools/zrvtool/gui_application.h"

#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

namespace bv::tool {
namespace {

// stderr carries the viewer's messages: the toolkit's own notes (a missing
// runtime folder and the like) are left out, its errors are not.
void KeepToolkitErrorsOnly(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
}

}  // namespace

CToolGuiApplication::CToolGuiApplication() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  qInstallMessageHandler(KeepToolkitErrorsOnly);
  static int argc = 1;
  static char name[] = "zrvtool";
  static char* argv[] = {name, nullptr};
  application_ = std::make_unique<QGuiApplication>(argc, argv);
}

CToolGuiApplication::~CToolGuiApplication() = default;

bool CToolGuiApplication::HasFonts() const {
  if (!QFontInfo(QFont(QStringLiteral("Arial"))).family().isEmpty()) return true;
  std::fprintf(stderr, "no font available to draw texts\n");
  return false;
}

}  // namespace bv::tool
