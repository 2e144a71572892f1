// The real dialog under the offscreen platform, driven by its buttons, menu
// items and keys against generated backups.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QWindow>
#include <QSlider>
#include <QTest>
#include <chrono>
#include <functional>

#include "app/viewer_dlg.h"
#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "controls/skin_button.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"
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

class ViewerDialogTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::vector<QString> messages;
  int openDialogs = 0;
  std::string chosen;
  std::unique_ptr<CViewerDlg> dialog;

  // A plain program file: exactly the program length.
  std::string PlainProgram() {
    const std::string path = dir.File("viewer");
    test::WriteFileBytes(path, std::vector<uint8_t>(kProgramFileLength, 0));
    return path;
  }

  void Start(const std::string& programPath, const std::string& fileToOpen = "", bool expectInit = true) {
    CViewerDlg::Options options;
    options.programPath = programPath;
    options.fileToOpen = fileToOpen;
    options.chooseFileToOpen = [this] {
      ++openDialogs;
      return chosen;
    };
    options.messageBox = [this](const QString& text, bool) { messages.push_back(text); };
    dialog = std::make_unique<CViewerDlg>(options);
    ASSERT_EQ(dialog->OnInitDialog(), expectInit);
    if (!expectInit) return;
    dialog->show();
    QApplication::processEvents();
  }
  void Click(int id) { QTest::mouseClick(dialog->Button(id), Qt::LeftButton); }
  CPlaybackController& controller() { return dialog->Controller(); }
  QString Edit(int id) { return dialog->Edit(id)->text(); }
  void OpenSmall(int count) {
    ASSERT_TRUE(test::MakeSmallBackup(7, count).WriteContainer(dir.File("b.zrv")));
    chosen = dir.File("b.zrv");
    Click(IDC_OPEN);
    ASSERT_EQ(controller().Count(), static_cast<uint32_t>(count));
  }
};

TEST_F(ViewerDialogTest, StandaloneStartShowsTheOpenDialogOnceAndAnEmptyViewer) {
  Start(PlainProgram());
  ASSERT_TRUE(PumpUntil([&] { return openDialogs == 1; }));
  QTest::qWait(50);
  EXPECT_EQ(openDialogs, 1);
  EXPECT_FALSE(dialog->IsSelfContained());
  EXPECT_TRUE(dialog->Button(IDC_OPEN)->isVisible());
  EXPECT_TRUE(dialog->MenuAction(ID_FILE_OPEN)->isEnabled());
  EXPECT_FALSE(dialog->MenuAction(ID_FILE_SHOW_INFORMATION)->isEnabled());
  EXPECT_FALSE(dialog->Slider(IDC_POSITION_SLIDER)->isVisible());
  EXPECT_FALSE(dialog->Slider(IDC_SPEED_SLIDER)->isEnabled());
  EXPECT_EQ(dialog->Slider(IDC_SPEED_SLIDER)->value(), 10);
  for (int id : {IDC_PLAY_FORWARD, IDC_PLAY_BACKWARD, IDC_PAUSE, IDC_STOP, IDC_STEP_FORWARD, IDC_STEP_BACKWARD,
                 IDC_FIRST_RECORD, IDC_LAST_RECORD, IDC_SAVE_SNAPSHOT, IDC_PRINT}) {
    EXPECT_TRUE(dialog->Button(id)->HasDisabledLook()) << id;
    EXPECT_EQ(dialog->Button(id)->CurrentCell(), 1) << id;
  }
  EXPECT_FALSE(dialog->Button(IDC_OPEN)->HasDisabledLook());
  // The start size is the whole window's, frame included.
  EXPECT_EQ(dialog->frameGeometry().size(), QSize(560, 415));
  EXPECT_EQ(dialog->Button(IDC_PLAY_FORWARD)->size(), QSize(31, 31));
  EXPECT_TRUE(dialog->MenuAction(ID_SHOW_CAM_NUMBER)->isChecked());
  EXPECT_TRUE(dialog->MenuAction(ID_SHOW_DATE_TIME)->isChecked());
  EXPECT_TRUE(dialog->MenuAction(ID_SHOW_IMAGE_SIZE)->isChecked());
  // A click on a button in its disabled look does nothing.
  Click(IDC_PLAY_FORWARD);
  EXPECT_EQ(controller().GetPlayState(), kStoppedOrPaused);
}

