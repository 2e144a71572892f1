#pragma once
// CViewerDlg: the "Backup Viewer" dialog. It holds the controls (each named
// by its control ID), the menu bar, the DIB video window and the playback
// controller, and is the controller's host: control updates from the
// playback thread reach the widgets through the GUI dispatcher.
#include <QDialog>
#include <QMap>
#include <QMargins>
#include <QPointer>
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/host/viewer_host.h"
#include "playback/engine/playback_controller.h"
#include "video/gui_dispatcher.h"
#include "video/picture_printer.h"

class QAction;
class QFileSystemWatcher;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QSlider;
class QTimer;

namespace bv {

class CDibVideoWnd;
class CEventListWnd;
class COverlayVideoWnd;
class CSkinButton;

class CViewerDlg : public QDialog, public IViewerHost {
 public:
  struct Options {
    // The program file: its length decides standalone or self-contained mode.
    std::string programPath;
    // A file named on the command line, opened instead of showing the Open
    // dialog on the first paint.
    std::string fileToOpen;
    // Start forward play once that file is open.
    bool playAfterOpen = false;
    // The Open command's file dialog; returns the chosen path or "" on cancel.
    std::function<std::string()> chooseFileToOpen;
    // The Export command's save dialog, given the suggested path; returns the
    // chosen path or "" on cancel.
    std::function<std::string(const std::string& suggested)> chooseExportFile;
    // The same for "Export for &Presentation..." and "Evidence &Report...".
    std::function<std::string(const std::string& suggested)> choosePresentationFile;
    std::function<std::string(const std::string& suggested)> chooseReportFile;
    // Message boxes (caption "Backup Viewer", an OK button).
    std::function<void(const QString& text, bool information)> messageBox;
    // Message boxes with their own caption and icon (the messages of the
    // picture files); when unset, messageBox gets their text if it was
    // given, or a real box shows them.
    std::function<void(const QString& caption, const QString& text, bool errorIcon)> captionedMessageBox;
    // The snapshot command's save dialog; returns the chosen path or "" on
    // cancel.
    std::function<std::string()> chooseFileToSave;
    // Asked when marks are set: export only the marked records? (a Yes/No
    // box with Yes the default when unset).
    std::function<bool(const QString& question)> askExportMarkedOnly;
    // The print dialog of the print command (the system's when unset).
    PrintDialogRunner choosePrinter;
  };

  explicit CViewerDlg(Options options, QWidget* parent = nullptr);
  ~CViewerDlg() override;

  // The start-up sequence; false when a self-contained backup cannot be
  // opened (the application then ends with exit code 1).
  bool OnInitDialog();
  // The code the application ends with: 1 when the self-contained backup
  // could not be opened (at start-up or again after a presentation switch).
  int ExitCode() const { return exitCode_; }

  // The full-screen view (F11, a double-click on the picture; Escape or F11
  // leaves it): the picture alone, scaled to the screen at the video area's
  // proportion, with its texts; the playback keys keep working.
  void ToggleFullScreen();
  void EnterFullScreen();
  void LeaveFullScreen();
  bool IsFullScreenView() const { return fullScreen_; }

  CPlaybackController& Controller() { return controller_; }
  CDibVideoWnd& DibWindow() { return *dib_; }
  // Null until overlay presentation is first switched on.
  COverlayVideoWnd* OverlayWindow() const { return overlay_; }
  CSkinButton* Button(int id) const;
  QSlider* Slider(int id) const;
  QLineEdit* Edit(int id) const;
  QAction* MenuAction(int id) const;
  QWidget* ClientArea() const { return client_; }
  bool IsSelfContained() const { return controller_.IsSelfContained(); }

  // Commands, as the buttons and menu items run them.
  void OnOpen();
  void OnShowInformation();
  // File > "&Export...": the open backup as a Matroska file (export_command.cpp).
  void OnExport();
  void OnExportPresentation();
  void OnEvidenceReport();
  void OnDisplayShowing(int commandId);
  // Go > "Go to &Time..." (viewer_go_menu.cpp).
  void OnGoToTime();
  // Go > "&Events..." (viewer_events.cpp): the window of the backup's events.
  void OnShowEvents();
  CEventListWnd* EventListWindow() const { return eventsWnd_; }
  // The events listed for the open backup so far (empty while listing).
  const std::vector<BackupEvent>& ListedEvents() const { return events_; }
  bool EventsListed() const { return eventsListed_; }
  void OnOverlayMode();
  // The snapshot (1022) and print (1023) buttons (viewer_picture_commands.cpp).
  void OnSaveSnapshot();
  void OnPrint();
  // Opens a file named by the desktop (dropped on the window), as the Open
  // command opens a chosen one.
  void OpenFromDesktop(const std::string& path);

