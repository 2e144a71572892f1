// The Go menu on the real dialog: keys and mouse on its widgets, and what
// the user then sees.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/go_to_time_dlg.h"
#include "app/viewer_dlg.h"
#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "controls/custom_slider_ctrl.h"
#include "controls/skin_button.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

class GoMenuTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::vector<QString> messages;
  std::string chosen;
  std::unique_ptr<CViewerDlg> dialog;

  void Start() {
    const std::string program = dir.File("viewer");
    test::WriteFileBytes(program, std::vector<uint8_t>(kProgramFileLength, 0));
    CViewerDlg::Options options;
    options.programPath = program;
    options.chooseFileToOpen = [this] { return chosen; };
    options.messageBox = [this](const QString& text, bool) { messages.push_back(text); };
    dialog = std::make_unique<CViewerDlg>(options);
    ASSERT_TRUE(dialog->OnInitDialog());
    dialog->show();
    QApplication::processEvents();
  }
  void Open(const std::string& path) {
    chosen = path;
    QTest::mouseClick(dialog->Button(IDC_OPEN), Qt::LeftButton);
    QApplication::processEvents();
  }
  QSlider* Position() { return dialog->Slider(IDC_POSITION_SLIDER); }
  QString Title() { return dialog->Edit(IDC_CAMERA_TITLE)->text(); }

  // Presses keys on the dialog; act runs on the go-to-time dialog once it is
  // up (modal), and must close it.
  bool WithGoToTimeDialog(const std::function<void(CGoToTimeDlg&)>& act) {
    // The shortcut reaches the window the user works in.
    dialog->activateWindow();
    if (!QTest::qWaitForWindowActive(dialog.get())) return false;
    bool seen = false;
    QTimer::singleShot(0, [&] {
      auto* box = dynamic_cast<CGoToTimeDlg*>(QApplication::activeModalWidget());
      if (!box) return;
      seen = true;
      act(*box);
    });
    QTest::keyClick(dialog.get(), Qt::Key_G, Qt::ControlModifier);
    QApplication::processEvents();
    return seen;
  }
};

// Selects the field's text as a user does and types over it.
void TypeInto(QWidget* edit, const QString& text) {
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(edit, text);
}

