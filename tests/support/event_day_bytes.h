#pragma once
// Hall event day files laid out byte by byte, sharing no code with the
// program's own record writer: the recorder's offsets, junk in every byte
// that is not read.
#include <cstdint>
#include <string>
#include <vector>

namespace bv::test {

struct Machine {
  int camera, machine, day, h1, m1, s1, h2, m2, s2, code;
};

// 50-byte machine event records of December 2026.
std::vector<uint8_t> MachineFile(const std::vector<Machine>& events);
// One 89-byte complete R40Max record of a position machine (No. 3105,
// camera 0, 12 tickets) from 2026-12-09 00:00:00 to 00:00:01.
std::vector<uint8_t> R40MaxFile();

// Beside WriteMidnightBackup's backup in directory: event texts (code 0
// "大当り" in code page 932, code 1 "Door") and the day files of 2026-12-08
// and 12-09: four events of camera 0 within its span (machines 123, 125,
// R40Max 3105, machine 7), and one each before it, after it and of camera 1.
void WriteMidnightEventFiles(const std::string& directory);

}  // namespace bv::test
