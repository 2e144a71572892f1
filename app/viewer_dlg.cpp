#include "app/viewer_dlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSlider>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <thread>

#include "app/message_box.h"
#include "app/topmost_window_check.h"
#include "app/viewer_layout.h"
#include "app/window_sizing.h"
#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "base/platform/data_file.h"
#include "base/platform/string_printf.h"
#include "base/platform/system_dirs.h"
#include "controls/custom_slider_ctrl.h"
#include "controls/skin_button.h"
#include "deploy/codec_deployment.h"
#include "export/legacy_qstring.h"
#include "video/dib_video_wnd.h"
#include "video/overlay_video_wnd.h"

namespace bv {
namespace {

constexpr QRgb kSkinTransparent = qRgb(255, 0, 255);
constexpr COLORREF kSliderFace = 0xE1E1E1;

// The buttons and their skin bitmaps, in the order they are skinned.
constexpr std::pair<int, int> kButtonSkins[] = {
    {IDC_FIRST_RECORD, 135}, {IDC_STEP_BACKWARD, 139}, {IDC_PLAY_BACKWARD, 133}, {IDC_STOP, 134},
    {IDC_PAUSE, 138},        {IDC_OPEN, 141},          {IDC_PLAY_FORWARD, 132},  {IDC_STEP_FORWARD, 137},
    {IDC_LAST_RECORD, 136},  {IDC_SAVE_SNAPSHOT, 145}, {IDC_PRINT, 146},
};

std::string DefaultChooseFile(QWidget* parent) {
  // Patterns in both cases: file names on Linux are case-sensitive, the
  // recorder's are not.
  const QStringList filters = {
      QStringLiteral("Supported All Format (*.zrv *.ZRV *.idx *.IDX *.bmp *.BMP *.jpg *.JPG)"),
      QStringLiteral("ZRV Files(*.zrv) (*.zrv *.ZRV)"),
      QStringLiteral("Old Backup Files(*.idx) (*.idx *.IDX)"),
      QStringLiteral("Image Files(*.bmp, *.jpg) (*.bmp *.BMP *.jpg *.JPG)"),
      // A viewer program with a backup appended has a name of its own.
      QStringLiteral("All files (*)"),
  };
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(filters);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::string();
  return dialog.selectedFiles().first().toStdString();
}

}  // namespace

CViewerDlg::CViewerDlg(Options options, QWidget* parent)
    : QDialog(parent), options_(std::move(options)), dispatcher_(this), controller_(*this) {
  if (options_.programPath.empty()) options_.programPath = ProgramPath();
  if (!options_.chooseFileToOpen) options_.chooseFileToOpen = [this] { return DefaultChooseFile(this); };
  SetPictureDialogDefaults();
  if (!options_.messageBox) {
    options_.messageBox = [this](const QString& text, bool information) {
      QMessageBox box(information ? QMessageBox::Information : QMessageBox::NoIcon,
                      QString::fromLatin1(kApplicationTitle), text, QMessageBox::Ok, this);
      ExecMessageBox(box);
    };
  }
  setObjectName(QStringLiteral("102"));
  setWindowTitle(QString::fromLatin1(kApplicationTitle));
  // A normal top-level window (not a dialog's window type): it has its own
  // taskbar entry and can be minimised.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFont(QFont(QStringLiteral("Tahoma"), 9));
  setSizeGripEnabled(false);
  CreateMenu();
  CreateControls();
  ConnectCommands();
  ConnectPictureCommands();
  AddFullScreenView();
  SetToolTips();
  setAcceptDrops(true);
  client_->setFocus();
}

CViewerDlg::~CViewerDlg() {
  closed_ = true;
  StopEventListing();
  controller_.Shutdown();
}

void CViewerDlg::CreateMenu() {
  menuBar_ = new QMenuBar(this);
  menuBar_->setObjectName(QStringLiteral("151"));
  auto add = [this](QMenu* menu, int id, const QString& text, bool checkable, bool checked) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::number(id));
    action->setCheckable(checkable);
    action->setChecked(checked);
    actions_[id] = action;
    return action;
  };
  QMenu* file = menuBar_->addMenu(QStringLiteral("&File"));
  add(file, ID_FILE_OPEN, QStringLiteral("&Open..."), false, false);
  add(file, ID_FILE_SHOW_INFORMATION, QStringLiteral("Show &Information..."), false, false);
  add(file, ID_FILE_EXPORT, QStringLiteral("&Export..."), false, false)->setEnabled(false);
  add(file, ID_FILE_EXPORT_PRESENTATION, QStringLiteral("Export for &Presentation..."), false, false)->setEnabled(false);
  add(file, ID_FILE_EVIDENCE_REPORT, QStringLiteral("Evidence &Report..."), false, false)->setEnabled(false);
  file->addSeparator();
  add(file, ID_FILE_EXIT, QStringLiteral("E&xit"), false, false);
  QMenu* option = menuBar_->addMenu(QStringLiteral("&Option"));
  add(option, ID_OPTION_OVERLAY, QStringLiteral("&Play Overlay Mode"), true, false);
  option->addSeparator();
  QMenu* showing = option->addMenu(QStringLiteral("&Display Showing"));
  add(showing, ID_SHOW_CAM_NUMBER, QStringLiteral("&Cam Number"), true, true);
  add(showing, ID_SHOW_DATE_TIME, QStringLiteral("Date and &Time"), true, true);
  add(showing, ID_SHOW_IMAGE_SIZE, QStringLiteral("Image &Size"), true, true);
  AddPlaybackMenu();
  AddGoMenu();
}

