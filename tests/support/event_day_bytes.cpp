#include "tests/support/event_day_bytes.h"

#include "tests/support/temp_dir.h"

namespace bv::test {
namespace {

void Put16(std::vector<uint8_t>& b, size_t at, int v) {
  b[at] = static_cast<uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& b, size_t at, int32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
}
// year, month, day of week, day, hour, minute, second, milliseconds
void PutTime(std::vector<uint8_t>& b, size_t at, int y, int mo, int d, int h, int mi, int s) {
  const int fields[8] = {y, mo, 3, d, h, mi, s, 777};
  for (int i = 0; i < 8; ++i) Put16(b, at + 2 * i, fields[i]);
}

}  // namespace

// Bytes 0..3 and the tail are not read: filled with junk.
std::vector<uint8_t> MachineFile(const std::vector<Machine>& events) {
  std::vector<uint8_t> file;
  for (const Machine& e : events) {
    std::vector<uint8_t> r(50, 0xA5);
    r[4] = static_cast<uint8_t>(e.camera);
    Put32(r, 5, e.machine);
    PutTime(r, 9, 2026, 12, e.day, e.h1, e.m1, e.s1);
    PutTime(r, 25, 2026, 12, e.day, e.h2, e.m2, e.s2);
    Put32(r, 41, e.code);
    file.insert(file.end(), r.begin(), r.end());
  }
  return file;
}

std::vector<uint8_t> R40MaxFile() {
  std::vector<uint8_t> r(89, 0);
  r[0] = 2;  // complete
  r[1] = 2;  // position machine
  Put32(r, 2, 3105);
  PutTime(r, 7, 2026, 12, 9, 0, 0, 0);
  PutTime(r, 23, 2026, 12, 9, 0, 0, 1);
  r[43] = 2;
  Put32(r, 44, 12);
  r[68] = 0;  // camera
  PutTime(r, 73, 2026, 12, 9, 0, 0, 0);
  return r;
}

void WriteMidnightEventFiles(const std::string& directory) {
  auto text = [&directory](const char* name, const std::string& t) {
    WriteFileBytes(directory + "/" + name, std::vector<uint8_t>(t.begin(), t.end()));
  };
  text("ExternalEvent.ini", "[EVENT_SET]\r\nHost_Protocal=DYNAM\r\n");
  text("ExternalMachineEventCode.ini", "[EventCode_3]\r\n0=\x91\xE5\x93\x96\x82\xE8\r\n1=Door\r\n");
  WriteFileBytes(directory + "/MachineEvent_2026-12-08.dat",
                 MachineFile({{0, 123, 8, 23, 59, 50, 23, 59, 58, 0},
                              {0, 124, 8, 23, 0, 0, 23, 10, 0, 1},     // before the backup
                              {1, 999, 8, 23, 59, 59, 23, 59, 59, 1},  // a camera it does not hold
                              {0, 125, 8, 23, 59, 59, 23, 59, 59, 1}}));
  WriteFileBytes(directory + "/MachineEvent_2026-12-09.dat",
                 MachineFile({{0, 7, 9, 0, 0, 4, 0, 0, 9, 1},  // after it: written first
                              {0, 7, 9, 0, 0, 2, 0, 0, 5, 0}}));
  WriteFileBytes(directory + "/R40MaxpEvent_2026-12-09.dat", R40MaxFile());
}

}  // namespace bv::test
