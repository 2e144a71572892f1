#include "events/event_file_writer.h"

#include "base/platform/file_write.h"

namespace bv {
namespace {

template <class Record>
std::vector<uint8_t> FileBytes(std::span<const Record> records) {
  std::vector<uint8_t> bytes(records.size() * Record::kSize);
  for (size_t i = 0; i < records.size(); ++i) records[i].ToBytes(bytes.data() + i * Record::kSize);
  return bytes;
}

}  // namespace

std::vector<uint8_t> MachineEventFileBytes(std::span<const MachineEventRecord> records) { return FileBytes(records); }
std::vector<uint8_t> R40MaxEventFileBytes(std::span<const R40MaxEventRecord> records) { return FileBytes(records); }

bool WriteMachineEventFile(const std::string& path, std::span<const MachineEventRecord> records) {
  return WriteFileAtomically(path, {MachineEventFileBytes(records)});
}

bool WriteR40MaxEventFile(const std::string& path, std::span<const R40MaxEventRecord> records) {
  return WriteFileAtomically(path, {R40MaxEventFileBytes(records)});
}

SYSTEMTIME EventTime(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME t;
  t.wYear = static_cast<uint16_t>(year);
  t.wMonth = static_cast<uint16_t>(month);
  t.wDay = static_cast<uint16_t>(day);
  t.wHour = static_cast<uint16_t>(hour);
  t.wMinute = static_cast<uint16_t>(minute);
  t.wSecond = static_cast<uint16_t>(second);
  return t;
}

}  // namespace bv
