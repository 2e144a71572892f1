#pragma once
// Writing event day files as the hall's host computer does, for the demo
// samples, tests and benchmarks.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "events/event_records.h"

namespace bv {

std::vector<uint8_t> MachineEventFileBytes(std::span<const MachineEventRecord> records);
std::vector<uint8_t> R40MaxEventFileBytes(std::span<const R40MaxEventRecord> records);

// Writes the whole file at once (a reader never sees half of it).
bool WriteMachineEventFile(const std::string& path, std::span<const MachineEventRecord> records);
bool WriteR40MaxEventFile(const std::string& path, std::span<const R40MaxEventRecord> records);

// A timestamp of a day file: date and time of day, day of week and
// milliseconds left zero.
SYSTEMTIME EventTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace bv
