// Go > "Events...": the real window, filled in the background, sorted and
// filtered with real clicks and keys, and the event marks on the slider.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <chrono>
#include <functional>

#include "app/event_list_wnd.h"
#include "app/viewer_dlg.h"
#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "controls/custom_slider_ctrl.h"
#include "controls/skin_button.h"
#include "tests/support/event_day_bytes.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using namespace std::chrono_literals;

bool PumpUntil(const std::function<bool()>& condition) {
  const auto end = std::chrono::steady_clock::now() + 10s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QApplication::processEvents();
    QTest::qWait(1);
  }
  return true;
}

class EventListTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string chosen;
  std::unique_ptr<CViewerDlg> dialog;

  void SetUp() override {
    const std::string program = dir.File("viewer");
    test::WriteFileBytes(program, std::vector<uint8_t>(kProgramFileLength, 0));
    CViewerDlg::Options options;
    options.programPath = program;
    options.chooseFileToOpen = [this] { return chosen; };
    options.messageBox = [](const QString&, bool) {};
    dialog = std::make_unique<CViewerDlg>(options);
    ASSERT_TRUE(dialog->OnInitDialog());
    // The R40Max labels from a folder without the label file.
    dialog->Controller().Engine().SetProgramDirectory(dir.path());
    dialog->show();
    QApplication::processEvents();
  }
  void Open(const std::string& path) {
    chosen = path;
    QTest::mouseClick(dialog->Button(IDC_OPEN), Qt::LeftButton);
    QApplication::processEvents();
  }
  CPositionSliderCtrl* Slider() { return static_cast<CPositionSliderCtrl*>(dialog->Slider(IDC_POSITION_SLIDER)); }
  QStringList Column(QTableWidget* table, int column) {
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row) {
      if (!table->isRowHidden(row)) texts << table->item(row, column)->text();
    }
    return texts;
  }
};

TEST_F(EventListTest, ListsSortsFiltersAndShowsTheEventsRecord) {
  test::WriteMidnightEventFiles(dir.path());
  ASSERT_TRUE(test::WriteMidnightBackup(dir.File("MIDNIGHT.ZRV")));
  Open(dir.File("MIDNIGHT.ZRV"));
  ASSERT_EQ(dialog->Controller().Count(), 5u);
  ASSERT_TRUE(PumpUntil([&] { return dialog->EventsListed(); }));
  // The marks under the slider: the first records of the four events.
  EXPECT_EQ(Slider()->EventMarks(), (std::vector<int>{0, 1, 2, 3}));
  const QImage slider = Slider()->grab().toImage();
  EXPECT_EQ(slider.pixelColor(Slider()->XOfValue(1), Slider()->ChannelRect().bottom() + 1),
            Slider()->EventMarkColour());

  dialog->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  QTest::keyClick(dialog.get(), Qt::Key_E, Qt::ControlModifier);
  QApplication::processEvents();
  CEventListWnd* window = dialog->EventListWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->isVisible());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  QTableWidget* table = window->Table();
  EXPECT_EQ(Column(table, CEventListWnd::kTime),
            (QStringList{"2026-12-08 23:59:50", "2026-12-08 23:59:59", "2026-12-09 00:00:00", "2026-12-09 00:00:02"}));
  EXPECT_EQ(Column(table, CEventListWnd::kMachine), (QStringList{"123", "125", "3105", "7"}));
  EXPECT_EQ(Column(table, CEventListWnd::kKind), (QStringList{"Machine", "Machine", "R40Max", "Machine"}));
  EXPECT_EQ(Column(table, CEventListWnd::kCamera), (QStringList{"1", "1", "1", "1"}));
  EXPECT_EQ(table->item(1, CEventListWnd::kText)->text(), QStringLiteral("Door"));
  EXPECT_TRUE(table->item(2, CEventListWnd::kText)->text().startsWith(QStringLiteral("ERROR:ERROR / ERROR:3105")));

  // A click on the Machine header sorts by number.
  QHeaderView* header = table->horizontalHeader();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(header->sectionViewportPosition(CEventListWnd::kMachine) + 5, header->height() / 2));
  QApplication::processEvents();
  const QStringList sorted = Column(table, CEventListWnd::kMachine);
  EXPECT_TRUE(sorted == (QStringList{"7", "123", "125", "3105"}) || sorted == (QStringList{"3105", "125", "123", "7"}))
      << sorted.join(',').toStdString();

  // Filters typed by the user.
  auto* machine = window->findChild<QLineEdit*>(QStringLiteral("machineFilter"));
  QTest::keyClicks(machine, QStringLiteral("125"));
  EXPECT_EQ(Column(table, CEventListWnd::kMachine), (QStringList{"125"}));
  QTest::keyClick(machine, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(machine, Qt::Key_Backspace);
  auto* text = window->findChild<QLineEdit*>(QStringLiteral("textFilter"));
  QTest::keyClicks(text, QStringLiteral("door"));
  EXPECT_EQ(Column(table, CEventListWnd::kMachine), (QStringList{"125"}));
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("status"))->text(), QStringLiteral("1 of 4 events"));
  QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(text, Qt::Key_Backspace);

  // Double-click on machine 7's row: its first record (3) is shown.
  table->sortByColumn(CEventListWnd::kTime, Qt::AscendingOrder);
  ASSERT_EQ(table->item(3, CEventListWnd::kMachine)->text(), QStringLiteral("7"));
  const QRect row3 = table->visualItemRect(table->item(3, CEventListWnd::kTime));
  ASSERT_TRUE(table->viewport()->rect().contains(row3.center()));
  // A double-click as the window system delivers it: a click, then the
  // second press reported as a double-click.
  QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, row3.center());
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, row3.center());
  QApplication::processEvents();
  EXPECT_EQ(dialog->Slider(IDC_POSITION_SLIDER)->value(), 3);
  EXPECT_TRUE(dialog->Edit(IDC_CAMERA_TITLE)->text().contains(QStringLiteral("CAM 3")));
  // Enter on the R40Max row: record 1.
  table->setFocus();
  table->setCurrentCell(2, 0);
  QTest::keyClick(table, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(dialog->Slider(IDC_POSITION_SLIDER)->value(), 1);
}

