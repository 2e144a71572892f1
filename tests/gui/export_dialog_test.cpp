// File > "&Export..." in the real dialog on the offscreen platform: the menu
// item, the injected save dialog, the real progress dialog and its Cancel
// button, and what is left on disk.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>

#include "app/viewer_dlg.h"
#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "controls/skin_button.h"
#include "tests/support/media_probe.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/sample_backups.h"

namespace bv {
namespace {

using namespace std::chrono_literals;

bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 5000ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QApplication::processEvents();
    QTest::qWait(1);
  }
  return true;
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class ExportDialogTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::vector<QString> messages;
  std::vector<std::string> suggestions;
  std::string exportTo;
  // Runs inside the save dialog, before the export starts.
  std::function<void()> whileChoosing;
  std::unique_ptr<CViewerDlg> dialog;

  void SetUp() override {
    const std::string program = dir.File("viewer");
    test::WriteFileBytes(program, std::vector<uint8_t>(kProgramFileLength, 0));
    CViewerDlg::Options options;
    options.programPath = program;
    options.chooseFileToOpen = [] { return std::string(); };  // the Open dialog of the first paint
    options.chooseExportFile = [this](const std::string& suggested) {
      suggestions.push_back(suggested);
      if (whileChoosing) whileChoosing();
      return exportTo;
    };
    options.messageBox = [this](const QString& text, bool) { messages.push_back(text); };
    dialog = std::make_unique<CViewerDlg>(options);
    ASSERT_TRUE(dialog->OnInitDialog());
    dialog->show();
    QApplication::processEvents();
  }

  QAction* ExportAction() { return dialog->MenuAction(ID_FILE_EXPORT); }
  CPlaybackController& controller() { return dialog->Controller(); }

  // A backup of real MJPG frames, opened in the viewer.
  void OpenBackup(int frames, int brokenFrame = -1) {
    CBackupWriter writer(7, samples::DemoCameraInfo());
    for (int i = 0; i < frames; ++i) {
      std::vector<uint8_t> payload = samples::MakeMjpgPayload(samples::MakeTestPicture(160, 120, i), 50);
      if (i == brokenFrame) std::memcpy(payload.data() + 16, "XVID", 4);
      writer.AddVideoFrame(samples::RecordTimeAt(i, 10), "CAM 01", "GATE", payload);
    }
    ASSERT_TRUE(writer.WriteContainer(dir.File("hall.zrv")));
    controller().OpenChosenFile(dir.File("hall.zrv"));
    ASSERT_EQ(controller().Count(), static_cast<uint32_t>(frames));
    ASSERT_TRUE(PumpUntil([&] { return ExportAction()->isEnabled(); }));
  }
};

TEST_F(ExportDialogTest, ExportFollowsShowInformationAndIsOfferedOnlyWhileABackupIsOpen) {
  QMenu* file = nullptr;
  for (QMenu* menu : dialog->findChildren<QMenu*>()) {
    if (menu->title() == QStringLiteral("&File")) file = menu;
  }
  ASSERT_NE(file, nullptr);
  QStringList texts;
  for (QAction* action : file->actions()) texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
  // Export has an access key of its own: Exit keeps "x".
  EXPECT_EQ(texts, (QStringList{"&Open...", "Show &Information...", "&Export...", "Export for &Presentation...",
                                "Evidence &Report...", "-", "E&xit"}));
  EXPECT_FALSE(ExportAction()->isEnabled());

  OpenBackup(5);
  EXPECT_TRUE(ExportAction()->isEnabled());

  // A file the viewer refuses leaves the open backup, and Export with it.
  test::WriteFileBytes(dir.File("bad.zrv"), std::vector<uint8_t>(3000, 0x11));
  controller().OpenChosenFile(dir.File("bad.zrv"));
  QApplication::processEvents();
  EXPECT_EQ(controller().Count(), 5u);
  EXPECT_TRUE(ExportAction()->isEnabled());
  // A still picture in its place leaves nothing to export.
  QImage still(64, 48, QImage::Format_RGB888);
  still.fill(QColor(40, 120, 200));
  ASSERT_TRUE(still.save(QString::fromStdString(dir.File("still.bmp")), "BMP"));
  controller().OpenChosenFile(dir.File("still.bmp"));
  ASSERT_TRUE(PumpUntil([&] { return !ExportAction()->isEnabled(); }));
  ExportAction()->trigger();
  EXPECT_TRUE(suggestions.empty());
}

TEST_F(ExportDialogTest, ExportWritesTheOpenBackupWhereTheSaveDialogSaysWithoutTouchingTheViewer) {
  OpenBackup(30);
  controller().GoToRecord(12);
  const uint64_t decodedBefore = controller().Engine().DecodedPictures();
  exportTo = dir.File("for-the-court.mkv");
  ExportAction()->trigger();

  ASSERT_EQ(suggestions, std::vector<std::string>{dir.File("hall.mkv")});
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"for-the-court.mkv", "hall.zrv", "viewer"}));
  const test::ProbedFile file = test::ProbeMediaFile(exportTo, false);
  ASSERT_TRUE(file.ok) << file.error;
  EXPECT_EQ(file.packets.size(), 30u);
  EXPECT_EQ(file.tags.at("title"), "CAM 01");
  // The export read the backup on its own: the viewer decoded nothing and
  // still shows the same record.
  EXPECT_EQ(controller().Engine().DecodedPictures(), decodedBefore);
  EXPECT_EQ(controller().CurrentIndex(), 12u);
  EXPECT_EQ(dialog->findChildren<QProgressDialog*>().size(), 0);
}

