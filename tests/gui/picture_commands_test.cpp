// The snapshot and print buttons and the still pictures through the real
// dialog (offscreen), with its save and print dialogs replaced by the
// tests' own.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPageLayout>
#include <QPageSize>
#include <QTest>
#include <chrono>
#include <functional>

#include "app/viewer_dlg.h"
#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "controls/skin_button.h"
#include "export/recorder_trailer.h"
#include "tests/support/picture_tools.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/sample_backups.h"
#include "video/dib_video_wnd.h"
#include "video/overlay_video_wnd.h"

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

struct Message {
  QString caption;
  QString text;
  bool errorIcon = false;
};

class PictureCommandsTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::vector<Message> messages;
  std::string toOpen;
  std::string toSave;
  int saveDialogs = 0;
  int printDialogs = 0;
  PrinterChoice::Outcome printerOutcome = PrinterChoice::Outcome::kPrinter;
  std::string pdf;
  std::unique_ptr<CViewerDlg> dialog;

  void SetUp() override {
    const std::string program = dir.File("viewer");
    test::WriteFileBytes(program, std::vector<uint8_t>(kProgramFileLength, 0));
    CViewerDlg::Options options;
    options.programPath = program;
    options.chooseFileToOpen = [this] { return toOpen; };
    options.chooseFileToSave = [this] {
      ++saveDialogs;
      return toSave;
    };
    options.choosePrinter = [this] {
      ++printDialogs;
      PrinterChoice choice;
      choice.outcome = printerOutcome;
      if (printerOutcome != PrinterChoice::Outcome::kPrinter) return choice;
      // A 600 dpi printer whose printable area is the whole A4 sheet.
      choice.printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
      choice.printer->setOutputFormat(QPrinter::PdfFormat);
      choice.printer->setOutputFileName(QString::fromStdString(pdf));
      choice.printer->setResolution(600);
      choice.printer->setPageLayout(
          QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
      choice.printer->setFullPage(true);
      return choice;
    };
    options.messageBox = [this](const QString& text, bool) { messages.push_back({"Backup Viewer", text, false}); };
    options.captionedMessageBox = [this](const QString& caption, const QString& text, bool error) {
      messages.push_back({caption, text, error});
    };
    dialog = std::make_unique<CViewerDlg>(options);
    ASSERT_TRUE(dialog->OnInitDialog());
    dialog->show();
    QApplication::processEvents();
  }

  void Click(int id) { QTest::mouseClick(dialog->Button(id), Qt::LeftButton); }
  void Open(const std::string& path) {
    toOpen = path;
    Click(IDC_OPEN);
    QApplication::processEvents();
  }
  void OpenMjpg(bool overlay) {
    if (dialog->MenuAction(ID_OPTION_OVERLAY)->isChecked() != overlay) {
      dialog->MenuAction(ID_OPTION_OVERLAY)->trigger();
    }
    samples::MjpgBackupOptions options;
    options.frames = 4;
    ASSERT_TRUE(samples::MakeMjpgBackup(options).WriteContainer(dir.File("m.zrv")));
    Open(dir.File("m.zrv"));
    ASSERT_EQ(dialog->Controller().Count(), 4u);
    Click(IDC_STEP_FORWARD);
    ASSERT_EQ(dialog->Controller().CurrentIndex(), 1u);
  }
  QColor Centre() {
    const QImage picture = dialog->DibWindow().ComposedPicture();
    return picture.pixelColor(picture.width() / 2, picture.height() / 2);
  }
};