void CViewerDlg::CreateControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(menuBar_);
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("client"));
  // The keyboard starts here, where the playback shortcuts reach the
  // dialog, and comes back with a click on the picture.
  client_->setFocusPolicy(Qt::ClickFocus);
  layout->addWidget(client_);
  client_->installEventFilter(this);

  // Created back to front: the frame lies under the edits and buttons.
  frame_ = new QFrame(client_);
  frame_->setObjectName(QString::number(IDC_FRAME));
  frame_->setFrameStyle(QFrame::Box | QFrame::Sunken);

  dib_ = new CDibVideoWnd(dispatcher_, client_);
  dib_->SetClientEdge(true);

  for (int id : {IDC_LOCATION, IDC_CAMERA_TITLE, IDC_PICTURE_SIZE, IDC_CODEC_NAME, IDC_HIDDEN_EDIT}) {
    auto* edit = new QLineEdit(client_);
    edit->setObjectName(QString::number(id));
    edit->setReadOnly(true);
    edits_[id] = edit;
  }
  edits_[IDC_HIDDEN_EDIT]->hide();

  sliders_[IDC_SPEED_SLIDER] = new CCustomSliderCtrl(IDC_SPEED_SLIDER, client_);
  sliders_[IDC_POSITION_SLIDER] = new CPositionSliderCtrl(IDC_POSITION_SLIDER, client_);

  for (auto [id, bitmap] : kButtonSkins) {
    (void)bitmap;
    buttons_[id] = new CSkinButton(id, client_);
  }

  strip_ = new QLabel(client_);
  strip_->setObjectName(QString::number(IDC_STRIP));
  strip_->setPixmap(QPixmap(QStringLiteral(":/res/strip_147.bmp")));
  strip_->resize(strip_->pixmap().size());
}