TEST_F(ViewerDialogTest, FileOnTheCommandLineOpensInsteadOfTheDialog) {
  ASSERT_TRUE(test::MakeSmallBackup(7, 3).WriteContainer(dir.File("c.ZRV")));
  Start(PlainProgram(), dir.File("c.ZRV"));
  ASSERT_TRUE(PumpUntil([&] { return controller().Count() == 3; }));
  EXPECT_EQ(openDialogs, 0);
  EXPECT_EQ(Edit(IDC_CAMERA_TITLE), " CAM 0 (3)");
  EXPECT_EQ(Edit(IDC_LOCATION), " LOC 0");
  EXPECT_EQ(Edit(IDC_CODEC_NAME), " MJPG");
  EXPECT_EQ(Edit(IDC_PICTURE_SIZE), " 352 x 240");
  EXPECT_TRUE(dialog->MenuAction(ID_FILE_SHOW_INFORMATION)->isEnabled());
  EXPECT_TRUE(dialog->Slider(IDC_POSITION_SLIDER)->isVisible());
  EXPECT_EQ(dialog->Slider(IDC_POSITION_SLIDER)->maximum(), 2);
}

TEST_F(ViewerDialogTest, ButtonsDrivePlayStatesAndLatches) {
  Start(PlainProgram());
  OpenSmall(200);
  EXPECT_FALSE(dialog->Button(IDC_FIRST_RECORD)->isEnabled());
  EXPECT_TRUE(dialog->Button(IDC_LAST_RECORD)->isEnabled());
  Click(IDC_STEP_FORWARD);
  EXPECT_EQ(controller().CurrentIndex(), 1u);
  EXPECT_EQ(Edit(IDC_CAMERA_TITLE), " CAM 1 (3)");
  EXPECT_EQ(dialog->Slider(IDC_POSITION_SLIDER)->value(), 1);
  Click(IDC_PLAY_FORWARD);
  EXPECT_EQ(controller().GetPlayState(), kPlayingForward);
  EXPECT_TRUE(dialog->Button(IDC_PLAY_FORWARD)->IsLatched());
  EXPECT_EQ(dialog->Button(IDC_PLAY_FORWARD)->CurrentCell(), 3);
  EXPECT_FALSE(dialog->Button(IDC_SAVE_SNAPSHOT)->isEnabled());
  ASSERT_TRUE(PumpUntil([&] { return controller().CurrentIndex() >= 5; }));
  Click(IDC_PAUSE);
  EXPECT_EQ(controller().GetPlayState(), kStoppedOrPaused);
  EXPECT_EQ(controller().GetThreadState(), kThreadBetweenSteps);
  EXPECT_FALSE(dialog->Button(IDC_PLAY_FORWARD)->IsLatched());
  EXPECT_TRUE(dialog->Button(IDC_SAVE_SNAPSHOT)->isEnabled());
  // The edits show the record the playback thread displayed last.
  EXPECT_EQ(Edit(IDC_CAMERA_TITLE), QStringLiteral(" CAM %1 (3)").arg(controller().CurrentIndex()));
  Click(IDC_PLAY_BACKWARD);
  EXPECT_TRUE(dialog->Button(IDC_PLAY_BACKWARD)->IsLatched());
  Click(IDC_STOP);
  EXPECT_EQ(controller().GetThreadState(), kNoThread);
  EXPECT_EQ(controller().CurrentIndex(), 0u);
  EXPECT_FALSE(dialog->Button(IDC_PLAY_BACKWARD)->IsLatched());
  Click(IDC_LAST_RECORD);
  EXPECT_EQ(controller().CurrentIndex(), 199u);
  EXPECT_FALSE(dialog->Button(IDC_PLAY_FORWARD)->isEnabled());
  Click(IDC_FIRST_RECORD);
  EXPECT_EQ(controller().CurrentIndex(), 0u);
}

