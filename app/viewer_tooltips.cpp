// CViewerDlg: what the buttons and sliders tell when the pointer rests on
// them (the command, and its key), and the sliders' status while their thumb
// is dragged: the record reached, or the frame delay of the speed with the
// speed it gives as a multiple of real time.
#include <QAction>
#include <QHelpEvent>
#include <QSlider>
#include <QToolTip>

#include "app/viewer_dlg.h"
#include "base/format/recorded_frame_rate.h"
#include "base/host/control_ids.h"
#include "base/platform/string_printf.h"
#include "controls/custom_slider_ctrl.h"
#include "controls/skin_button.h"
#include "playback/engine/playback_engine.h"

namespace bv {
namespace {

struct ButtonTip {
  int button;
  const char* command;
  int action;  // the menu command whose shortcut presses the button; 0 none
};

constexpr ButtonTip kButtonTips[] = {
    {IDC_PLAY_FORWARD, "Play", ID_PLAYBACK_PLAY_PAUSE},
    {IDC_PLAY_BACKWARD, "Play Backward", 0},
    {IDC_PAUSE, "Pause", ID_PLAYBACK_PLAY_PAUSE},
    {IDC_STOP, "Stop", 0},
    {IDC_STEP_BACKWARD, "Step Back", ID_PLAYBACK_STEP_BACKWARD},
    {IDC_STEP_FORWARD, "Step Forward", ID_PLAYBACK_STEP_FORWARD},
    {IDC_FIRST_RECORD, "First Record", ID_PLAYBACK_FIRST},
    {IDC_LAST_RECORD, "Last Record", ID_PLAYBACK_LAST},
    {IDC_OPEN, "Open", ID_FILE_OPEN},
    {IDC_SAVE_SNAPSHOT, "Save Snapshot", ID_PLAYBACK_SNAPSHOT},
    {IDC_PRINT, "Print", ID_PLAYBACK_PRINT},
};

}  // namespace

void CViewerDlg::SetToolTips() {
  for (const ButtonTip& tip : kButtonTips) {
    QString text = QString::fromLatin1(tip.command);
    if (QAction* action = actions_.value(tip.action); action && !action->shortcut().isEmpty()) {
      text += QStringLiteral(" (%1)").arg(action->shortcut().toString(QKeySequence::NativeText));
    }
    buttons_[tip.button]->setToolTip(text);
  }
  // The sliders' tips are worked out when they are shown.
  for (int id : {IDC_POSITION_SLIDER, IDC_SPEED_SLIDER}) {
    sliders_[id]->installEventFilter(this);
    connect(sliders_[id], &QAbstractSlider::sliderMoved, this, [this, id] { ShowSliderStatus(sliders_[id]); });
  }
}

QString CViewerDlg::PositionStatusText() const {
  const uint32_t count = controller_.Count();
  const QString keys = QStringLiteral("Page Up / Page Down, Home / End");
  if (count == 0) return QStringLiteral("Position (%1)").arg(keys);
  const uint32_t record = static_cast<uint32_t>(sliders_[IDC_POSITION_SLIDER]->sliderPosition());
  return QStringLiteral("Position: record %1 of %2 (%3)").arg(record + 1).arg(count).arg(keys);
}

QString CViewerDlg::SpeedStatusText() const {
  const int position = sliders_[IDC_SPEED_SLIDER]->sliderPosition();
  const uint32_t delay = CPlaybackEngine::DelayForStep(20 - position);
  QString text = QStringLiteral("Speed: %1 ms per frame").arg(delay);
  if (controller_.Count() > 0 && controller_.Engine().Mode() == kModeBackup) {
    if (frameRatePath_ != controller_.Path() || frameRateCount_ != controller_.Count()) {
      frameRatePath_ = controller_.Path();
      frameRateCount_ = controller_.Count();
      frameRate_ = RecordedFrameRate(controller_.Index()).value_or(0);
    }
    if (frameRate_ > 0) {
      const double multiple = 1000.0 / delay / frameRate_;
      text += QString::fromStdString(StringPrintf(", %.3g x real time", multiple));
    }
  }
  return text + QStringLiteral(" (Left / Right: slower / faster)");
}

bool CViewerDlg::IsSliderStatusEvent(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ToolTip) return false;
  for (int id : {IDC_POSITION_SLIDER, IDC_SPEED_SLIDER}) {
    if (watched != sliders_.value(id)) continue;
    const auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), id == IDC_SPEED_SLIDER ? SpeedStatusText() : PositionStatusText(),
                       sliders_[id]);
    return true;
  }
  return false;
}

void CViewerDlg::ShowSliderStatus(QSlider* slider) {
  // Shown beside the thumb while it is dragged.
  const QRect thumb = static_cast<CCustomSliderCtrl*>(slider)->ThumbRect();
  const QPoint at = slider->mapToGlobal(QPoint(thumb.center().x(), -4));
  QToolTip::showText(at, slider == sliders_[IDC_SPEED_SLIDER] ? SpeedStatusText() : PositionStatusText(), slider);
}

}  // namespace bv
