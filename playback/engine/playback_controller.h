#pragma once
// CPlaybackController: the main dialog's playback state and the operations
// on it that do not depend on a window system: opening a backup, moving to a
// record, resetting the viewer and keeping the controls in line with the
// state. The Qt dialog owns one and forwards its commands to it; tools and
// tests drive it with a headless host.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/format/backup_constants.h"
#include "base/format/backup_index.h"
#include "base/format/record_time_search.h"
#include "base/host/viewer_host.h"
#include "playback/engine/backup_event_list.h"
#include "playback/engine/playback_engine.h"

namespace bv {

// What the Open command does with a chosen file, by the last four characters
// of its name compared without regard to case.
enum class OpenPathKind { kNone, kBmp, kJpg, kZrv, kIdx };
OpenPathKind ClassifyOpenPath(const std::string& path);
// Whether the file starts as a program file does (ELF, or a Windows
// program's "MZ").
bool IsProgramFile(const std::string& path);

enum PlayState : uint8_t { kStoppedOrPaused = 0, kPlayingForward = 1, kPlayingBackward = 2 };
enum ThreadState : uint8_t {
  kNoThread = 0,
  kThreadStarted = 1,
  kThreadInStep = 2,
  kThreadBetweenSteps = 3,
};

// What the playback thread lets a watcher see; called on that thread.
class IPlaybackThreadObserver {
 public:
  virtual ~IPlaybackThreadObserver() = default;
  // Forward play has run past the last record and ended (PlayState is 0
  // again, record 0 shown and the screen updated); the thread has not
  // finished yet.
  virtual void OnForwardPlayEnded() = 0;
};

class CPlaybackController {
 public:
  explicit CPlaybackController(IViewerHost& host);
  // Ends a playback thread that is still running (without pumping messages:
  // the owner runs Shutdown first while it can still serve them).
  ~CPlaybackController();
  CPlaybackController(const CPlaybackController&) = delete;
  CPlaybackController& operator=(const CPlaybackController&) = delete;

  IViewerHost& Host() { return host_; }
  CPlaybackEngine& Engine() { return engine_; }
  const CPlaybackEngine& Engine() const { return engine_; }

  // Opens a container (oldFormat false) or an ".idx" file with its ".sav"
  // (oldFormat true) and shows its first record.
  bool OpenBackup(const std::string& path, bool oldFormat);
  // Opens the backup that was open last again, the same way, and shows
  // record (the first one when it is past the end). False when it cannot
  // be opened (the reason has been shown, as for any open).
  bool ReopenBackup(uint32_t record);
  // The Open command after its file dialog: stops playback, then opens the
  // chosen file as its extension says. A file of another name is opened
  // when it is a viewer program with a backup appended; otherwise, and
  // whenever the file cannot be opened, "File Error #1" says so.
  void OpenChosenFile(const std::string& path);
  // Returns the viewer to its empty state: playback ended, index freed,
  // texts emptied, picture cleared, controls in their disabled look.
  void ResetViewer();
  // Moves to a record and shows it; past the last record during forward play
  // it rewinds to record 0 and ends play.
  void GoToRecord(uint32_t index);
  // Brings buttons and sliders in line with the state.
  void UpdatePlaybackControls();
  // Clears the picture of the active video window.
  void ClearActivePicture();

  // The playback commands of the dialog's buttons, run on the GUI thread.
  void PlayForward();
  void PlayBackward();
  void Pause();
  void Stop();
  void StepBackward();
  void StepForward();
  void GoToFirst();
  void GoToLast();
  // The sliders' scroll notifications, with the slider's new position.
  void OnPositionSlider(uint32_t position);
  void OnSpeedSlider(int position);
  // Go > "Go to Time...": pauses play and shows the latest video record at
  // or before moment ms (the first one when ms is before them all), as a
  // seek does; returns the record shown, or CRecordTimeSearch::kNone when
  // nothing is open (time_seek_commands.cpp).
  uint32_t GoToTime(int64_t ms);
  // Pauses play and shows record index as a seek does (nothing past the end).
  void ShowRecord(uint32_t index);
  // Go > "Camera": play one camera of the index alone (camera_filter.cpp).
  // kAllCameras (the state after every open) plays every record; otherwise
  // play, steps, seeks and the slider pass over other cameras' records.
  static constexpr int kAllCameras = -1;
  void SetCameraFilter(int camera);
  int CameraFilter() const { return cameraFilter_; }
  // The camera numbers (0-based) the open index holds records of, ascending.
  const std::vector<int>& CamerasInIndex();
  // Whether record index is one that play shows under the camera filter.
  bool IsShownRecord(uint32_t index) const;
  // The nearest shown record from index (itself included) going forward or
  // backward; CRecordTimeSearch::kNone when there is none that way.
  uint32_t NearestShownRecord(uint32_t index, bool forward) const;
  // Go > "Mark In" / "Mark Out" / "Clear Marks": a range of records for
  // the export, cleared by every open (range_marks.cpp). A mark set on the
  // other side of the one already set swaps with it, so In never lies after
  // Out.
  static constexpr uint32_t kNoMark = 0xFFFFFFFF;
  void SetMarkIn();
  void SetMarkOut();
  void ClearMarks();
  uint32_t MarkIn() const { return markIn_; }
  uint32_t MarkOut() const { return markOut_; }
  // The marked records: In to Out, In to the last record, or the first
  // record to Out; false when no mark is set.
  bool MarkedRange(uint32_t* first, uint32_t* last) const;
  // What listing the open backup's hall events needs (event_list_commands.cpp).
  BackupEventListRequest EventListRequest();
  // The first video record of camera within the event's time span (the
  // camera filter aside); CRecordTimeSearch::kNone when there is none.
  uint32_t FirstRecordOfEvent(const BackupEvent& event);
  // The time search of the open index, built on first use after each open.
  const CRecordTimeSearch& TimeSearch();
  // Stops the playback thread and waits for it, serving messages meanwhile
  // (the close sequence).
  void Shutdown();

