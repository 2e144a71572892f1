#include "tools/samples/sample_events.h"

#include "base/platform/file_write.h"
#include "events/event_configuration.h"
#include "events/event_file_writer.h"
#include "tools/samples/sample_backups.h"

namespace bv::samples {
namespace {

// The demo backups run from 19:30:00 for ten seconds on camera 0.
SYSTEMTIME DemoTime(int second) { return EventTime(2026, 3, 14, 19, 30, second); }

const char kEventIni[] =
    "; Host computer of the hall and the colour of event texts (0x00BBGGRR).\r\n"
    "[EVENT_SET]\r\n"
    "Host_Protocal=DAITO\r\n"
    "[TEXT_SET]\r\n"
    "ColorValue=65535\r\n";

const char kEventCodeIni[] =
    "[EventCode_1]\r\n"
    "0=Door open\r\n"
    "1=Big win\r\n"
    "2=Call lamp\r\n"
    "3=Error\r\n"
    "[Text]\r\n"
    "STR_TEXT_MACHINE_NUM=No.\r\n";

bool WriteText(const std::string& path, const char* text) {
  const std::string bytes = text;
  return WriteFileAtomically(path, {std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())});
}

std::vector<MachineEventRecord> DemoMachineEvents() {
  MachineEventRecord bigWin;
  bigWin.camera = 0;
  bigWin.machineNumber = 1021;
  bigWin.start = DemoTime(2);
  bigWin.end = DemoTime(4);
  bigWin.eventCode = 1;
  // Another camera's event at the same time: not shown on camera 0.
  MachineEventRecord otherCamera = bigWin;
  otherCamera.camera = 1;
  otherCamera.machineNumber = 2044;
  otherCamera.eventCode = 3;
  return {otherCamera, bigWin};
}

std::vector<R40MaxEventRecord> DemoR40MaxEvents() {
  R40MaxEventRecord prize;
  prize.kind = kR40MaxComplete;
  prize.machineClass = kR40MaxClassPosition;
  prize.machineNumber = 3105;
  prize.camera = 0;
  prize.start = DemoTime(6);
  prize.detail = DemoTime(7);  // short text up to here, the complete one after
  prize.end = DemoTime(8);
  prize.counterType = 2;
  prize.ticketCount = 12;
  prize.beadCount = 2500;
  prize.biggestPrizeCount = 1;
  prize.bigPrizeCount = 2;
  prize.middlePrizeCount = 5;
  prize.smallPrizeCount = 9;
  return {prize};
}

}  // namespace

std::vector<std::string> WriteDemoEventFiles(const std::string& directory, std::string* error) {
  const std::string dir = directory + "/";
  const std::string eventIni = dir + kEventIniName;
  const std::string codeIni = dir + kEventCodeIniName;
  const std::string machine = MachineEventFileName(dir, 2026, 3, 14);
  const std::string r40max = R40MaxEventFileName(dir, 2026, 3, 14);
  const std::vector<MachineEventRecord> machineEvents = DemoMachineEvents();
  const std::vector<R40MaxEventRecord> r40maxEvents = DemoR40MaxEvents();
  const std::pair<const std::string*, bool> written[] = {
      {&eventIni, WriteText(eventIni, kEventIni)},
      {&codeIni, WriteText(codeIni, kEventCodeIni)},
      {&machine, WriteMachineEventFile(machine, machineEvents)},
      {&r40max, WriteR40MaxEventFile(r40max, r40maxEvents)},
  };
  std::vector<std::string> paths;
  for (const auto& [path, ok] : written) {
    if (!ok) {
      *error = "cannot write " + *path;
      return {};
    }
    paths.push_back(*path);
  }
  return paths;
}

}  // namespace bv::samples