TEST_F(EventListTest, NoDayFilesGiveAnEmptyListAndNoMarks) {
  ASSERT_TRUE(test::WriteMidnightBackup(dir.File("MIDNIGHT.ZRV")));
  Open(dir.File("MIDNIGHT.ZRV"));
  ASSERT_TRUE(PumpUntil([&] { return dialog->EventsListed(); }));
  EXPECT_TRUE(Slider()->EventMarks().empty());
  dialog->MenuAction(ID_GO_EVENTS)->trigger();
  ASSERT_NE(dialog->EventListWindow(), nullptr);
  EXPECT_EQ(dialog->EventListWindow()->Table()->rowCount(), 0);
  EXPECT_EQ(dialog->EventListWindow()->findChild<QLabel*>(QStringLiteral("status"))->text(),
            QStringLiteral("0 of 0 events"));
}

TEST_F(EventListTest, TheListFollowsTheDayFilesChanges) {
  ASSERT_TRUE(test::WriteMidnightBackup(dir.File("MIDNIGHT.ZRV")));
  Open(dir.File("MIDNIGHT.ZRV"));
  ASSERT_TRUE(PumpUntil([&] { return dialog->EventsListed(); }));
  dialog->MenuAction(ID_GO_EVENTS)->trigger();
  QTableWidget* table = dialog->EventListWindow()->Table();
  EXPECT_EQ(table->rowCount(), 0);
  // The host computer writes the day's file while the backup is open.
  test::WriteFileBytes(dir.File("MachineEvent_2026-12-09.dat"), test::MachineFile({{0, 42, 9, 0, 0, 2, 0, 0, 3, 0}}));
  ASSERT_TRUE(PumpUntil([&] { return table->rowCount() == 1; }));
  EXPECT_EQ(table->item(0, CEventListWnd::kMachine)->text(), QStringLiteral("42"));
  EXPECT_EQ(Slider()->EventMarks(), (std::vector<int>{3}));
  // And adds to it.
  test::WriteFileBytes(dir.File("MachineEvent_2026-12-09.dat"),
                       test::MachineFile({{0, 42, 9, 0, 0, 2, 0, 0, 3, 0}, {0, 43, 9, 0, 0, 1, 0, 0, 1, 0}}));
  ASSERT_TRUE(PumpUntil([&] { return table->rowCount() == 2; }));
}

}  // namespace
}  // namespace bv