// At the fastest speed the playback thread is a step ahead of the screen;
// once a command has paused it the screen shows the record it stopped at,
// and nothing of an earlier step comes after.
TEST_F(ViewerDialogTest, PausingFastestPlayLeavesTheScreenAtTheRecordPausedOn) {
  Start(PlainProgram());
  OpenSmall(400);
  QTest::keyClick(dialog->Slider(IDC_SPEED_SLIDER), Qt::Key_End);
  for (int round = 0; round < 12; ++round) {
    const int directions[2] = {IDC_PLAY_FORWARD, IDC_PLAY_BACKWARD};
    const uint32_t from = controller().CurrentIndex();
    Click(directions[round % 2]);
    ASSERT_TRUE(PumpUntil([&] { return controller().CurrentIndex() != from; }));
    QTest::qWait(round);
    Click(IDC_PAUSE);
    const uint32_t at = controller().CurrentIndex();
    EXPECT_EQ(dialog->Slider(IDC_POSITION_SLIDER)->value(), static_cast<int>(at)) << "round " << round;
    EXPECT_EQ(Edit(IDC_CAMERA_TITLE), QStringLiteral(" CAM %1 (3)").arg(at)) << "round " << round;
    QApplication::processEvents();
    EXPECT_EQ(dialog->Slider(IDC_POSITION_SLIDER)->value(), static_cast<int>(at)) << "round " << round;
    EXPECT_FALSE(dialog->Button(directions[round % 2])->IsLatched());
  }
}

TEST_F(ViewerDialogTest, ForwardPlayToTheEndRewindsAndEndsTheThread) {
  Start(PlainProgram());
  OpenSmall(30);
  dialog->SetSpeedPosition(20);
  controller().OnSpeedSlider(20);
  Click(IDC_PLAY_FORWARD);
  ASSERT_TRUE(PumpUntil([&] { return controller().GetThreadState() == kNoThread; }));
  QApplication::processEvents();
  EXPECT_EQ(controller().CurrentIndex(), 0u);
  EXPECT_EQ(dialog->Slider(IDC_POSITION_SLIDER)->value(), 0);
  EXPECT_FALSE(dialog->Button(IDC_PLAY_FORWARD)->IsLatched());
  EXPECT_EQ(Edit(IDC_CAMERA_TITLE), " CAM 0 (3)");
}

TEST_F(ViewerDialogTest, DraggingThePositionSliderPausesPlay) {
  Start(PlainProgram());
  OpenSmall(100);
  Click(IDC_PLAY_FORWARD);
  QSlider* slider = dialog->Slider(IDC_POSITION_SLIDER);
  slider->setSliderPosition(60);
  slider->triggerAction(QAbstractSlider::SliderMove);
  EXPECT_EQ(controller().GetPlayState(), kStoppedOrPaused);
  EXPECT_EQ(controller().CurrentIndex(), 60u);
  EXPECT_EQ(Edit(IDC_CAMERA_TITLE), " CAM 60 (3)");
  QTest::qWait(80);
  EXPECT_EQ(controller().CurrentIndex(), 60u);
}

TEST_F(ViewerDialogTest, NeitherEnterNorEscapeClosesTheCloseButtonClosesThroughTheCloseSequence) {
  Start(PlainProgram());
  OpenSmall(300);
  Click(IDC_PLAY_FORWARD);
  QTest::keyClick(dialog.get(), Qt::Key_Return);
  QTest::keyClick(dialog.get(), Qt::Key_Enter);
  EXPECT_TRUE(dialog->isVisible());
  // Escape, wherever the keyboard is, leaves the backup open and playing.
  QTest::keyClick(dialog.get(), Qt::Key_Escape);
  QTest::keyClick(dialog->Edit(IDC_LOCATION), Qt::Key_Escape);
  QTest::keyClick(dialog->Button(IDC_STOP), Qt::Key_Escape);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(controller().GetPlayState(), kPlayingForward);
  EXPECT_EQ(controller().Count(), 300u);
  // The window's close button (a close request from the window system).
  dialog->windowHandle()->close();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(controller().GetThreadState(), kNoThread);
  EXPECT_EQ(controller().GetPlayState(), kStoppedOrPaused);
}

TEST_F(ViewerDialogTest, ExitMenuClosesDuringPlay) {
  Start(PlainProgram());
  OpenSmall(300);
  Click(IDC_PLAY_BACKWARD);
  Click(IDC_LAST_RECORD);
  Click(IDC_PLAY_BACKWARD);
  dialog->MenuAction(ID_FILE_EXIT)->trigger();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(controller().GetThreadState(), kNoThread);
}