TEST_F(GoMenuTest, GoToTimeAcrossMidnightShowsTheLastRecordAtOrBeforeIt) {
  Start();
  EXPECT_FALSE(dialog->MenuAction(ID_GO_TO_TIME)->isEnabled());
  ASSERT_TRUE(test::WriteMidnightBackup(dir.File("MIDNIGHT.ZRV")));
  Open(dir.File("MIDNIGHT.ZRV"));
  ASSERT_EQ(dialog->Controller().Count(), 5u);
  EXPECT_TRUE(dialog->MenuAction(ID_GO_TO_TIME)->isEnabled());
  EXPECT_EQ(dialog->MenuAction(ID_GO_TO_TIME)->text(), QStringLiteral("Go to &Time..."));

  QString first, last;
  bool dateShown = false;
  ASSERT_TRUE(WithGoToTimeDialog([&](CGoToTimeDlg& box) {
    first = box.findChild<QLabel*>(QStringLiteral("first"))->text();
    last = box.findChild<QLabel*>(QStringLiteral("last"))->text();
    auto* date = box.findChild<QDateEdit*>(QStringLiteral("date"));
    dateShown = date && date->isVisible();
    if (date) TypeInto(date, QStringLiteral("2026-12-09"));
    TypeInto(box.findChild<QLineEdit*>(QStringLiteral("time")), QStringLiteral("00:00:00.500"));
    QTest::keyClick(&box, Qt::Key_Return);
  }));
  EXPECT_EQ(first, QStringLiteral("2026-12-08  23:59:58.000"));
  EXPECT_EQ(last, QStringLiteral("2026-12-09  00:00:03.000"));
  EXPECT_TRUE(dateShown);
  // 23:59:59.250 was written late, as record 2: it is the one before 00:00:00.5.
  EXPECT_EQ(Position()->value(), 2);
  EXPECT_EQ(dialog->Controller().CurrentIndex(), 2u);
  EXPECT_TRUE(Title().contains(QStringLiteral("CAM 2"))) << Title().toStdString();

  // The next day's time, typed with its date.
  ASSERT_TRUE(WithGoToTimeDialog([&](CGoToTimeDlg& box) {
    TypeInto(box.findChild<QDateEdit*>(QStringLiteral("date")), QStringLiteral("2026-12-09"));
    TypeInto(box.findChild<QLineEdit*>(QStringLiteral("time")), QStringLiteral("00:00:02.999"));
    QTest::mouseClick(box.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
  }));
  EXPECT_EQ(Position()->value(), 3);
  EXPECT_TRUE(Title().contains(QStringLiteral("CAM 3"))) << Title().toStdString();

  // A text that is no time of day cannot be taken; Cancel leaves the
  // picture where it is.
  bool okWithBadTime = true;
  ASSERT_TRUE(WithGoToTimeDialog([&](CGoToTimeDlg& box) {
    TypeInto(box.findChild<QLineEdit*>(QStringLiteral("time")), QStringLiteral("25:00"));
    okWithBadTime = box.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled();
    TypeInto(box.findChild<QLineEdit*>(QStringLiteral("time")), QStringLiteral("23:59:58.000"));
    QTest::keyClick(&box, Qt::Key_Escape);
  }));
  EXPECT_FALSE(okWithBadTime);
  EXPECT_EQ(Position()->value(), 3);
  EXPECT_TRUE(messages.empty());
}

TEST_F(GoMenuTest, GoToTimeWithinOneDayAsksOnlyForTheTimeAndClampsBeforeTheStart) {
  Start();
  // Ten records a tenth of a second apart, within one day.
  ASSERT_TRUE(test::MakeSmallBackup(7, 10).WriteContainer(dir.File("DAY.ZRV")));
  Open(dir.File("DAY.ZRV"));
  ASSERT_EQ(dialog->Controller().Count(), 10u);
  QTest::keyClick(dialog.get(), Qt::Key_End);
  QApplication::processEvents();
  ASSERT_EQ(Position()->value(), 9);
  QString startTime;
  ASSERT_TRUE(WithGoToTimeDialog([&](CGoToTimeDlg& box) {
    EXPECT_EQ(box.findChild<QDateEdit*>(QStringLiteral("date")), nullptr);
    auto* time = box.findChild<QLineEdit*>(QStringLiteral("time"));
    startTime = time->text();  // starts at the record on show
    TypeInto(time, QStringLiteral("00:00:00.000"));
    QTest::keyClick(&box, Qt::Key_Return);
  }));
  const INDEX_RECORD& last = dialog->Controller().Index()[9];
  EXPECT_EQ(startTime, QString::asprintf("%02d:%02d:%02d.%03d", last.hour, last.minute, last.second,
                                         last.millisecond));
  EXPECT_EQ(Position()->value(), 0);
  EXPECT_TRUE(Title().contains(QStringLiteral("CAM 0"))) << Title().toStdString();
}

// Clicks an item of a menu as the user does: the menu pops up, the mouse
// clicks on the item.
void ClickMenuItem(QMenu* menu, const QString& objectName) {
  menu->popup(QPoint(0, 0));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  QAction* action = menu->findChild<QAction*>(objectName);
  ASSERT_NE(action, nullptr) << objectName.toStdString();
  QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(action).center());
  QApplication::processEvents();
}

