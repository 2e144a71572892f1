// The viewer's own file dialogs and message boxes, not injected ones, worked
// with the keyboard as a user would: the snapshot's file type deciding the
// extension of a bare name, a viewer program of another name opened through
// "All files (*)", and a refused file told in a box wide enough for its
// caption while the open backup stays.
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "tests/gui/viewer_fixture.h"
#include "tests/support/small_backups.h"

namespace bv {
namespace {

// Runs act on the next modal window of type T once it shows (inside the
// nested event loop of its exec()); a window act leaves open is rejected.
// Returns a flag telling that it ran.
template <typename T>
std::shared_ptr<bool> WhenModalShows(std::function<void(T*)> act) {
  auto ran = std::make_shared<bool>(false);
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, ran, act] {
    T* window = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!window || !window->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    *ran = true;
    act(window);
    // A step that failed must not leave the test waiting on the window.
    if (window->isVisible()) window->reject();
  });
  timer->start(10);
  return ran;
}

// In Qt's own file dialog: picks the file type whose text starts with type
// (keys on the type box) and types name, then Enter.
void ChooseInFileDialog(QFileDialog* dialog, const QString& type, const QString& name) {
  auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(types, nullptr);
  ASSERT_NE(edit, nullptr);
  QTest::keyClick(types, Qt::Key_Home);
  for (int i = 0; i < types->count() && !types->currentText().startsWith(type); ++i) {
    QTest::keyClick(types, Qt::Key_Down);
  }
  ASSERT_TRUE(types->currentText().startsWith(type)) << type.toStdString();
  // The dialog active, as the user's first click on it makes it.
  dialog->activateWindow();
  QApplication::setActiveWindow(dialog);
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, name);
  // The first Enter may only take the name completer's suggestion, as a
  // user sees it; the next one accepts.
  QTest::qWait(50);
  QTest::keyClick(edit, Qt::Key_Return);
  if (dialog->isVisible()) QTest::keyClick(edit, Qt::Key_Return);
}

class RealDialogsTest : public test::ViewerFixture {
 protected:
  // The dialog with its own Open and save dialogs and message boxes,
  // started on path.
  void StartOn(const std::string& path) {
    CViewerDlg::Options options;
    options.programPath = PlainProgram();
    options.fileToOpen = path;
    dialog = std::make_unique<CViewerDlg>(options);
    ASSERT_TRUE(dialog->OnInitDialog());
    dialog->show();
    QApplication::processEvents();
  }
  std::vector<uint8_t> Head(const std::string& path, size_t n) {
    std::vector<uint8_t> bytes = test::ReadFileBytes(path);
    bytes.resize(std::min(bytes.size(), n));
    return bytes;
  }
};

TEST_F(RealDialogsTest, TheSnapshotTypeChosenGivesABareNameItsExtension) {
  test::WriteMjpgBackup(dir.File("hall.zrv"), 4);
  StartOn(dir.File("hall.zrv"));
  ASSERT_EQ(controller().Count(), 4u);

  auto ran = WhenModalShows<QFileDialog>([&](QFileDialog* save) {
    ChooseInFileDialog(save, QStringLiteral("JPG file"), QString::fromStdString(dir.File("shot")));
  });
  Click(IDC_SAVE_SNAPSHOT);
  ASSERT_TRUE(*ran);
  ASSERT_TRUE(std::filesystem::exists(dir.File("shot.JPG")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("shot.BMP")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("shot")));
  EXPECT_EQ(Head(dir.File("shot.JPG"), 3), (std::vector<uint8_t>{0xFF, 0xD8, 0xFF}));

  // The BMP type, and a name typed with an extension of its own.
  ran = WhenModalShows<QFileDialog>([&](QFileDialog* save) {
    ChooseInFileDialog(save, QStringLiteral("bmp file"), QString::fromStdString(dir.File("still")));
  });
  Click(IDC_SAVE_SNAPSHOT);
  ASSERT_TRUE(*ran);
  ASSERT_TRUE(std::filesystem::exists(dir.File("still.BMP")));
  EXPECT_EQ(Head(dir.File("still.BMP"), 2), (std::vector<uint8_t>{'B', 'M'}));
  ran = WhenModalShows<QFileDialog>([&](QFileDialog* save) {
    ChooseInFileDialog(save, QStringLiteral("JPG file"), QString::fromStdString(dir.File("named.jpg")));
  });
  Click(IDC_SAVE_SNAPSHOT);
  ASSERT_TRUE(*ran);
  EXPECT_TRUE(std::filesystem::exists(dir.File("named.jpg")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("named.jpg.JPG")));
}

