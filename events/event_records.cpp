#include "events/event_records.h"

#include <cstring>

#include "base/platform/string_printf.h"

namespace bv {

MachineEventRecord MachineEventRecord::FromBytes(const uint8_t* p) {
  MachineEventRecord r;
  r.camera = p[4];
  r.machineNumber = ReadI32LE(p + 5);
  r.start = SYSTEMTIME::FromBytes(p + 9);
  r.end = SYSTEMTIME::FromBytes(p + 25);
  r.eventCode = ReadI32LE(p + 41);
  return r;
}

void MachineEventRecord::ToBytes(uint8_t* p) const {
  std::memset(p, 0, kSize);
  p[4] = camera;
  WriteI32LE(p + 5, machineNumber);
  start.ToBytes(p + 9);
  end.ToBytes(p + 25);
  WriteI32LE(p + 41, eventCode);
}

R40MaxEventRecord R40MaxEventRecord::FromBytes(const uint8_t* p) {
  R40MaxEventRecord r;
  r.kind = p[0];
  r.machineClass = p[1];
  r.machineNumber = ReadI32LE(p + 2);
  r.start = SYSTEMTIME::FromBytes(p + 7);
  r.end = SYSTEMTIME::FromBytes(p + 23);
  r.counterType = p[43];
  r.ticketCount = ReadI32LE(p + 44);
  r.beadCount = ReadI32LE(p + 48);
  r.biggestPrizeCount = ReadI32LE(p + 52);
  r.bigPrizeCount = ReadI32LE(p + 56);
  r.middlePrizeCount = ReadI32LE(p + 60);
  r.smallPrizeCount = ReadI32LE(p + 64);
  r.camera = p[68];
  r.detail = SYSTEMTIME::FromBytes(p + 73);
  return r;
}

void R40MaxEventRecord::ToBytes(uint8_t* p) const {
  std::memset(p, 0, kSize);
  p[0] = kind;
  p[1] = machineClass;
  WriteI32LE(p + 2, machineNumber);
  start.ToBytes(p + 7);
  end.ToBytes(p + 23);
  p[43] = counterType;
  WriteI32LE(p + 44, ticketCount);
  WriteI32LE(p + 48, beadCount);
  WriteI32LE(p + 52, biggestPrizeCount);
  WriteI32LE(p + 56, bigPrizeCount);
  WriteI32LE(p + 60, middlePrizeCount);
  WriteI32LE(p + 64, smallPrizeCount);
  p[68] = camera;
  detail.ToBytes(p + 73);
}

std::string MachineEventFileName(const std::string& directory, int year, int month, int day) {
  return StringPrintf("%sMachineEvent_%04d-%02d-%02d.dat", directory.c_str(), year, month, day);
}

std::string R40MaxEventFileName(const std::string& directory, int year, int month, int day) {
  return StringPrintf("%sR40MaxpEvent_%04d-%02d-%02d.dat", directory.c_str(), year, month, day);
}

}  // namespace bv