  // IViewerHost
  void ShowMessage(const std::string& text) override;
  void SetEditText(int id, const std::string& text) override;
  std::string EditText(int id) const override;
  void SetPositionRange(uint32_t maximum, uint32_t tickFrequency, uint32_t pageSize) override;
  void SetPosition(uint32_t position) override;
  void ShowPositionSlider(bool show) override;
  int SpeedPosition() const override;
  void SetSpeedPosition(int position) override;
  void EnableSpeedSlider(bool enable) override;
  void EnableButton(int id, bool enable) override;
  void Latch(int id) override;
  void Unlatch(int id) override;
  void ShowDisabledLook(int id) override;
  void EnableMenuItem(int id, bool enable) override;
  bool IsMenuItemChecked(int id) const override;
  IVideoWindow* VideoWindow(bool overlay) override;
  void SelectVideoWindow(bool overlay) override;
  void FlushUpdates() override;
  void SettleUpdates() override;
  void PumpOneMessage() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 public:
  void reject() override;

 private:
  void CreateControls();
  void CreateMenu();
  void AddPlaybackMenu();
  void AddGoMenu();
  // Go > "&Camera": "All cameras" and one item per camera of the open index.
  void RebuildCameraMenu();
  // The marks In and Out on the position slider.
  void ShowMarks();
  // The open backup's events, listed on a worker thread after every open.
  void StartEventListing();
  void StopEventListing();
  void OnEventsListed(uint64_t generation, std::vector<BackupEvent> events);
  // Presses a skin button as a click would, unless it is off or in its
  // disabled look.
  void PressButton(int id);
  void ConnectCommands();
  void LayOutControls();
  void RunCloseSequence();
  void PlaceOverlayWindow();
  // The window's size limits and the picture's proportion, for the whole
  // window including the window manager's frame (viewer_window_size.cpp).
  void ApplyWindowSizeRules();
  void OnFirstPaint();
  // The full-screen view (viewer_full_screen.cpp).
  void AddFullScreenView();
  void LayOutFullScreen();
  // Tooltips of the buttons and sliders, and the sliders' status while
  // their thumb is dragged (viewer_tooltips.cpp).
  void SetToolTips();
  bool IsSliderStatusEvent(QObject* watched, QEvent* event);
  QString SpeedStatusText() const;
  QString PositionStatusText() const;
  void ShowSliderStatus(QSlider* slider);
  // Picture files and printing: the dialogs and message boxes they use
  // (defaults set before the message box's own), and the two buttons.
  void SetPictureDialogDefaults();
  void ConnectPictureCommands();
  PrintSupport MakePrintSupport();

  Options options_;
  CGuiDispatcher dispatcher_;
  CPlaybackController controller_;

  QMenuBar* menuBar_ = nullptr;
  QWidget* client_ = nullptr;
  QLabel* strip_ = nullptr;
  QFrame* frame_ = nullptr;
  CDibVideoWnd* dib_ = nullptr;
  COverlayVideoWnd* overlay_ = nullptr;
  QMap<int, CSkinButton*> buttons_;
  QMap<int, QLineEdit*> edits_;
  QMap<int, QSlider*> sliders_;
  QMap<int, QAction*> actions_;
  QMenu* cameraMenu_ = nullptr;
  CEventListWnd* eventsWnd_ = nullptr;
  // The backup's directory and its day files: a change lists the events again.
  QFileSystemWatcher* eventWatcher_ = nullptr;
  QTimer* eventRelist_ = nullptr;
  void WatchEventFiles(const BackupEventListRequest& request);
  std::thread eventWorker_;
  std::atomic<bool> cancelEventListing_{false};
  uint64_t eventGeneration_ = 0;
  std::vector<BackupEvent> events_;
  bool eventsListed_ = false;

  mutable std::mutex editsMutex_;
  std::map<int, std::string> editTexts_;  // what SetEditText last set, readable from any thread
  std::atomic<int> speedPosition_{10};
  bool firstPaintDone_ = false;
  bool closed_ = false;
  int exitCode_ = 0;

  // Window size rules (viewer_window_size.cpp): the frame they were last
  // applied for; whether the start size has been given to the whole window.
  QMargins appliedFrame_{-1, -1, -1, -1};
  QSize appliedInner_;
  bool startSizeSet_ = false;

  // Full-screen view.
  bool fullScreen_ = false;
  QRect normalGeometry_;
  std::vector<QPointer<QWidget>> hiddenForFullScreen_;
  bool positionSliderShown_ = false;  // as the playback state last asked
  QAction* fullScreenAction_ = nullptr;

  // The recording's frame rate for the speed readout, by backup.
  mutable std::string frameRatePath_;
  mutable uint32_t frameRateCount_ = 0;
  mutable double frameRate_ = 0;
  bool inSliderNotification_ = false;
  bool positionNotified_ = false;
};

}  // namespace bv