  // Self-contained mode: the backup is appended to the program file.
  void SetSelfContained(bool selfContained) { selfContained_ = selfContained; }
  bool IsSelfContained() const { return selfContained_; }
  // Where the open backup's index starts: the program length when the
  // backup is appended to a program file (the viewer's own in
  // self-contained mode, or one the user opened), else 0.
  uint32_t IndexBase() const { return indexBase_; }
  bool IsAppendedBackup() const { return indexBase_ == kProgramFileLength; }

  const IndexArray& Index() const { return index_; }
  uint32_t Count() const { return count_; }
  uint32_t IndexLength() const { return indexLength_; }
  uint32_t CurrentIndex() const { return currentIndex_.load(); }
  const std::string& Path() const { return path_; }
  // Whether the open backup is an old ".idx"/".sav" pair.
  bool IsOldPair() const { return oldPair_; }
  void SetPath(const std::string& path) { path_ = path; }

  uint8_t GetPlayState() const { return playState_.load(); }
  // Set by the play commands (and by tools that step as play does).
  void SetPlayState(uint8_t state) { playState_ = state; }

  // Forward play stepped by the caller instead of a playback thread (tools
  // and tests; stepped_play.cpp). Begin does what the play-forward command
  // does to the state; each Step sleeps the frame delay on the engine's
  // clock and moves to the next record, and returns false once forward play
  // has ended.
  void BeginSteppedForwardPlay();
  bool StepForwardPlay();
  uint8_t GetThreadState() const { return threadState_.load(); }
  int GetPauseRequest() const { return pauseRequest_.load(); }
  int GetStopRequest() const { return stopRequest_.load(); }
  // Whether a playback thread exists and has been asked to pause or stop:
  // the waits of its step (real-time pacing) end early then, so that a
  // command takes effect at once whatever kind of play runs.
  bool PlaybackThreadAsked() const;

  // Watches the playback thread (tests act in its moments); none in the
  // viewer.
  void SetPlaybackThreadObserver(IPlaybackThreadObserver* observer) { threadObserver_ = observer; }

 private:
  using Clock = std::chrono::steady_clock;

  // The worker: sleeps the frame delay and steps while neither paused nor
  // stopped.
  void PlaybackThreadProc();
  void StartPlaybackThread();
  void RequestPause();
  void RequestStop();
  // Serve messages until the playback thread idles (pause) or ends (stop).
  void WaitUntilPaused();
  void WaitUntilStopped();
  // A play command arriving while a thread is ending (forward play ran out)
  // waits for it, so that a new thread is started rather than none.
  void WaitForEndingThread();
  enum class OpenOutcome { kOpened, kCannotOpen, kRefused };
  // Opens a backup whose container index starts at indexBase; a refusal
  // has shown its message, a file that cannot be opened has not.
  OpenOutcome OpenBackupAt(const std::string& path, bool oldFormat, uint32_t indexBase);
  void SetDelayFromSpeedSlider();
  void EndBackwardPlayAtFirstRecord();
  bool HasBackup() const;

  IViewerHost& host_;
  CPlaybackEngine engine_;

  // Written by the GUI thread only, while no playback thread steps.
  IndexArray index_;
  uint32_t count_ = 0;
  uint32_t indexLength_ = 0;
  std::string path_;
  bool oldPair_ = false;
  bool selfContained_ = false;
  uint32_t indexBase_ = 0;
  std::unique_ptr<CRecordTimeSearch> timeSearch_;  // of index_; dropped when it is replaced
  std::vector<int> cameras_;   // of index_; found on first use
  bool camerasFound_ = false;
  int cameraFilter_ = kAllCameras;
  uint32_t firstShown_ = 0;  // first and last record the camera filter lets through
  uint32_t lastShown_ = 0;
  void ForgetIndexDerivedState();
  uint32_t markIn_ = kNoMark;
  uint32_t markOut_ = kNoMark;

  // Shared with the playback thread. The GUI thread writes the requests and
  // PlayState; the playback thread writes ThreadState; both write the current
  // index, never at the same time (the pause and stop handshakes).
  std::atomic<uint8_t> playState_{kStoppedOrPaused};
  std::atomic<uint8_t> threadState_{kNoThread};
  std::atomic<int> stopRequest_{1};
  std::atomic<int> pauseRequest_{0};
  std::atomic<uint32_t> currentIndex_{0};

  std::thread thread_;
  // Taken by the playback thread to decide whether to step and by the GUI
  // thread to set the pause request, so that once a pause request is set the
  // thread starts no further step.
  std::mutex stepGate_;
  std::condition_variable wake_;
  IPlaybackThreadObserver* threadObserver_ = nullptr;
  bool forwardPlayEndedInStep_ = false;  // by the thread that steps forward play
};

}  // namespace bv