void CViewerDlg::ConnectCommands() {
  const std::pair<int, void (CPlaybackController::*)()> playback[] = {
      {IDC_PLAY_FORWARD, &CPlaybackController::PlayForward}, {IDC_PLAY_BACKWARD, &CPlaybackController::PlayBackward},
      {IDC_PAUSE, &CPlaybackController::Pause},              {IDC_STOP, &CPlaybackController::Stop},
      {IDC_STEP_BACKWARD, &CPlaybackController::StepBackward}, {IDC_STEP_FORWARD, &CPlaybackController::StepForward},
      {IDC_FIRST_RECORD, &CPlaybackController::GoToFirst},   {IDC_LAST_RECORD, &CPlaybackController::GoToLast},
  };
  for (auto [id, command] : playback) {
    connect(buttons_[id], &QAbstractButton::clicked, this, [this, command = command] { (controller_.*command)(); });
  }
  connect(buttons_[IDC_OPEN], &QAbstractButton::clicked, this, [this] { OnOpen(); });
  connect(actions_[ID_FILE_OPEN], &QAction::triggered, this, [this] { OnOpen(); });
  connect(actions_[ID_FILE_EXIT], &QAction::triggered, this, [this] { close(); });
  connect(actions_[ID_FILE_SHOW_INFORMATION], &QAction::triggered, this, [this] { OnShowInformation(); });
  // The exports and the report are offered exactly while a backup is open,
  // as the information is.
  for (int id : {ID_FILE_EXPORT, ID_FILE_EXPORT_PRESENTATION, ID_FILE_EVIDENCE_REPORT}) {
    connect(actions_[ID_FILE_SHOW_INFORMATION], &QAction::enabledChanged, actions_[id], &QAction::setEnabled);
  }
  connect(actions_[ID_FILE_EXPORT], &QAction::triggered, this, [this] { OnExport(); });
  connect(actions_[ID_FILE_EXPORT_PRESENTATION], &QAction::triggered, this, [this] { OnExportPresentation(); });
  connect(actions_[ID_FILE_EVIDENCE_REPORT], &QAction::triggered, this, [this] { OnEvidenceReport(); });
  connect(actions_[ID_OPTION_OVERLAY], &QAction::triggered, this, [this] {
    // The command decides the check mark itself: take back the automatic toggle.
    actions_[ID_OPTION_OVERLAY]->setChecked(!actions_[ID_OPTION_OVERLAY]->isChecked());
    OnOverlayMode();
  });
  for (int id : {ID_SHOW_CAM_NUMBER, ID_SHOW_IMAGE_SIZE, ID_SHOW_DATE_TIME}) {
    connect(actions_[id], &QAction::triggered, this, [this, id] { OnDisplayShowing(id); });
  }

  QSlider* position = sliders_[IDC_POSITION_SLIDER];
  auto onPosition = [this, position] {
    // Pausing the playback thread serves events: a notification arriving
    // meanwhile is handled by this one again once the wait is over, and the
    // thread's last position updates do not move the thumb (SetPosition).
    // The position is read once the thread is paused.
    positionNotified_ = true;
    if (inSliderNotification_) return;
    inSliderNotification_ = true;
    while (positionNotified_) {
      positionNotified_ = false;
      if (controller_.GetPlayState() != kStoppedOrPaused) controller_.Pause();
      controller_.OnPositionSlider(static_cast<uint32_t>(position->sliderPosition()));
    }
    inSliderNotification_ = false;
  };
  connect(position, &QAbstractSlider::actionTriggered, this, onPosition);
  connect(position, &QAbstractSlider::sliderReleased, this, onPosition);
  QSlider* speed = sliders_[IDC_SPEED_SLIDER];
  auto onSpeed = [this, speed] {
    speedPosition_ = speed->sliderPosition();
    controller_.OnSpeedSlider(speed->sliderPosition());
  };
  connect(speed, &QAbstractSlider::actionTriggered, this, onSpeed);
  connect(speed, &QAbstractSlider::sliderReleased, this, onSpeed);
}

