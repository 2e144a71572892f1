#pragma once
// CFrameWalk: a backup shown record by record as the viewer shows it when
// the user steps forward through it: every video record displayed by the
// viewer's own engine, and what the DIB video window would then hold (the
// picture, its information texts and the hall event) caught by a window of
// the walk's own, with whether the record's own picture was decoded. The walk
// reads the backup through its own controller and engine, so it can run on a
// worker thread while the viewer plays.
#include <cstdint>
#include <memory>
#include <string>

#include "base/format/backup_index.h"
#include "base/host/video_window.h"
#include "events/event_state.h"

namespace bv {

class CPlaybackController;
class CPlaybackEngine;

// Which backup to read, as the viewer opened it.
struct BackupSource {
  std::string path;
  bool oldPair = false;        // path is an ".idx" file beside its ".sav"
  bool selfContained = false;  // path is a program file with a backup appended
};

// What the video window shows once a record has been displayed.
struct ShownFrame {
  // The window was handed a picture while the record was displayed. When it
  // was not, the window still shows what it showed before.
  bool shownNow = false;
  // The picture handed over: the record's own, or the previous one again
  // when the record's was refused. Null before any picture; the pixels are
  // valid until the next Show.
  const VideoFrame* picture = nullptr;
  FrameTexts texts;
  HallEvent event;
  // The record's own picture was decoded (a video record that is not is
  // refused), and the decoder concealed damage in it.
  bool decoded = false;
  bool concealed = false;
};

class CFrameWalk {
 public:
  CFrameWalk();
  ~CFrameWalk();
  CFrameWalk(const CFrameWalk&) = delete;
  CFrameWalk& operator=(const CFrameWalk&) = delete;

  // Opens the backup as the viewer's Open command does (DIB presentation).
  // False with the viewer's message, or why the file could not be opened.
  bool Open(const BackupSource& source, std::string* error);

  CPlaybackController& Controller();
  CPlaybackEngine& Engine();
  const IndexArray& Index() const;
  uint32_t Count() const;

  // Displays a record with play stopped: right after the record before it,
  // as a step forward does; otherwise as a seek does (a delta frame is
  // decoded from its key frame on). An audio record shows nothing new.
  const ShownFrame& Show(uint32_t record);
  // What the window shows now (after Open: record 0, as opening shows it).
  const ShownFrame& Current() const { return shown_; }

 private:
  class CWalkWindow;
  class CWalkHost;
  std::unique_ptr<CWalkHost> host_;
  std::unique_ptr<CPlaybackController> controller_;
  ShownFrame shown_;
};


}  // namespace bv