TEST_F(ExportDialogTest, MarkedRangeIsOfferedAndExportedAlone) {
  std::vector<QString> questions;
  bool answer = true;
  dialog.reset();
  {
    const std::string program = dir.File("viewer");
    CViewerDlg::Options options;
    options.programPath = program;
    options.chooseFileToOpen = [] { return std::string(); };
    options.chooseExportFile = [this](const std::string&) { return exportTo; };
    options.messageBox = [this](const QString& text, bool) { messages.push_back(text); };
    options.askExportMarkedOnly = [&](const QString& question) {
      questions.push_back(question);
      return answer;
    };
    dialog = std::make_unique<CViewerDlg>(options);
    ASSERT_TRUE(dialog->OnInitDialog());
    dialog->show();
    QApplication::processEvents();
  }
  OpenBackup(20);
  dialog->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  auto key = [&](Qt::Key k) {
    QTest::keyClick(dialog.get(), k);
    QApplication::processEvents();
  };
  for (int i = 0; i < 4; ++i) key(Qt::Key_Right);
  key(Qt::Key_I);
  for (int i = 0; i < 7; ++i) key(Qt::Key_Right);
  key(Qt::Key_O);
  ASSERT_EQ(controller().MarkIn(), 4u);
  ASSERT_EQ(controller().MarkOut(), 11u);

  exportTo = dir.File("marked.mkv");
  ExportAction()->trigger();
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0], QStringLiteral("Export only the marked records (2026-03-14T19:30:00.400 to "
                                         "2026-03-14T19:30:01.100)?"));
  test::ProbedFile file = test::ProbeMediaFile(exportTo, false);
  ASSERT_TRUE(file.ok) << file.error;
  EXPECT_EQ(file.packets.size(), 8u);  // records 4 to 11

  answer = false;  // the whole backup after all
  exportTo = dir.File("whole.mkv");
  ExportAction()->trigger();
  file = test::ProbeMediaFile(exportTo, false);
  ASSERT_TRUE(file.ok) << file.error;
  EXPECT_EQ(file.packets.size(), 20u);
  EXPECT_TRUE(messages.empty());
}

TEST_F(ExportDialogTest, PlaybackGoesOnWhileTheBackupIsExported) {
  OpenBackup(120);
  QTest::mouseClick(dialog->Button(IDC_PLAY_FORWARD), Qt::LeftButton);
  ASSERT_EQ(controller().GetPlayState(), kPlayingForward);
  const uint32_t before = controller().CurrentIndex();
  exportTo = dir.File("while-playing.mkv");
  ExportAction()->trigger();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(test::ProbeMediaFile(exportTo, false).packets.size(), 120u);
  EXPECT_EQ(controller().GetPlayState(), kPlayingForward);
  EXPECT_TRUE(PumpUntil([&] { return controller().CurrentIndex() != before; }));
  QTest::mouseClick(dialog->Button(IDC_STOP), Qt::LeftButton);
}

TEST_F(ExportDialogTest, CancellingTheProgressDialogHalfwayLeavesNoFile) {
  OpenBackup(400);
  exportTo = dir.File("cancelled.mkv");
  int highestShown = -1;
  bool cancelPressed = false;
  // Once the export runs, press Cancel when the dialog shows half done.
  whileChoosing = [&] {
    QTimer::singleShot(0, dialog.get(), [&] {
      auto* progress = dialog->findChild<QProgressDialog*>();
      ASSERT_NE(progress, nullptr);
      EXPECT_TRUE(progress->isVisible());
      auto* bar = progress->findChild<QProgressBar*>();
      ASSERT_NE(bar, nullptr);
      QObject::connect(bar, &QProgressBar::valueChanged, progress, [&, progress](int value) {
        highestShown = std::max(highestShown, value);
        if (value < 50 || cancelPressed) return;
        cancelPressed = true;
        auto* cancel = progress->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(cancel->text(), QStringLiteral("Cancel"));
        QTest::mouseClick(cancel, Qt::LeftButton);
      });
    });
  };
  ExportAction()->trigger();

  EXPECT_TRUE(cancelPressed);
  // The worker stopped at the next report: the dialog never showed more.
  EXPECT_GE(highestShown, 50);
  EXPECT_LE(highestShown, 51);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"hall.zrv", "viewer"}));
}

TEST_F(ExportDialogTest, ARefusedExportSaysWhyAndLeavesNoFile) {
  OpenBackup(12, 7);
  exportTo = dir.File("refused.mkv");
  ExportAction()->trigger();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Cannot export the backup:\n")));
  EXPECT_TRUE(messages[0].contains(QStringLiteral("record 7 is not a Motion-JPEG frame"))) << messages[0].toStdString();
  EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"hall.zrv", "viewer"}));
}

TEST_F(ExportDialogTest, ClosingTheSaveDialogExportsNothing) {
  OpenBackup(5);
  exportTo.clear();
  ExportAction()->trigger();
  EXPECT_EQ(suggestions.size(), 1u);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"hall.zrv", "viewer"}));
}

}  // namespace
}  // namespace bv
