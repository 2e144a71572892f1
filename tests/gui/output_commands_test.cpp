// File > "Export for &Presentation..." and "Evidence &Report..." in the real
// dialog on the offscreen platform: chosen from the File menu with the
// keyboard, the injected save dialog, the real progress dialog and its
// Cancel button, and what is left on disk, read back with ffprobe and
// pdftotext.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>

#include "app/viewer_dlg.h"
#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "outputs/presentation_export.h"
#include "tests/support/media_probe.h"
#include "tests/support/picture_tools.h"
#include "tests/support/run_command.h"
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

class OutputCommandsTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::vector<QString> messages;
  std::vector<std::string> suggestions;
  std::string saveTo;
  std::function<void()> whileChoosing;  // inside the save dialog
  std::unique_ptr<CViewerDlg> dialog;

  void SetUp() override {
    const std::string program = dir.File("viewer");
    test::WriteFileBytes(program, std::vector<uint8_t>(kProgramFileLength, 0));
    CViewerDlg::Options options;
    options.programPath = program;
    options.chooseFileToOpen = [] { return std::string(); };
    auto choose = [this](const std::string& suggested) {
      suggestions.push_back(suggested);
      if (whileChoosing) whileChoosing();
      return saveTo;
    };
    options.choosePresentationFile = choose;
    options.chooseReportFile = choose;
    options.messageBox = [this](const QString& text, bool) { messages.push_back(text); };
    dialog = std::make_unique<CViewerDlg>(options);
    ASSERT_TRUE(dialog->OnInitDialog());
    dialog->show();
    QApplication::processEvents();
  }

  CPlaybackController& controller() { return dialog->Controller(); }

  void OpenBackup(int frames) {
    CBackupWriter writer(7, samples::DemoCameraInfo());
    for (int i = 0; i < frames; ++i) {
      writer.AddVideoFrame(samples::RecordTimeAt(i, 10), "CAM 01", "GATE",
                           samples::MakeMjpgPayload(samples::MakeTestPicture(160, 120, i), 50));
    }
    ASSERT_TRUE(writer.WriteContainer(dir.File("hall.zrv")));
    controller().OpenChosenFile(dir.File("hall.zrv"));
    ASSERT_EQ(controller().Count(), static_cast<uint32_t>(frames));
    ASSERT_TRUE(PumpUntil([&] { return dialog->MenuAction(ID_FILE_EVIDENCE_REPORT)->isEnabled(); }));
  }

  // Alt+F opens the File menu; the item's mnemonic chooses it.
  void ChooseFromFileMenu(Qt::Key mnemonic) {
    QTest::keyClick(dialog.get(), Qt::Key_F, Qt::AltModifier);
    QMenu* file = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
      for (QMenu* menu : dialog->findChildren<QMenu*>()) {
        if (menu->title() == QStringLiteral("&File") && menu->isVisible()) file = menu;
      }
      return file != nullptr;
    }));
    QTest::keyClick(file, mnemonic);
    QApplication::processEvents();
  }

  // Presses Cancel once the progress dialog shows half done; returns the
  // highest value it showed through the pointer.
  void CancelAtHalf(int* highestShown, bool* pressed) {
    whileChoosing = [this, highestShown, pressed] {
      QTimer::singleShot(0, dialog.get(), [this, highestShown, pressed] {
        auto* progress = dialog->findChild<QProgressDialog*>();
        ASSERT_NE(progress, nullptr);
        auto* bar = progress->findChild<QProgressBar*>();
        ASSERT_NE(bar, nullptr);
        QObject::connect(bar, &QProgressBar::valueChanged, progress, [=](int value) {
          *highestShown = std::max(*highestShown, value);
          if (value < 50 || *pressed) return;
          *pressed = true;
          QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
        });
      });
    };
  }
};

TEST_F(OutputCommandsTest, BothAreOfferedOnlyWhileABackupIsOpen) {
  for (int id : {ID_FILE_EXPORT_PRESENTATION, ID_FILE_EVIDENCE_REPORT}) {
    EXPECT_FALSE(dialog->MenuAction(id)->isEnabled()) << id;
  }
  OpenBackup(5);
  EXPECT_EQ(dialog->MenuAction(ID_FILE_EXPORT_PRESENTATION)->text(), QStringLiteral("Export for &Presentation..."));
  EXPECT_EQ(dialog->MenuAction(ID_FILE_EVIDENCE_REPORT)->text(), QStringLiteral("Evidence &Report..."));
  EXPECT_TRUE(dialog->MenuAction(ID_FILE_EXPORT_PRESENTATION)->isEnabled());
}