TEST_F(PictureCommandsTest, SnapshotButtonSavesTheNameTheSaveDialogGives) {
  OpenMjpg(false);
  toSave = dir.File("shot.bmp");
  Click(IDC_SAVE_SNAPSHOT);
  EXPECT_EQ(saveDialogs, 1);
  const std::vector<uint8_t> bmp = test::ReadFileBytes(toSave);
  ASSERT_EQ(bmp.size(), 54u + 352 * 240 * 3);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(ReadI32LE(&bmp[18]), 352);
  EXPECT_TRUE(dialog->Button(IDC_SAVE_SNAPSHOT)->isEnabled());

  toSave = dir.File("shot.JPG");
  Click(IDC_SAVE_SNAPSHOT);
  const std::vector<uint8_t> jpeg = test::ReadFileBytes(toSave);
  ASSERT_GE(jpeg.size(), 2u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);

  toSave = dir.File("shot.jpeg");
  Click(IDC_SAVE_SNAPSHOT);
  EXPECT_EQ(saveDialogs, 3);
  EXPECT_TRUE(test::ReadFileBytes(toSave).empty());
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(dialog->Button(IDC_SAVE_SNAPSHOT)->isEnabled());
}

TEST_F(PictureCommandsTest, SnapshotThatCannotBeWrittenSaysSaveError) {
  OpenMjpg(true);
  toSave = dir.File("no/such/folder/shot.bmp");
  Click(IDC_SAVE_SNAPSHOT);
  ASSERT_TRUE(PumpUntil([&] { return !messages.empty(); }));
  EXPECT_EQ(messages[0].text, "Save Error #1");
}

// The printed page rendered back: the picture's box on the sheet.
void ExpectPictureBox(const std::string& pdf) {
  const test::GreyPage page = test::RenderPdfPage(pdf, 600);
  ASSERT_NEAR(page.width, 4961, 3);  // A4 at 600 dpi
  // Columns through the picture's middle row that are not paper white.
  const int y = 600 + 2750 / 2;
  int left = -1;
  int right = -1;
  for (int x = 0; x < page.width; ++x) {
    if (page.At(x, y) > 250) continue;
    if (left < 0) left = x;
    right = x;
  }
  EXPECT_NEAR(left, (page.width - 3675) / 2, 3);
  EXPECT_NEAR(right - left + 1, 3675, 6);
  int top = -1;
  for (int row = 0; row < page.height && top < 0; ++row) {
    if (row > 400 && page.At(page.width / 2, row) <= 250) top = row;
  }
  EXPECT_NEAR(top, 600, 3);
}

