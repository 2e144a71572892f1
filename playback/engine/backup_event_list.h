#pragma once
// The hall events of an open backup as a list: every machine event and
// R40Max event of the backup's cameras whose time span meets the backup's,
// read from the day files beside the backup for every day the backup spans,
// each with the text the caption shows for it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "events/event_configuration.h"

namespace bv {

struct BackupEvent {
  int64_t startMs = 0;  // record clock (record_time.h), whole seconds
  int64_t endMs = 0;    // the last millisecond of the end second
  uint8_t camera = 0;   // 0-based
  uint8_t kind = 0;     // kMachineEvent or kR40MaxEvent
  int32_t machineNumber = 0;
  std::string text;  // in the recorder's code page, as the caption draws it
};

struct BackupEventListRequest {
  std::string eventDirectory;        // the backup's directory, with its separator
  std::string labelsDirectory;       // where the R40Max labels file is read from, with its separator
  EventConfiguration configuration;  // the event texts of the machine events
  int64_t firstMs = 0;               // the backup's first and last record times
  int64_t lastMs = 0;
  std::vector<int> cameras;  // the cameras the backup holds records of
};

// Reports how far the reading of the day files is (done of total steps, a
// thousand per file, shared out over its records as they are read); false
// cancels.
using EventListProgress = std::function<bool(uint32_t done, uint32_t total)>;

// Sorted by start, then machine events before R40Max events, then file
// order. A cancelled listing returns what it had. Missing day files are
// normal and give no events; a file is read up to kMaxDayFileRecords.
std::vector<BackupEvent> ListBackupEvents(const BackupEventListRequest& request,
                                          const EventListProgress& progress = {});

}  // namespace bv