TEST_F(ViewerDialogTest, InformationBoxShowsTheCameraInformation) {
  Start(PlainProgram());
  OpenSmall(2);
  dialog->MenuAction(ID_FILE_SHOW_INFORMATION)->trigger();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0],
            "Camera Name : Entrance (3)                    \nLocation : Hall 1 East Gate\nOrganization : Sample "
            "Hall\nOwner : Backup Viewer demo\nFileVer : 7");
}

TEST_F(ViewerDialogTest, DisplayShowingItemsSwitchTheWindowsItems) {
  Start(PlainProgram());
  QAction* cam = dialog->MenuAction(ID_SHOW_CAM_NUMBER);
  cam->trigger();
  EXPECT_FALSE(cam->isChecked());
  EXPECT_EQ(dialog->DibWindow().InfoItems(), (std::vector<uint8_t>{0, 1, 1, 0}));
  dialog->MenuAction(ID_SHOW_DATE_TIME)->trigger();
  dialog->MenuAction(ID_SHOW_IMAGE_SIZE)->trigger();
  EXPECT_EQ(dialog->DibWindow().InfoItems(), (std::vector<uint8_t>{0, 0, 0, 0}));
  cam->trigger();
  EXPECT_TRUE(cam->isChecked());
  EXPECT_EQ(dialog->DibWindow().InfoItems(), (std::vector<uint8_t>{1, 0, 0, 0}));
}

TEST_F(ViewerDialogTest, BrokenBackupsLeaveTheEmptyViewerWithTheMessage) {
  Start(PlainProgram());
  test::WriteFileBytes(dir.File("bad.zrv"), std::vector<uint8_t>(3000, 7));
  chosen = dir.File("bad.zrv");
  Click(IDC_OPEN);
  ASSERT_TRUE(PumpUntil([&] { return !messages.empty(); }));
  EXPECT_EQ(messages.back(), "File Error #1");
  EXPECT_EQ(controller().Count(), 0u);
  EXPECT_TRUE(dialog->Button(IDC_PLAY_FORWARD)->HasDisabledLook());
  EXPECT_FALSE(dialog->MenuAction(ID_FILE_SHOW_INFORMATION)->isEnabled());
}

TEST_F(ViewerDialogTest, AnOldPairOpenedAfterATitledBackupNamesNoCamera) {
  Start(PlainProgram());
  OpenSmall(5);
  Click(IDC_STEP_FORWARD);
  ASSERT_EQ(Edit(IDC_CAMERA_TITLE), " CAM 1 (3)");
  // A version-2 pair has no title header: nothing of the other backup's
  // camera stays, on the picture or in the field, at any record.
  ASSERT_TRUE(test::MakeSmallBackup(2, 3).WritePair(dir.File("old.idx")));
  chosen = dir.File("old.idx");
  Click(IDC_OPEN);
  ASSERT_EQ(controller().Count(), 3u);
  for (int step = 0; step < 3; ++step) {
    EXPECT_EQ(Edit(IDC_CAMERA_TITLE), "") << step;
    EXPECT_EQ(controller().Engine().CameraTitle(), "") << step;
    Click(IDC_STEP_FORWARD);
  }
}

TEST_F(ViewerDialogTest, SelfContainedProgramOpensItsOwnBackup) {
  CBackupWriter writer = test::MakeSmallBackup(5, 4);
  ASSERT_TRUE(writer.WriteSelfContained(dir.File("self"), std::vector<uint8_t>(kProgramFileLength, 1)));
  Start(dir.File("self"));
  EXPECT_TRUE(dialog->IsSelfContained());
  EXPECT_FALSE(dialog->Button(IDC_OPEN)->isVisible());
  EXPECT_FALSE(dialog->MenuAction(ID_FILE_OPEN)->isEnabled());
  EXPECT_EQ(controller().Count(), 4u);
  QTest::qWait(30);
  EXPECT_EQ(openDialogs, 0);
  EXPECT_EQ(Edit(IDC_CAMERA_TITLE), " CAM 0 (3)");
  EXPECT_TRUE(dialog->MenuAction(ID_FILE_SHOW_INFORMATION)->isEnabled());
}