TEST_F(PictureCommandsTest, PrintButtonPrintsThePageInEitherPresentation) {
  for (bool overlay : {false, true}) {
    OpenMjpg(overlay);
    pdf = dir.File(overlay ? "overlay.pdf" : "dib.pdf");
    Click(IDC_PRINT);
    EXPECT_EQ(printDialogs, overlay ? 2 : 1);
    ASSERT_FALSE(test::ReadFileBytes(pdf).empty()) << overlay;
    ExpectPictureBox(pdf);
    EXPECT_TRUE(dialog->Button(IDC_PRINT)->isEnabled());
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(PictureCommandsTest, NoPrinterSaysPrintErrorAndCancelSaysNothing) {
  OpenMjpg(false);
  printerOutcome = PrinterChoice::Outcome::kCancelled;
  Click(IDC_PRINT);
  EXPECT_EQ(printDialogs, 1);
  QTest::qWait(20);
  EXPECT_TRUE(messages.empty());
  printerOutcome = PrinterChoice::Outcome::kNoPrinter;
  Click(IDC_PRINT);
  ASSERT_TRUE(PumpUntil([&] { return !messages.empty(); }));
  EXPECT_EQ(messages[0].text, "Print Error #1");
}

TEST_F(PictureCommandsTest, StillsOfEveryDepthAreDrawnAndDisableThePictureCommands) {
  // Pure colours survive every depth (5 bits a channel at 16).
  const struct {
    const char* name;
    std::vector<std::string> options;
  } stills[] = {
      {"s24.bmp", {"-type", "TrueColor"}},
      {"s16.bmp", {"-define", "bmp:subtype=RGB555"}},
      {"s32.bmp", {"-alpha", "set", "-define", "bmp3:alpha=true"}},
  };
  for (const auto& still : stills) {
    std::vector<std::string> args = {"-size", "64x48", "xc:#FF0000"};
    args.insert(args.end(), still.options.begin(), still.options.end());
    args.push_back("BMP3:" + dir.File(still.name));
    ASSERT_TRUE(test::Convert(args)) << still.name;
    Open(dir.File(still.name));
    EXPECT_EQ(dialog->Controller().Engine().Mode(), kModeBmpStill);
    ASSERT_TRUE(PumpUntil([&] { return Centre() == QColor(255, 0, 0); })) << still.name << " " << Centre().name().toStdString();
  }
  EXPECT_FALSE(dialog->Button(IDC_SAVE_SNAPSHOT)->isEnabled());
  EXPECT_FALSE(dialog->Button(IDC_PRINT)->isEnabled());
  EXPECT_FALSE(dialog->Button(IDC_PLAY_FORWARD)->isEnabled());
  // Stills use the DIB window; the overlay command leaves things as they are.
  const bool overlayChecked = dialog->MenuAction(ID_OPTION_OVERLAY)->isChecked();
  dialog->MenuAction(ID_OPTION_OVERLAY)->trigger();
  EXPECT_EQ(dialog->MenuAction(ID_OPTION_OVERLAY)->isChecked(), overlayChecked);
  EXPECT_FALSE(dialog->Controller().Engine().IsOverlay());
  EXPECT_EQ(dialog->Controller().Engine().Mode(), kModeBmpStill);
  EXPECT_TRUE(dialog->DibWindow().isVisible());
}

TEST_F(PictureCommandsTest, RecorderStillShowsItsCameraInformationAndCaption) {
  RecorderTrailer trailer;
  trailer.cameraIndex = 3;
  trailer.cameraName = "Gate";
  trailer.time.wYear = 2026;
  trailer.time.wMonth = 3;
  trailer.time.wDay = 14;
  trailer.time.wHour = 19;
  trailer.time.wMinute = 30;
  trailer.information = "East hall";
  std::vector<uint8_t> jpeg = samples::EncodeJpeg(samples::MakeTestPicture(352, 240, 0), 90);
  const std::string tail = RecorderTrailerBytes(trailer);
  jpeg.insert(jpeg.end(), tail.begin(), tail.end());
  test::WriteFileBytes(dir.File("rec.jpg"), jpeg);
  Open(dir.File("rec.jpg"));
  ASSERT_TRUE(PumpUntil([&] { return dialog->Edit(IDC_CAMERA_TITLE)->text() == "Gate (4)"; }));
  EXPECT_EQ(dialog->Edit(IDC_LOCATION)->text(), "East hall");
  // The caption, white on black outlines, sits at the bottom right.
  const QImage picture = dialog->DibWindow().ComposedPicture();
  int white = 0;
  for (int y = picture.height() - 40; y < picture.height(); ++y) {
    for (int x = picture.width() / 2; x < picture.width(); ++x) white += picture.pixelColor(x, y) == Qt::white;
  }
  EXPECT_GT(white, 20);
}

TEST_F(PictureCommandsTest, JpegErrorsReachTheMessageBoxUnderTheirCaption) {
  std::vector<uint8_t> garbage(3000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 37 + 11);
  test::WriteFileBytes(dir.File("bad.jpg"), garbage);
  Open(dir.File("bad.jpg"));
  ASSERT_TRUE(PumpUntil([&] { return !messages.empty(); }));
  EXPECT_EQ(messages[0].caption, "JPEG Fatal Error");
  EXPECT_TRUE(messages[0].errorIcon);
  EXPECT_TRUE(messages[0].text.startsWith("Not a JPEG file"));
  Open(dir.File("missing.jpg"));
  ASSERT_TRUE(PumpUntil([&] { return messages.size() == 2; }));
  EXPECT_EQ(messages[1].caption, "Backup Viewer");
  EXPECT_EQ(messages[1].text, QString::fromStdString("JPEG :\nCan't open " + dir.File("missing.jpg") + "\n"));
}

}  // namespace
}  // namespace bv