bool CViewerDlg::OnInitDialog() {
  setWindowIcon(QIcon(QStringLiteral(":/res/icon_128.png")));
  // The codec modules are written out before any is used.
  DeployCodecModules();
  controller_.SetPath(options_.programPath);
  // The decoders: the Wavelet work block and the MPEG-4 decoder, once.
  controller_.Engine().CreateDecoders();
  controller_.Engine().PreparePictureStorage();

  static_cast<CCustomSliderCtrl*>(sliders_[IDC_POSITION_SLIDER])->SetFaceColour(kSliderFace);
  static_cast<CCustomSliderCtrl*>(sliders_[IDC_SPEED_SLIDER])->SetFaceColour(kSliderFace);
  QSlider* speed = sliders_[IDC_SPEED_SLIDER];
  speed->setRange(1, 20);
  SetSpeedPosition(10);
  controller_.Engine().SetFrameDelay(20 - speed->value());

  for (auto [id, bitmap] : kButtonSkins) buttons_[id]->LoadSkin(bitmap, QColor(kSkinTransparent));
  strip_->move(0, 0);
  strip_->raise();
  // The start size and the limits are the whole window's; until the window
  // manager's frame is known they are taken as the inner size.
  ApplyWindowSizeRules();
  controller_.UpdatePlaybackControls();
  LayOutControls();
  // As if the user chose "&Play Overlay Mode": overlay presentation on, and
  // the viewer reset (playback buttons in their disabled look).
  OnOverlayMode();

  const int64_t length = FileLength(options_.programPath);
  if (length < 0 || length == kProgramFileLength) {
    if (TopLevelWindowExists("VexArchive")) setWindowFlag(Qt::WindowStaysOnTopHint, true);
    controller_.SetSelfContained(false);
    buttons_[IDC_OPEN]->show();
    return true;
  }
  controller_.SetSelfContained(true);
  buttons_[IDC_OPEN]->hide();
  actions_[ID_FILE_OPEN]->setEnabled(false);
  if (!controller_.OpenBackup(options_.programPath, false)) {
    exitCode_ = 1;
    return false;
  }
  controller_.UpdatePlaybackControls();
  return true;
}

void CViewerDlg::LayOutControls() {
  if (fullScreen_) {
    LayOutFullScreen();
    return;
  }
  const int W = client_->width();
  const int H = client_->height();
  for (const ControlPlacement& p : ComputeControlLayout(W, H)) {
    QWidget* widget = client_->findChild<QWidget*>(QString::number(p.id), Qt::FindDirectChildrenOnly);
    if (widget) widget->setGeometry(p.x, p.y, p.width, p.height);
    // The frame is repainted whole, without erasing, after it moves.
    if (p.id == IDC_FRAME && widget) widget->update();
  }
  PlaceOverlayWindow();
}

void CViewerDlg::PlaceOverlayWindow() {
  if (!overlay_) return;
  const QRect area = dib_->geometry();
  overlay_->setGeometry(area);
  overlay_->SetDisplaySize(area.width(), area.height());
  const QPoint origin = client_->mapToGlobal(area.topLeft());
  overlay_->SetScreenPos(origin.x(), origin.y());
}

void CViewerDlg::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  PlaceOverlayWindow();
  // The window manager's frame shows itself by moving the window.
  ApplyWindowSizeRules();
}

void CViewerDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  ApplyWindowSizeRules();
}

void CViewerDlg::OnOverlayMode() {
  if (controller_.Engine().Mode() != kModeBackup) return;
  QAction* item = actions_[ID_OPTION_OVERLAY];
  const bool wasChecked = item->isChecked();
  // The switch closes the backup; it is opened again and shown at the
  // record that was on screen, so the user keeps their place.
  const bool backupOpen = controller_.Count() > 0;
  const uint32_t shown = controller_.CurrentIndex();
  controller_.Engine().SetDisplayMode(!wasChecked);
  item->setChecked(!wasChecked);
  if (!backupOpen && !controller_.IsSelfContained()) return;
  if (!controller_.ReopenBackup(shown) && controller_.IsSelfContained()) {
    // The self-contained viewer has no backup but its own.
    exitCode_ = 1;
    done(1);
  }
}

bool CViewerDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize && !isMinimized()) LayOutControls();
  if (watched == client_ && event->type() == QEvent::MouseButtonDblClick) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && dib_->geometry().contains(mouse->position().toPoint())) {
      ToggleFullScreen();
      return true;
    }
  }
  if (IsSliderStatusEvent(watched, event)) return true;
  return QDialog::eventFilter(watched, event);
}

