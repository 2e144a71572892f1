// Runs the picture tests in a QGuiApplication on the offscreen platform:
// snapshot texts and printed pages are drawn with the toolkit's painter.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <cstdlib>
#include <filesystem>

#include <unistd.h>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    const std::string runtime = std::filesystem::temp_directory_path() / ("bv-runtime-" + std::to_string(getuid()));
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  }
  QGuiApplication app(argc, argv);
  // Without fonts Qt draws nothing for a text, silently.
  if (QFontInfo(QFont(QStringLiteral("Arial"))).family().isEmpty()) {
    fprintf(stderr, "no font available\n");
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