TEST_F(OutputCommandsTest, PresentationIsAnMp4OfEveryFrameAsTheDisplayShowingItemsChoose) {
  OpenBackup(20);
  saveTo = dir.File("court.mp4");
  ChooseFromFileMenu(Qt::Key_P);
  ASSERT_EQ(suggestions, std::vector<std::string>{dir.File("hall.mp4")});
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"court.mp4", "hall.zrv", "viewer"}));
  const test::ProbedFile file = test::ProbeMediaFile(saveTo, false);
  ASSERT_TRUE(file.ok) << file.error;
  ASSERT_NE(file.StreamOfType("video"), nullptr);
  EXPECT_EQ(file.StreamOfType("video")->codecName, "h264");
  EXPECT_EQ(file.PacketsOf(file.StreamOfType("video")->index).size(), 20u);
  EXPECT_NEAR(file.durationSeconds, 2.0, 0.05);
  EXPECT_EQ(dialog->findChildren<QProgressDialog*>().size(), 0);
}

TEST_F(OutputCommandsTest, PresentationLeavesOutTheTextsTheDisplayShowingItemsTurnOff) {
  OpenBackup(6);
  QAction* cam = dialog->MenuAction(ID_SHOW_CAM_NUMBER);
  ASSERT_TRUE(cam->isChecked());
  cam->trigger();
  ASSERT_FALSE(cam->isChecked());
  saveTo = dir.File("menu.mp4");
  ChooseFromFileMenu(Qt::Key_P);
  ASSERT_TRUE(messages.empty());

  // The same records exported with and without the camera title.
  auto exportWith = [&](bool camera, const std::string& out) {
    PresentationRequest request;
    request.source.path = dir.File("hall.zrv");
    request.outputPath = out;
    request.items.camera = camera;
    ASSERT_TRUE(ExportPresentation(request).ok);
  };
  exportWith(false, dir.File("without.mp4"));
  exportWith(true, dir.File("with.mp4"));
  const std::vector<uint8_t> menu = test::DecodeVideoWithFfmpeg(dir.File("menu.mp4"), "rgb24");
  const std::vector<uint8_t> without = test::DecodeVideoWithFfmpeg(dir.File("without.mp4"), "rgb24");
  const std::vector<uint8_t> with = test::DecodeVideoWithFfmpeg(dir.File("with.mp4"), "rgb24");
  ASSERT_FALSE(menu.empty());
  ASSERT_EQ(menu.size(), without.size());
  ASSERT_EQ(menu.size(), with.size());
  EXPECT_GE(test::Psnr(menu.data(), without.data(), menu.size()), 50.0);
  EXPECT_LT(test::Psnr(menu.data(), with.data(), menu.size()), 40.0);
}

TEST_F(OutputCommandsTest, CancellingThePresentationHalfwayLeavesNoFile) {
  OpenBackup(300);
  saveTo = dir.File("cancelled.mp4");
  int highest = -1;
  bool pressed = false;
  CancelAtHalf(&highest, &pressed);
  ChooseFromFileMenu(Qt::Key_P);
  EXPECT_TRUE(pressed);
  EXPECT_LE(highest, 51);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"hall.zrv", "viewer"}));
}

TEST_F(OutputCommandsTest, ReportDescribesTheBackupWithThePictureShownAsItsStill) {
  OpenBackup(30);
  controller().GoToRecord(12);
  saveTo = dir.File("report.pdf");
  ChooseFromFileMenu(Qt::Key_R);
  ASSERT_EQ(suggestions, std::vector<std::string>{dir.File("hall.pdf")});
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"hall.zrv", "report.pdf", "viewer"}));
  const std::string text = test::RunCommand("/usr/bin/env", {"pdftotext", saveTo, "-"}).out;
  EXPECT_NE(text.find("hall.zrv"), std::string::npos);
  EXPECT_NE(text.find("0 to 29 (30 records)"), std::string::npos);
  EXPECT_NE(text.find("Record 12 "), std::string::npos) << text;
  EXPECT_EQ(controller().CurrentIndex(), 12u);
}

TEST_F(OutputCommandsTest, ReportOverTheBackupItselfIsRefused) {
  OpenBackup(2000);
  const std::vector<uint8_t> before = test::ReadFileBytes(dir.File("hall.zrv"));
  saveTo = dir.File("hall.zrv");
  ChooseFromFileMenu(Qt::Key_R);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Cannot write the report:\n"))) << messages[0].toStdString();
  EXPECT_EQ(test::ReadFileBytes(dir.File("hall.zrv")), before);
  EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"hall.zrv", "viewer"}));
}

TEST_F(OutputCommandsTest, CancellingTheReportHalfwayLeavesNoFile) {
  OpenBackup(2000);
  saveTo = dir.File("cancelled.pdf");
  int highest = -1;
  bool pressed = false;
  CancelAtHalf(&highest, &pressed);
  ChooseFromFileMenu(Qt::Key_R);
  EXPECT_TRUE(pressed);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"hall.zrv", "viewer"}));
}

}  // namespace
}  // namespace bv