TEST_F(ViewerDialogTest, SelfContainedProgramWithoutAValidBackupFailsItsStart) {
  std::vector<uint8_t> program(kProgramFileLength + 1, 0);
  test::WriteFileBytes(dir.File("one-more"), program);
  Start(dir.File("one-more"), "", false);
  EXPECT_EQ(messages, std::vector<QString>{"File Error #1"});
}

TEST_F(ViewerDialogTest, StartUpSwitchesOverlayPresentationOn) {
  Start(PlainProgram());
  EXPECT_TRUE(dialog->MenuAction(ID_OPTION_OVERLAY)->isChecked());
  ASSERT_NE(dialog->OverlayWindow(), nullptr);
  EXPECT_TRUE(dialog->OverlayWindow()->isVisible());
  EXPECT_FALSE(dialog->DibWindow().isVisible());
  EXPECT_EQ(dialog->OverlayWindow()->geometry(), dialog->DibWindow().geometry());
  EXPECT_TRUE(controller().Engine().IsOverlay());
}

TEST_F(ViewerDialogTest, OverlaySwitchInStandaloneModeReopensTheBackupAtTheRecordShown) {
  Start(PlainProgram());
  OpenSmall(5);
  Click(IDC_STEP_FORWARD);
  Click(IDC_STEP_FORWARD);
  const int asked = openDialogs;
  dialog->MenuAction(ID_OPTION_OVERLAY)->trigger();
  EXPECT_FALSE(dialog->MenuAction(ID_OPTION_OVERLAY)->isChecked());
  EXPECT_FALSE(controller().Engine().IsOverlay());
  EXPECT_TRUE(dialog->DibWindow().isVisible());
  EXPECT_FALSE(dialog->OverlayWindow()->isVisible());
  EXPECT_EQ(controller().Count(), 5u);
  EXPECT_EQ(controller().CurrentIndex(), 2u);
  EXPECT_EQ(Edit(IDC_CAMERA_TITLE), " CAM 2 (3)");
  EXPECT_EQ(dialog->Slider(IDC_POSITION_SLIDER)->value(), 2);
  EXPECT_FALSE(dialog->Button(IDC_PLAY_FORWARD)->HasDisabledLook());
  EXPECT_FALSE(dialog->Button(IDC_SAVE_SNAPSHOT)->HasDisabledLook());
  EXPECT_TRUE(dialog->Slider(IDC_POSITION_SLIDER)->isVisible());
  EXPECT_TRUE(dialog->MenuAction(ID_FILE_SHOW_INFORMATION)->isEnabled());
  EXPECT_EQ(openDialogs, asked);  // the user was not asked for the file again
  // And back: the same record in the overlay presentation.
  dialog->MenuAction(ID_OPTION_OVERLAY)->trigger();
  EXPECT_TRUE(controller().Engine().IsOverlay());
  EXPECT_EQ(controller().CurrentIndex(), 2u);
  // With nothing open, the switch opens nothing.
  chosen.clear();
  Start(PlainProgram());
  dialog->MenuAction(ID_OPTION_OVERLAY)->trigger();
  EXPECT_EQ(controller().Count(), 0u);
  EXPECT_TRUE(dialog->Button(IDC_PLAY_FORWARD)->HasDisabledLook());
}

TEST_F(ViewerDialogTest, OverlaySwitchInSelfContainedModeReopensTheBackup) {
  ASSERT_TRUE(test::MakeSmallBackup(5, 4).WriteSelfContained(dir.File("self"),
                                                            std::vector<uint8_t>(kProgramFileLength, 1)));
  Start(dir.File("self"));
  Click(IDC_LAST_RECORD);
  dialog->MenuAction(ID_OPTION_OVERLAY)->trigger();
  EXPECT_FALSE(controller().Engine().IsOverlay());
  EXPECT_EQ(controller().Count(), 4u);
  EXPECT_EQ(controller().CurrentIndex(), 3u);
  EXPECT_EQ(Edit(IDC_CAMERA_TITLE), " CAM 3 (3)");
  EXPECT_FALSE(dialog->Button(IDC_FIRST_RECORD)->HasDisabledLook());
}