TEST_F(RealDialogsTest, AProgramOfAnotherNameOpensThroughAllFilesARefusedFileIsToldAndTheBackupStays) {
  test::WriteMjpgBackup(dir.File("hall.zrv"), 3);
  // A viewer program copied under another name, a backup appended.
  std::vector<uint8_t> program(kProgramFileLength, 0x90);
  program[0] = 'M';
  program[1] = 'Z';
  ASSERT_TRUE(test::MakeSmallBackup(7, 6).WriteSelfContained(dir.File("Evidence Copy.exe"), program));
  test::WriteFileBytes(dir.File("notes.zrv"), std::vector<uint8_t>(5000, 0x11));
  StartOn(dir.File("hall.zrv"));
  ASSERT_EQ(controller().Count(), 3u);

  auto ran = WhenModalShows<QFileDialog>([&](QFileDialog* open) {
    ChooseInFileDialog(open, QStringLiteral("All files"), QString::fromStdString(dir.File("Evidence Copy.exe")));
  });
  Click(IDC_OPEN);
  ASSERT_TRUE(*ran);
  EXPECT_EQ(controller().Count(), 6u);
  EXPECT_EQ(controller().Path(), dir.File("Evidence Copy.exe"));
  EXPECT_FALSE(dialog->IsSelfContained());
  EXPECT_FALSE(dialog->Button(IDC_PLAY_FORWARD)->HasDisabledLook());
  EXPECT_TRUE(dialog->Slider(IDC_POSITION_SLIDER)->isVisible());
  Click(IDC_STEP_FORWARD);
  EXPECT_EQ(controller().CurrentIndex(), 1u);

  // A file that is no backup: the box names the error, shows its caption
  // whole, and the backup that was open is still there at its record.
  QString told, caption;
  int width = 0, captionWidth = 0;
  auto boxShown = std::make_shared<bool>(false);
  ran = WhenModalShows<QFileDialog>([&](QFileDialog* open) {
    boxShown = WhenModalShows<QMessageBox>([&](QMessageBox* box) {
      told = box->text();
      caption = box->windowTitle();
      width = box->width();
      QFont bold = box->font();
      bold.setBold(true);
      captionWidth = QFontMetrics(bold).horizontalAdvance(caption);
      QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    ChooseInFileDialog(open, QStringLiteral("ZRV Files"), QString::fromStdString(dir.File("notes.zrv")));
  });
  Click(IDC_OPEN);
  ASSERT_TRUE(*ran);
  ASSERT_TRUE(*boxShown);
  EXPECT_EQ(told, QStringLiteral("File Error #1"));
  EXPECT_EQ(caption, QStringLiteral("Backup Viewer"));
  // Room for the caption and the title bar's buttons beside it.
  EXPECT_GT(width, captionWidth + 3 * QFontMetrics(dialog->font()).height());
  EXPECT_EQ(controller().Count(), 6u);
  EXPECT_EQ(controller().Path(), dir.File("Evidence Copy.exe"));
  EXPECT_EQ(controller().CurrentIndex(), 1u);
  EXPECT_EQ(dialog->Slider(IDC_POSITION_SLIDER)->value(), 1);
  EXPECT_FALSE(dialog->Button(IDC_PLAY_FORWARD)->HasDisabledLook());
}

}  // namespace
}  // namespace bv