void CViewerDlg::OnFirstPaint() {
  repaint();
  if (!options_.fileToOpen.empty()) {
    controller_.OpenChosenFile(options_.fileToOpen);
    if (options_.playAfterOpen) PressButton(IDC_PLAY_FORWARD);
    return;
  }
  OnOpen();
}

void CViewerDlg::OnOpen() {
  const std::string path = options_.chooseFileToOpen();
  if (path.empty()) return;
  controller_.OpenChosenFile(path);
}

void CViewerDlg::OnShowInformation() {
  const CPlaybackEngine& engine = controller_.Engine();
  const CAMERA_INFO& info = engine.CameraInfo();
  const std::string text = StringPrintf(
      "Camera Name : %s (%d)                    \nLocation : %s\nOrganization : %s\nOwner : %s\nFileVer : %d",
      FieldText(info.name).c_str(), info.number + 1, FieldText(info.location).c_str(),
      FieldText(info.organization).c_str(), FieldText(info.owner).c_str(), static_cast<int>(engine.Version()));
  options_.messageBox(FromLegacy(text), true);
}

void CViewerDlg::OnDisplayShowing(int commandId) {
  // A checkable action has toggled its check mark before it triggers: the
  // new value is its state now.
  const uint8_t v = actions_[commandId]->isChecked() ? 1 : 0;
  uint8_t items[4] = {kInfoItemUnchanged, kInfoItemUnchanged, kInfoItemUnchanged, kInfoItemUnchanged};
  items[commandId == ID_SHOW_CAM_NUMBER ? 0 : commandId == ID_SHOW_IMAGE_SIZE ? 1 : 2] = v;
  if (IVideoWindow* overlay = VideoWindow(true)) overlay->SetInfoItems(items[0], items[1], items[2], items[3]);
  dib_->SetInfoItems(items[0], items[1], items[2], items[3]);
}

void CViewerDlg::keyPressEvent(QKeyEvent* event) {
  // Neither Enter nor Escape ends the dialog: it ends only through File >
  // "E&xit" and the window's close button. Escape leaves the full-screen
  // view.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    if (fullScreen_) LeaveFullScreen();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CViewerDlg::reject() {
  RunCloseSequence();
  QDialog::reject();
}

void CViewerDlg::RunCloseSequence() {
  if (closed_) return;
  closed_ = true;
  controller_.Shutdown();
  if (overlay_) {
    overlay_->ReleaseSurfaces();
    delete overlay_;
    overlay_ = nullptr;
  }
}

CSkinButton* CViewerDlg::Button(int id) const { return buttons_.value(id); }
QSlider* CViewerDlg::Slider(int id) const { return sliders_.value(id); }
QLineEdit* CViewerDlg::Edit(int id) const { return edits_.value(id); }
QAction* CViewerDlg::MenuAction(int id) const { return actions_.value(id); }

// --- IViewerHost -----------------------------------------------------------

void CViewerDlg::ShowMessage(const std::string& text) {
  // The playback thread waits for the answer, its record still on screen.
  dispatcher_.PostAndWait([this, text] { options_.messageBox(FromLegacy(text), false); });
}

void CViewerDlg::SetEditText(int id, const std::string& text) {
  {
    std::lock_guard lock(editsMutex_);
    editTexts_[id] = text;
  }
  dispatcher_.Post([this, id, text] {
    QLineEdit* edit = edits_.value(id);
    const QString shown = FromLegacy(text);
    if (edit && edit->text() != shown) {
      edit->setText(shown);
      edit->setCursorPosition(0);  // show the start of a long text
    }
  });
}

std::string CViewerDlg::EditText(int id) const {
  std::lock_guard lock(editsMutex_);
  auto it = editTexts_.find(id);
  return it == editTexts_.end() ? std::string() : it->second;
}