TEST_F(ViewerDialogTest, InformationSwitchesReachBothWindowsAcrossPresentations) {
  Start(PlainProgram());
  dialog->MenuAction(ID_OPTION_OVERLAY)->trigger();  // DIB presentation
  dialog->MenuAction(ID_SHOW_CAM_NUMBER)->trigger();
  dialog->MenuAction(ID_OPTION_OVERLAY)->trigger();  // overlay again
  EXPECT_EQ(dialog->OverlayWindow()->InfoItems(), (std::vector<uint8_t>{0, 1, 1, 0}));
  EXPECT_EQ(dialog->DibWindow().InfoItems(), (std::vector<uint8_t>{0, 1, 1, 0}));
}

TEST_F(ViewerDialogTest, WindowSizeStaysWithinItsLimits) {
  Start(PlainProgram());
  // The limits are the whole window's: the inner window's are less its frame.
  const QSize frame = dialog->frameGeometry().size() - dialog->size();
  EXPECT_EQ(dialog->minimumSize() + frame, QSize(560, 415));
  EXPECT_EQ(dialog->maximumSize() + frame, QSize(840, 639));
  dialog->resize(2000, 2000);
  QApplication::processEvents();
  EXPECT_EQ(dialog->frameGeometry().size(), QSize(840, 639));
  const QRect video = dialog->DibWindow().geometry();
  EXPECT_EQ(video.width(), dialog->ClientArea()->width() - 192);
  EXPECT_EQ(video.height(), dialog->ClientArea()->height() - 73);
  EXPECT_EQ(dialog->OverlayWindow()->geometry(), video);
}

TEST_F(ViewerDialogTest, KeyboardShortcutsDriveTheDialogAndAreShownInTheMenus) {
  Start(PlainProgram());
  OpenSmall(50);
  QApplication::setActiveWindow(dialog.get());
  dialog->ClientArea()->setFocus();
  EXPECT_EQ(dialog->MenuAction(ID_FILE_OPEN)->shortcut(), QKeySequence(QKeySequence::Open));
  EXPECT_EQ(dialog->MenuAction(ID_PLAYBACK_PLAY_PAUSE)->shortcut(), QKeySequence(Qt::Key_Space));
  QTest::keyClick(dialog.get(), Qt::Key_Right);
  EXPECT_EQ(controller().CurrentIndex(), 1u);
  QTest::keyClick(dialog.get(), Qt::Key_End);
  EXPECT_EQ(controller().CurrentIndex(), 49u);
  QTest::keyClick(dialog.get(), Qt::Key_Left);
  EXPECT_EQ(controller().CurrentIndex(), 48u);
  QTest::keyClick(dialog.get(), Qt::Key_Home);
  EXPECT_EQ(controller().CurrentIndex(), 0u);
  QTest::keyClick(dialog.get(), Qt::Key_Space);
  EXPECT_EQ(controller().GetPlayState(), kPlayingForward);
  QTest::keyClick(dialog.get(), Qt::Key_Space);
  EXPECT_EQ(controller().GetPlayState(), kStoppedOrPaused);
  const int before = openDialogs;
  QTest::keyClick(dialog.get(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(openDialogs, before + 1);
}

TEST_F(ViewerDialogTest, SpaceOnAFocusedButtonPressesThatButton) {
  Start(PlainProgram());
  OpenSmall(20);
  QApplication::setActiveWindow(dialog.get());
  dialog->Button(IDC_LAST_RECORD)->setFocus();
  QTest::keyClick(dialog->Button(IDC_LAST_RECORD), Qt::Key_Space);
  EXPECT_EQ(controller().CurrentIndex(), 19u);
  EXPECT_EQ(controller().GetPlayState(), kStoppedOrPaused);
}

TEST_F(ViewerDialogTest, FilesDroppedOnTheWindowOpen) {
  Start(PlainProgram());
  ASSERT_TRUE(test::MakeSmallBackup(7, 7).WriteContainer(dir.File("dropped.zrv")));
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir.File("dropped.zrv")))});
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(dialog.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(dialog.get(), &drop);
  EXPECT_EQ(controller().Count(), 7u);
}

}  // namespace
}  // namespace bv