TEST_F(GoMenuTest, CameraMenuPlaysOneCameraAlone) {
  Start();
  auto* cameras = dialog->findChild<QMenu*>(QStringLiteral("cameraMenu"));
  ASSERT_NE(cameras, nullptr);
  EXPECT_FALSE(cameras->isEnabled());
  ASSERT_TRUE(test::WriteTwoCameraBackup(dir.File("TWO.ZRV")));
  Open(dir.File("TWO.ZRV"));
  ASSERT_EQ(dialog->Controller().Count(), 8u);
  ASSERT_TRUE(cameras->isEnabled());
  QStringList items;
  for (QAction* action : cameras->actions()) items << action->text();
  EXPECT_EQ(items, (QStringList{"All cameras", "Camera 1", "Camera 2"}));
  EXPECT_TRUE(cameras->findChild<QAction*>(QStringLiteral("camera-all"))->isChecked());

  ClickMenuItem(cameras, QStringLiteral("camera-1"));
  EXPECT_TRUE(cameras->findChild<QAction*>(QStringLiteral("camera-1"))->isChecked());
  // Record 0 is camera 1's; camera 2 begins at record 1.
  EXPECT_EQ(Position()->value(), 1);
  EXPECT_TRUE(Title().contains(QStringLiteral("CAM 1"))) << Title().toStdString();
  dialog->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  std::vector<int> stepped;
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(dialog.get(), Qt::Key_Right);
    QApplication::processEvents();
    stepped.push_back(Position()->value());
  }
  EXPECT_EQ(stepped, (std::vector<int>{4, 5, 7, 7}));
  EXPECT_TRUE(Title().contains(QStringLiteral("CAM 7"))) << Title().toStdString();

  ClickMenuItem(cameras, QStringLiteral("camera-all"));
  QTest::keyClick(dialog.get(), Qt::Key_Home);
  QApplication::processEvents();
  EXPECT_EQ(Position()->value(), 0);

  // Another backup of one camera: no choice, all cameras again.
  ASSERT_TRUE(test::MakeSmallBackup(7, 3).WriteContainer(dir.File("ONE.ZRV")));
  Open(dir.File("ONE.ZRV"));
  ASSERT_EQ(dialog->Controller().Count(), 3u);
  EXPECT_FALSE(cameras->isEnabled());
  EXPECT_EQ(dialog->Controller().CameraFilter(), CPlaybackController::kAllCameras);
}

TEST_F(GoMenuTest, MarksInAndOutAreDrawnUnderTheChannelAndClearedWithTheMenu) {
  Start();
  ASSERT_TRUE(test::MakeSmallBackup(7, 10).WriteContainer(dir.File("DAY.ZRV")));
  Open(dir.File("DAY.ZRV"));
  auto* slider = static_cast<CPositionSliderCtrl*>(Position());
  const QImage before = slider->grab().toImage();
  dialog->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  auto key = [&](Qt::Key k) {
    QTest::keyClick(dialog.get(), k);
    QApplication::processEvents();
  };
  for (int i = 0; i < 6; ++i) key(Qt::Key_Right);
  key(Qt::Key_O);  // Out first, then In before it
  key(Qt::Key_Left);
  key(Qt::Key_Left);
  key(Qt::Key_Left);
  key(Qt::Key_Left);
  key(Qt::Key_I);
  EXPECT_EQ(dialog->Controller().MarkIn(), 2u);
  EXPECT_EQ(dialog->Controller().MarkOut(), 6u);
  EXPECT_EQ(slider->MarkIn(), 2);
  EXPECT_EQ(slider->MarkOut(), 6);
  // The user sees the range under the channel in the slider's dark shade,
  // and nothing outside it.
  const QImage marked = slider->grab().toImage();
  const int y = slider->ChannelRect().bottom() + 3;
  const int middle = (slider->XOfValue(2) + slider->XOfValue(6)) / 2;
  EXPECT_EQ(marked.pixelColor(middle, y), slider->MarkColour());
  EXPECT_NE(before.pixelColor(middle, y), slider->MarkColour());
  EXPECT_EQ(marked.pixelColor(slider->XOfValue(2), y + 2), slider->MarkColour());
  EXPECT_NE(marked.pixelColor(slider->XOfValue(8), y), slider->MarkColour());

  auto* go = dialog->findChild<QMenu*>(QStringLiteral("goMenu"));
  ClickMenuItem(go, QString::number(ID_GO_CLEAR_MARKS));
  EXPECT_EQ(slider->MarkIn(), -1);
  EXPECT_EQ(dialog->Controller().MarkOut(), CPlaybackController::kNoMark);
  EXPECT_EQ(slider->grab().toImage().pixelColor(middle, y), before.pixelColor(middle, y));

  // A new open begins without marks.
  key(Qt::Key_I);
  EXPECT_EQ(slider->MarkIn(), 2);
  Open(dir.File("DAY.ZRV"));
  EXPECT_EQ(slider->MarkIn(), -1);
}

}  // namespace
}  // namespace bv