void CViewerDlg::SetPositionRange(uint32_t maximum, uint32_t tickFrequency, uint32_t pageSize) {
  auto clamp = [](uint32_t v) { return static_cast<int>(std::min<uint32_t>(v, INT32_MAX)); };
  dispatcher_.Post([this, maximum = clamp(maximum), tick = clamp(tickFrequency), page = clamp(pageSize)] {
    QSlider* slider = sliders_[IDC_POSITION_SLIDER];
    slider->setRange(0, maximum);
    slider->setTickInterval(tick);
    slider->setPageStep(std::max(page, 1));
  });
}

void CViewerDlg::SetPosition(uint32_t position) {
  const bool fromPlaybackThread = !dispatcher_.OnGuiThread();
  dispatcher_.Post([this, position, fromPlaybackThread] {
    // While the user moves the slider the thumb is theirs: a step the thread
    // took before it paused does not move it back.
    if (fromPlaybackThread && inSliderNotification_) return;
    sliders_[IDC_POSITION_SLIDER]->setValue(static_cast<int>(std::min<uint32_t>(position, INT32_MAX)));
  });
}

void CViewerDlg::ShowPositionSlider(bool show) {
  dispatcher_.Post([this, show] {
    positionSliderShown_ = show;
    // The full-screen view shows the picture alone.
    sliders_[IDC_POSITION_SLIDER]->setVisible(show && !fullScreen_);
  });
}

int CViewerDlg::SpeedPosition() const { return speedPosition_; }

void CViewerDlg::SetSpeedPosition(int position) {
  speedPosition_ = position;
  dispatcher_.Post([this, position] { sliders_[IDC_SPEED_SLIDER]->setValue(position); });
}

void CViewerDlg::EnableSpeedSlider(bool enable) {
  dispatcher_.Post([this, enable] { sliders_[IDC_SPEED_SLIDER]->setEnabled(enable); });
}

void CViewerDlg::EnableButton(int id, bool enable) {
  dispatcher_.Post([this, id, enable] {
    if (CSkinButton* b = buttons_.value(id)) b->EnableButton(enable);
  });
}

void CViewerDlg::Latch(int id) {
  dispatcher_.Post([this, id] {
    if (CSkinButton* b = buttons_.value(id)) b->Latch();
  });
}

void CViewerDlg::Unlatch(int id) {
  dispatcher_.Post([this, id] {
    if (CSkinButton* b = buttons_.value(id)) b->Unlatch();
  });
}

void CViewerDlg::ShowDisabledLook(int id) {
  dispatcher_.Post([this, id] {
    if (CSkinButton* b = buttons_.value(id)) b->ShowDisabledLook();
  });
}

void CViewerDlg::EnableMenuItem(int id, bool enable) {
  dispatcher_.Post([this, id, enable] {
    if (QAction* a = actions_.value(id)) a->setEnabled(enable);
  });
}

bool CViewerDlg::IsMenuItemChecked(int id) const {
  QAction* a = actions_.value(id);
  return a && a->isChecked();
}

IVideoWindow* CViewerDlg::VideoWindow(bool overlay) {
  if (!overlay) return dib_;
  return overlay_;
}

void CViewerDlg::SelectVideoWindow(bool overlay) {
  dispatcher_.Post([this, overlay] {
    if (overlay && !overlay_) {
      overlay_ = new COverlayVideoWnd(dispatcher_, client_);
      // The video area's sunken edge in this presentation too (not in the
      // full-screen view).
      overlay_->SetClientEdge(!fullScreen_);
      overlay_->SetPrintSupport(MakePrintSupport());
      const OverlayParams params;
      overlay_->Create(&params);
      LayOutControls();
    }
    if (overlay_) overlay_->setVisible(overlay);
    dib_->setVisible(!overlay);
  });
}

void CViewerDlg::FlushUpdates() { dispatcher_.Flush(); }

void CViewerDlg::SettleUpdates() { dispatcher_.Settle(); }

void CViewerDlg::PumpOneMessage() {
  QCoreApplication::processEvents();
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace bv
