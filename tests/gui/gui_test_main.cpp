// Runs the window tests in a QApplication on the platform the environment
// names (offscreen in CI, Xvfb for on-screen tests).
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    const std::string runtime = std::filesystem::temp_directory_path() / ("bv-runtime-" + std::to_string(getuid()));
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  }
  // The viewer writes its codec modules at start-up: into folders of this
  // run, never the user's.
  for (const char* variable : {"BACKUP_VIEWER_SYSTEM_DIR", "BACKUP_VIEWER_WINDOWS_DIR"}) {
    if (std::getenv(variable)) continue;
    std::string pattern = std::filesystem::temp_directory_path() / "bv-gui-dirs-XXXXXX";
    if (!mkdtemp(pattern.data())) return 1;
    setenv(variable, pattern.c_str(), 1);
  }
  QApplication app(argc, argv);
  // Without fonts Qt draws empty boxes silently: the text checks need them.
  if (QFontInfo(QFont(QStringLiteral("MS Shell Dlg"))).family().isEmpty()) {
    fprintf(stderr, "no font available\n");
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
