#include "playback/engine/backup_event_list.h"

#include <algorithm>
#include <filesystem>

#include "base/format/record_time.h"
#include "base/host/video_window.h"
#include "base/platform/ini_file.h"
#include "events/bounded_file_read.h"
#include "events/event_records.h"
#include "events/event_state.h"
#include "events/r40max_text.h"

namespace bv {
namespace {

constexpr int64_t kMsPerDay = 86400000;

R40MaxLabels ReadLabels(const std::string& directory) {
  std::string text;
  const BoundedReadOutcome outcome = ReadWholeUnits(
      directory + kEventCodeIniName, 1, CIniFile::kMaxFileBytes,
      [&text](const uint8_t* data, size_t count) { text.append(reinterpret_cast<const char*>(data), count); });
  if (!outcome.opened) return R40MaxLabels::Read(nullptr);
  const CIniFile ini = CIniFile::Parse(text);
  return R40MaxLabels::Read(&ini);
}

// Each day file counts this many steps of the progress, shared out over its
// records as they are read, so that one large file shows its progress too.
constexpr uint32_t kStepsPerFile = 1000;

// Reads a day file; going(stepsOfThisFile) reports progress and returns false
// once the listing is cancelled (the rest of the file is then passed over).
template <class Record>
void ReadDay(const std::string& path, const std::function<void(const Record&)>& take,
             const std::function<bool(uint32_t)>& going) {
  std::error_code error;
  const uint64_t bytes = std::filesystem::file_size(path, error);
  const uint64_t total = error ? 0 : std::min<uint64_t>(bytes / Record::kSize, kMaxDayFileRecords);
  uint64_t done = 0;
  bool cancelled = false;
  ReadWholeUnits(path, Record::kSize, kMaxDayFileRecords, [&](const uint8_t* data, size_t count) {
    if (cancelled) return;
    for (size_t i = 0; i < count; ++i) take(Record::FromBytes(data + i * Record::kSize));
    done += count;
    const uint32_t steps =
        total == 0 ? 0 : static_cast<uint32_t>(std::min<uint64_t>(done, total) * kStepsPerFile / total);
    cancelled = !going(steps);
  });
}

}  // namespace

std::vector<BackupEvent> ListBackupEvents(const BackupEventListRequest& request, const EventListProgress& progress) {
  std::vector<BackupEvent> events;
  if (request.lastMs < request.firstMs || request.cameras.empty()) return events;
  bool ofCamera[256] = {};
  for (int camera : request.cameras) {
    if (camera >= 0 && camera < 256) ofCamera[camera] = true;
  }
  const int64_t firstDay =
      request.firstMs >= 0 ? request.firstMs / kMsPerDay : -((-request.firstMs + kMsPerDay - 1) / kMsPerDay);
  const int64_t lastDay =
      request.lastMs >= 0 ? request.lastMs / kMsPerDay : -((-request.lastMs + kMsPerDay - 1) / kMsPerDay);
  // A damaged index can claim centuries: the files of at most a year are read.
  const int64_t days = std::min<int64_t>(lastDay - firstDay + 1, 366);
  const uint32_t files = static_cast<uint32_t>(days * 2);
  const R40MaxLabels labels = ReadLabels(request.labelsDirectory);
  // Only the second of an event's times counts, as in the caption's lookup.
  const int64_t fromSecond = request.firstMs - request.firstMs % 1000;

  auto add = [&](int64_t dayMs, const SYSTEMTIME& start, const SYSTEMTIME& end, BackupEvent event) {
    event.startMs = dayMs + int64_t{SecondOfDay(start)} * 1000;
    event.endMs = std::max(event.startMs, dayMs + int64_t{SecondOfDay(end)} * 1000) + 999;
    if (event.endMs < fromSecond || event.startMs > request.lastMs) return;
    events.push_back(std::move(event));
  };
  const uint32_t totalSteps = files * kStepsPerFile;
  uint32_t filesRead = 0;
  bool cancelled = false;
  // Progress in steps of all files; false once cancelled.
  auto going = [&](uint32_t stepsOfFile) {
    if (!cancelled && progress) cancelled = !progress(filesRead * kStepsPerFile + stepsOfFile, totalSteps);
    return !cancelled;
  };
  for (int64_t d = 0; d < days && !cancelled; ++d) {
    const int64_t dayMs = (firstDay + d) * kMsPerDay;
    const CivilTime date = CivilTimeOfMs(dayMs);
    if (!going(0)) break;
    ReadDay<MachineEventRecord>(
        MachineEventFileName(request.eventDirectory, date.year, date.month, date.day),
        [&](const MachineEventRecord& r) {
          if (!ofCamera[r.camera]) return;
          add(dayMs, r.start, r.end,
              BackupEvent{0, 0, r.camera, kMachineEvent, r.machineNumber,
                          request.configuration.codeTable.Text(r.eventCode)});
        },
        going);
    ++filesRead;
    if (!going(0)) break;
    ReadDay<R40MaxEventRecord>(
        R40MaxEventFileName(request.eventDirectory, date.year, date.month, date.day),
        [&](const R40MaxEventRecord& r) {
          if (!ofCamera[r.camera]) return;
          // The complete text (the short one for a start-only record), as
          // the caption shows from the detail time on.
          add(dayMs, r.start, r.end,
              BackupEvent{0, 0, r.camera, kR40MaxEvent, r.machineNumber, FormatR40MaxEventText(r, false, labels)});
        },
        going);
    ++filesRead;
  }
  if (!cancelled) going(0);
  std::stable_sort(events.begin(), events.end(), [](const BackupEvent& a, const BackupEvent& b) {
    return a.startMs != b.startMs ? a.startMs < b.startMs : a.kind < b.kind;
  });
  return events;
}

}  // namespace bv
