// The hall event day files: camera u8, four times of day (hour, minute,
// second u8 each), then the machine event day file and the R40Max day file
// (each length u32 + bytes), then the R40Max label file. Every time is
// looked up in both files as a displayed record would be, and each whole
// R40Max record is spelled out in both of its forms.
#include <cstddef>
#include <cstdint>

#include "base/platform/ini_file.h"
#include "events/event_records.h"
#include "events/event_state.h"
#include "events/r40max_text.h"
#include "fuzz/fuzz_support.h"

using namespace bv;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseBuildEnvironment();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  const uint8_t camera = input.U8();
  SYSTEMTIME times[4];
  for (SYSTEMTIME& time : times) {
    time.wYear = 2026;
    time.wMonth = 3;
    time.wDay = 14;
    time.wHour = input.U8();
    time.wMinute = input.U8();
    time.wSecond = input.U8();
  }
  const std::span<const uint8_t> machine = input.Bytes(input.U32());
  const std::span<const uint8_t> r40Max = input.Bytes(input.U32());
  const std::span<const uint8_t> labels = input.Rest();

  const std::string& dir = fuzz::ProcessTempDir();
  fuzz::WriteWholeFile(MachineEventFileName(dir, 2026, 3, 14), machine);
  fuzz::WriteWholeFile(R40MaxEventFileName(dir, 2026, 3, 14), r40Max);
  fuzz::WriteWholeFile(dir + "ExternalMachineEventCode.ini", labels);

  // A new state each time: its caches must not carry one input's files into the next.
  CEventState events;
  events.SetProgramDirectory(dir);
  events.LoadEventConfiguration(dir);
  for (const SYSTEMTIME& time : times) {
    events.LookUp(time, camera);
    events.FindR40MaxEvent(time, camera);
  }

  const CIniFile ini = CIniFile::Parse(std::string(reinterpret_cast<const char*>(labels.data()), labels.size()));
  const R40MaxLabels labelTexts = R40MaxLabels::Read(&ini);
  for (size_t at = 0; at + R40MaxEventRecord::kSize <= r40Max.size() && at < 64 * R40MaxEventRecord::kSize;
       at += R40MaxEventRecord::kSize) {
    const R40MaxEventRecord record = R40MaxEventRecord::FromBytes(r40Max.data() + at);
    FormatR40MaxEventText(record, false, labelTexts);
    FormatR40MaxEventText(record, true, labelTexts);
  }
  return 0;
}
