#include "playback/engine/playback_controller.h"

#include <strings.h>

#include "base/format/backup_constants.h"
#include "base/format/pair_files.h"
#include "base/host/control_ids.h"

namespace bv {
namespace {

// The backup directory: the opened path up to and including its last
// separator; empty when it has none.
std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string DataFileOfIndex(const std::string& path) { return PairDataFile(path); }

constexpr int kPlaybackButtons[] = {IDC_STEP_FORWARD, IDC_STEP_BACKWARD, IDC_PLAY_FORWARD,
                                    IDC_STOP,         IDC_PAUSE,         IDC_FIRST_RECORD,
                                    IDC_LAST_RECORD,  IDC_PLAY_BACKWARD, IDC_SAVE_SNAPSHOT,
                                    IDC_PRINT};

}  // namespace

OpenPathKind ClassifyOpenPath(const std::string& path) {
  const char* ext = path.size() >= 4 ? path.c_str() + path.size() - 4 : "";
  if (strcasecmp(ext, ".bmp") == 0) return OpenPathKind::kBmp;
  if (strcasecmp(ext, ".jpg") == 0) return OpenPathKind::kJpg;
  if (strcasecmp(ext, ".zrv") == 0) return OpenPathKind::kZrv;
  if (strcasecmp(ext, ".idx") == 0) return OpenPathKind::kIdx;
  return OpenPathKind::kNone;
}

CPlaybackController::CPlaybackController(IViewerHost& host) : host_(host) { engine_.SetOwner(this); }

bool CPlaybackController::OpenBackup(const std::string& path, bool oldFormat) {
  return OpenBackupAt(path, oldFormat, selfContained_ ? kProgramFileLength : 0) == OpenOutcome::kOpened;
}

CPlaybackController::OpenOutcome CPlaybackController::OpenBackupAt(const std::string& path, bool oldFormat,
                                                                   uint32_t indexBase) {
  // The new backup is read and its data file tried before the open one is
  // let go: a file that cannot be shown leaves the viewer as it was.
  IndexReadOutcome read = ReadBackupIndex(path, oldFormat, indexBase);
  if (read.result == IndexReadResult::kCannotOpen) return OpenOutcome::kCannotOpen;
  if (read.result == IndexReadResult::kFileError) {
    host_.ShowMessage(kFileError);
    return OpenOutcome::kRefused;
  }
  const std::string dataPath = oldFormat ? DataFileOfIndex(path) : path;
  if (!CDataFile().Open(dataPath)) {
    host_.ShowMessage(kSaveError);
    return OpenOutcome::kRefused;
  }

  // Applying the presentation of the menu also resets the viewer, so the
  // previous backup is closed before the new one is shown.
  engine_.SetDisplayMode(host_.IsMenuItemChecked(ID_OPTION_OVERLAY));
  path_ = path;
  indexBase_ = oldFormat ? 0 : indexBase;
  indexLength_ = oldFormat ? 0 : read.indexLength;
  oldPair_ = oldFormat;
  ForgetIndexDerivedState();
  index_ = std::move(read.index);
  count_ = index_.size();
  lastShown_ = count_ == 0 ? 0 : count_ - 1;

  engine_.SetBackupDirectory(DirectoryOf(path));
  engine_.LoadEventConfiguration();
  if (!engine_.OpenDataFile(dataPath, oldFormat)) return OpenOutcome::kRefused;

  host_.SetPositionRange(count_ - 1, count_ / 100, count_ / 100);
  // The reset at the start of the open ended any playback thread.
  playState_ = kStoppedOrPaused;
  stopRequest_ = 1;
  pauseRequest_ = 0;

  GoToRecord(0);
  if (index_[0].IsAudioPaced()) {
    engine_.SetFrameDelay(1);
  } else {
    host_.SetSpeedPosition(10);
  }
  host_.EnableMenuItem(ID_FILE_SHOW_INFORMATION, true);
  return OpenOutcome::kOpened;
}

bool CPlaybackController::ReopenBackup(uint32_t record) {
  if (path_.empty()) return false;
  const std::string path = path_;
  if (OpenBackupAt(path, oldPair_, indexBase_) != OpenOutcome::kOpened) return false;
  if (record != 0 && record < count_) GoToRecord(record);
  UpdatePlaybackControls();
  return true;
}

bool IsProgramFile(const std::string& path) {
  CDataFile file;
  uint8_t magic[4] = {};
  if (!file.Open(path) || !file.ReadExactAt(0, magic, sizeof magic)) return false;
  const bool elf = magic[0] == 0x7F && magic[1] == 'E' && magic[2] == 'L' && magic[3] == 'F';
  const bool windows = magic[0] == 'M' && magic[1] == 'Z';
  return elf || windows;
}

void CPlaybackController::OpenChosenFile(const std::string& path) {
  RequestStop();
  WaitUntilStopped();
  playState_ = kStoppedOrPaused;

  const OpenPathKind kind = ClassifyOpenPath(path);
  switch (kind) {
    case OpenPathKind::kBmp:
    case OpenPathKind::kJpg:
      // A refused still leaves the previous picture; the controls follow
      // the engine mode either way.
      if (kind == OpenPathKind::kBmp) {
        engine_.LoadBmpStill(path);
      } else {
        engine_.LoadJpegStill(path);
      }
      UpdatePlaybackControls();
      host_.EnableMenuItem(ID_FILE_SHOW_INFORMATION, false);
      return;
    case OpenPathKind::kZrv:
    case OpenPathKind::kIdx:
    case OpenPathKind::kNone:
      break;
  }
  // A name of no known type may be a viewer program with a backup appended:
  // its container follows the program's own length. Anything else is not a
  // file the viewer can show, and the user is told so.
  OpenOutcome outcome = OpenOutcome::kRefused;
  if (kind != OpenPathKind::kNone) {
    outcome = OpenBackupAt(path, kind == OpenPathKind::kIdx, selfContained_ ? kProgramFileLength : 0);
  } else if (IsProgramFile(path)) {
    outcome = OpenBackupAt(path, false, kProgramFileLength);
  } else {
    host_.ShowMessage(kFileError);
  }
  if (outcome == OpenOutcome::kCannotOpen) host_.ShowMessage(kFileError);
  // Refused or not, the controls show the state the viewer is in: the new
  // backup, or what stays on show (an empty viewer keeps its disabled look).
  if (count_ > 0 || engine_.Mode() != kModeBackup) UpdatePlaybackControls();
  if (outcome == OpenOutcome::kOpened) host_.EnableMenuItem(ID_FILE_SHOW_INFORMATION, true);
}

void CPlaybackController::ResetViewer() {
  RequestStop();
  WaitUntilStopped();
  engine_.StopSound();
  playState_ = kStoppedOrPaused;

  ForgetIndexDerivedState();
  index_.Clear();
  currentIndex_ = 0;
  indexLength_ = 0;
  count_ = 0;
  engine_.CloseDataFile();

  host_.EnableMenuItem(ID_FILE_SHOW_INFORMATION, false);
  for (int id : {IDC_CAMERA_TITLE, IDC_LOCATION, IDC_CODEC_NAME, IDC_PICTURE_SIZE}) {
    host_.SetEditText(id, std::string());
  }
  host_.VideoWindow(false)->ClearPicture();
  if (IVideoWindow* overlay = host_.VideoWindow(true)) overlay->ClearPicture();
  for (int id : kPlaybackButtons) host_.Unlatch(id);
  for (int id : kPlaybackButtons) host_.ShowDisabledLook(id);
  host_.EnableSpeedSlider(false);
  host_.SetSpeedPosition(10);
  host_.ShowPositionSlider(false);
}

void CPlaybackController::GoToRecord(uint32_t index) {
  // count - 1 wraps for an empty index, so nothing is ever past it there;
  // such an index is refused when it is opened.
  while (index > count_ - 1) {
    if (playState_ == kPlayingBackward) {
      // Backward play that stands at record 0 has ended as well.
      EndBackwardPlayAtFirstRecord();
      return;
    }
    if (playState_ != kPlayingForward) return;
    RequestStop();
    engine_.StopSound();
    playState_ = kStoppedOrPaused;
    UpdatePlaybackControls();
    forwardPlayEndedInStep_ = true;
    index = 0;
  }
  if (count_ == 0) return;
  if (cameraFilter_ != kAllCameras && !IsShownRecord(index)) {
    // Onwards in the direction of travel (forward from record 0 and past
    // the record on show); a step finding nothing that way does nothing,
    // forward play ends as at the last record, a jump takes the nearest.
    const uint32_t current = currentIndex_;
    const bool forward = index == 0 || index > current;
    uint32_t shown = NearestShownRecord(index, forward);
    if (shown == CRecordTimeSearch::kNone) {
      if (playState_ == kPlayingForward && forward) {
        GoToRecord(count_);
        return;
      }
      if (index + 1 == current || index == current + 1) return;
      shown = NearestShownRecord(index, !forward);
      if (shown == CRecordTimeSearch::kNone) return;
    }
    index = shown;
  }
  if (playState_ == kPlayingForward) {
    uint32_t next = index;
    while (next < count_ - 1 && (index_[next].IsAudio() || !IsShownRecord(next))) ++next;
    if (IsShownRecord(next)) index = next;
  }
  host_.SetPosition(index);
  currentIndex_ = index;
  engine_.DisplayRecord(index_[index]);
  if (index == 0 && playState_ == kPlayingBackward) {
    EndBackwardPlayAtFirstRecord();
    return;
  }
  UpdatePlaybackControls();
}

void CPlaybackController::EndBackwardPlayAtFirstRecord() {
  // The thread stays, idle, until it is paused or stopped; the state and
  // the buttons say that play has ended (save and print are offered again).
  // A play command given meanwhile wins.
  uint8_t backward = kPlayingBackward;
  playState_.compare_exchange_strong(backward, kStoppedOrPaused);
  UpdatePlaybackControls();
}

void CPlaybackController::UpdatePlaybackControls() {
  if (engine_.Mode() != kModeBackup) {
    host_.Unlatch(IDC_PLAY_FORWARD);
    host_.Unlatch(IDC_PLAY_BACKWARD);
    for (int id : {IDC_PLAY_FORWARD, IDC_STEP_BACKWARD, IDC_PLAY_BACKWARD, IDC_PAUSE, IDC_STOP,
                   IDC_STEP_FORWARD, IDC_FIRST_RECORD, IDC_LAST_RECORD}) {
      host_.EnableButton(id, false);
    }
    host_.EnableSpeedSlider(false);
    host_.ShowPositionSlider(false);
    host_.EnableButton(IDC_SAVE_SNAPSHOT, false);
    host_.EnableButton(IDC_PRINT, false);
    return;
  }
  switch (playState_.load()) {
    case kStoppedOrPaused:
      host_.Unlatch(IDC_PLAY_FORWARD);
      host_.Unlatch(IDC_PLAY_BACKWARD);
      host_.EnableButton(IDC_SAVE_SNAPSHOT, true);
      host_.EnableButton(IDC_PRINT, true);
      break;
    case kPlayingForward:
      host_.Latch(IDC_PLAY_FORWARD);
      host_.Unlatch(IDC_PLAY_BACKWARD);
      host_.EnableButton(IDC_SAVE_SNAPSHOT, false);
      host_.EnableButton(IDC_PRINT, false);
      break;
    case kPlayingBackward:
      host_.Unlatch(IDC_PLAY_FORWARD);
      host_.Latch(IDC_PLAY_BACKWARD);
      host_.EnableButton(IDC_SAVE_SNAPSHOT, false);
      host_.EnableButton(IDC_PRINT, false);
      break;
  }
  const uint32_t current = currentIndex_;
  const bool atFirst = current <= firstShown_;
  for (int id : {IDC_FIRST_RECORD, IDC_STEP_BACKWARD, IDC_PLAY_BACKWARD}) host_.EnableButton(id, !atFirst);
  if (atFirst) host_.Unlatch(IDC_PLAY_BACKWARD);
  const bool atLast = current >= lastShown_;
  for (int id : {IDC_LAST_RECORD, IDC_STEP_FORWARD, IDC_PLAY_FORWARD}) host_.EnableButton(id, !atLast);
  if (atLast) host_.Unlatch(IDC_PLAY_FORWARD);
  host_.EnableButton(IDC_PAUSE, true);
  host_.EnableButton(IDC_STOP, true);
  host_.EnableSpeedSlider(true);
  host_.ShowPositionSlider(true);
}

void CPlaybackController::ClearActivePicture() {
  if (IVideoWindow* window = host_.VideoWindow(engine_.IsOverlay())) window->ClearPicture();
}

}  // namespace bv
