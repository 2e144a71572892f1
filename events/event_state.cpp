#include "events/event_state.h"

#include "base/platform/ini_file.h"
#include "base/platform/system_dirs.h"
#include "events/bounded_file_read.h"

namespace bv {
namespace {

template <class Record>
BoundedReadOutcome LoadDayFile(const std::string& path, CEventDay<Record>* day) {
  return ReadWholeUnits(path, Record::kSize, kMaxDayFileRecords,
                        [day](const uint8_t* data, size_t count) { day->Append(data, count); });
}

BoundedReadOutcome LoadLabelFile(const std::string& path, R40MaxLabels* labels) {
  std::string text;
  const BoundedReadOutcome outcome =
      ReadWholeUnits(path, 1, CIniFile::kMaxFileBytes, [&text](const uint8_t* data, size_t count) {
        text.append(reinterpret_cast<const char*>(data), count);
      });
  if (outcome.opened) {
    const CIniFile ini = CIniFile::Parse(text);
    *labels = R40MaxLabels::Read(&ini);
  }
  return outcome;
}

// The labels when the program directory has no label file.
const R40MaxLabels& MissingLabels() {
  static const R40MaxLabels labels = R40MaxLabels::Read(nullptr);
  return labels;
}

}  // namespace

CEventState::CEventState()
    : programDirectory_(GetModuleDirectory()),
      machineDays_(LoadDayFile<MachineEventRecord>),
      r40MaxDays_(LoadDayFile<R40MaxEventRecord>),
      labelFiles_(LoadLabelFile) {}

void CEventState::LoadEventConfiguration(const std::string& eventDirectory) {
  eventDirectory_ = eventDirectory;
  bv::LoadEventConfiguration(eventDirectory_, &config_);
}

void CEventState::SetProgramDirectory(const std::string& directory) {
  programDirectory_ = directory;
  if (!programDirectory_.empty() && programDirectory_.back() != '/') programDirectory_ += '/';
}

int CEventState::FindMachineEvent(const SYSTEMTIME& time, uint8_t camera) {
  CEventDay<MachineEventRecord>* day =
      machineDays_.Get(MachineEventFileName(eventDirectory_, time.wYear, time.wMonth, time.wDay));
  if (!day) return 0;
  const auto match = day->FindFirst(camera, SecondOfDay(time));
  if (!match) {
    eventText_.clear();
    machineNumber_ = -1;
    return 0;
  }
  machineNumber_ = match->record->machineNumber;
  eventText_ = config_.codeTable.Text(match->record->eventCode);
  return 1;
}

int CEventState::FindR40MaxEvent(const SYSTEMTIME& time, uint8_t camera) {
  CEventDay<R40MaxEventRecord>* day =
      r40MaxDays_.Get(R40MaxEventFileName(eventDirectory_, time.wYear, time.wMonth, time.wDay));
  if (!day) return 0;
  const auto match = day->FindFirst(camera, SecondOfDay(time));
  if (!match) {
    eventText_.clear();
    machineNumber_ = -1;
    return 0;
  }
  const R40MaxLabels* labels = labelFiles_.Get(programDirectory_ + kEventCodeIniName);
  eventText_ =
      FormatR40MaxEventText(*match->record, match->tag == kR40MaxShortSpan, labels ? *labels : MissingLabels());
  return 1;
}

HallEvent CEventState::LookUp(const SYSTEMTIME& time, uint8_t camera) {
  if (FindMachineEvent(time, camera)) {
    return HallEvent{kMachineEvent, eventText_, machineNumber_, config_.textColour, config_.machineLabel};
  }
  if (FindR40MaxEvent(time, camera)) {
    return HallEvent{kR40MaxEvent, eventText_, -1, config_.textColour, config_.machineLabel};
  }
  return HallEvent{kNoEvent, std::string(), -1, 0, std::string()};
}

void CEventState::SetSettleInterval(int64_t ns) {
  machineDays_.SetSettleInterval(ns);
  r40MaxDays_.SetSettleInterval(ns);
  labelFiles_.SetSettleInterval(ns);
}

}  // namespace bv
