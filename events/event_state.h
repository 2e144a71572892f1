#pragma once
// The playback engine's hall event state: the event directory and the
// configuration read from it when a backup opens, the event text and machine
// number of the last lookup, and the lookups themselves over the day files
// of a frame's date.
//
// Every lookup gives what a fresh read of the day files and of the R40Max
// label file would give at that moment; the files' contents are kept between
// frames only while the files stay unchanged (file_cache.h).
//
// Threads: used by the thread that shows the frame (the playback thread
// during play, the GUI thread otherwise), never by two at once.
#include <cstdint>
#include <string>

#include "base/host/video_window.h"
#include "base/platform/platform_types.h"
#include "events/event_configuration.h"
#include "events/event_day.h"
#include "events/file_cache.h"
#include "events/r40max_text.h"

namespace bv {

// What a video window's SetEventInfo receives for a frame.
struct HallEvent {
  uint8_t kind = kNoEvent;
  std::string text;
  int32_t machineNumber = -1;
  COLORREF colour = 0;
  std::string label;

  bool operator==(const HallEvent&) const = default;
};

// A day file is read up to this many records: hundreds of times what a hall
// records in a day, and a bound on memory and time for a garbage file of
// gigabytes.
constexpr uint64_t kMaxDayFileRecords = 1u << 19;

class CEventState {
 public:
  CEventState();

  // Sets the event directory (with its trailing separator) and reads its
  // configuration: text colour, machine-number label, event code table.
  void LoadEventConfiguration(const std::string& eventDirectory);
  // Where "ExternalMachineEventCode.ini" with the R40Max labels is read
  // from; the program's own directory unless set. A separator is added when
  // directory lacks one.
  void SetProgramDirectory(const std::string& directory);
  const std::string& ProgramDirectory() const { return programDirectory_; }

  // 1 when a machine event of camera covers the time of day of time (its
  // date names the file): sets the event text and the machine number. 0
  // otherwise: when the file cannot be opened nothing changes, else the text
  // is emptied and the number set to -1.
  int FindMachineEvent(const SYSTEMTIME& time, uint8_t camera);
  // The same over the R40Max file; a find sets the event text only.
  int FindR40MaxEvent(const SYSTEMTIME& time, uint8_t camera);
  // Machine events first, then R40Max events, else no event.
  HallEvent LookUp(const SYSTEMTIME& time, uint8_t camera);

  const std::string& EventDirectory() const { return eventDirectory_; }
  const std::string& EventText() const { return eventText_; }
  int32_t MachineNumber() const { return machineNumber_; }
  COLORREF TextColour() const { return config_.textColour; }
  const std::string& MachineLabel() const { return config_.machineLabel; }
  const CEventCodeTable& CodeTable() const { return config_.codeTable; }

  // How long after its last modification a file read is trusted while the
  // file keeps its identity (kTimestampGranuleNs unless set).
  void SetSettleInterval(int64_t ns);
  // Reads of day files and of the label file so far.
  uint64_t DayFileReads() const { return machineDays_.LoadCount() + r40MaxDays_.LoadCount(); }
  uint64_t LabelFileReads() const { return labelFiles_.LoadCount(); }

 private:
  std::string eventDirectory_;
  std::string programDirectory_;
  EventConfiguration config_;
  std::string eventText_;
  int32_t machineNumber_ = -1;

  CFileCache<CEventDay<MachineEventRecord>> machineDays_;
  CFileCache<CEventDay<R40MaxEventRecord>> r40MaxDays_;
  CFileCache<R40MaxLabels> labelFiles_;
};

}  // namespace bv
