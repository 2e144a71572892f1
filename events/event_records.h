#pragma once
// The two kinds of hall event day files that the hall's host computer writes
// beside a backup: bare sequences of packed little-endian records, one file
// per day. Records are decoded field by field; their SYSTEMTIMEs sit at odd
// offsets.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/platform/platform_types.h"

namespace bv {

// Seconds since midnight of a timestamp; only the time of day takes part in
// matching, the date is given by the file name.
inline int SecondOfDay(const SYSTEMTIME& t) { return t.wHour * 3600 + t.wMinute * 60 + t.wSecond; }

// "MachineEvent_YYYY-MM-DD.dat": one record per machine event.
struct MachineEventRecord {
  uint8_t camera = 0;  // 0-based
  int32_t machineNumber = 0;
  SYSTEMTIME start;
  SYSTEMTIME end;
  int32_t eventCode = 0;  // position in the event code table

  static constexpr size_t kSize = 50;
  static MachineEventRecord FromBytes(const uint8_t* p);
  // The unused bytes are written as zeros.
  void ToBytes(uint8_t* p) const;
};

// R40Max record kinds and machine classes.
constexpr uint8_t kR40MaxStartOnly = 1;
constexpr uint8_t kR40MaxComplete = 2;
constexpr uint8_t kR40MaxClassCounter = 1;
constexpr uint8_t kR40MaxClassPosition = 2;

// "R40MaxpEvent_YYYY-MM-DD.dat": events of the prize-counting machine model.
struct R40MaxEventRecord {
  uint8_t kind = kR40MaxComplete;
  uint8_t machineClass = kR40MaxClassCounter;
  int32_t machineNumber = 0;
  SYSTEMTIME start;
  SYSTEMTIME end;
  uint8_t counterType = 0;  // 1 beads, 2 tickets, 4 points, 8 in-info
  int32_t ticketCount = 0;
  int32_t beadCount = 0;
  int32_t biggestPrizeCount = 0;
  int32_t bigPrizeCount = 0;
  int32_t middlePrizeCount = 0;
  int32_t smallPrizeCount = 0;
  uint8_t camera = 0;  // 0-based
  SYSTEMTIME detail;   // from here on the complete text is shown

  static constexpr size_t kSize = 89;
  static R40MaxEventRecord FromBytes(const uint8_t* p);
  void ToBytes(uint8_t* p) const;
};

// The day files of a date in directory (which ends in its separator).
std::string MachineEventFileName(const std::string& directory, int year, int month, int day);
std::string R40MaxEventFileName(const std::string& directory, int year, int month, int day);

}  // namespace bv
