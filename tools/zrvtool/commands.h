#pragma once
// zrvtool's commands. Each adds itself to the tool's command line; run, it
// returns the process exit code: 0 done, 1 input refused (message on
// stderr), 2 usage error.
#include "tools/zrvtool/command_line.h"

namespace bv::tool {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

Command AddInfo(CLI::App& tool);
Command AddRecords(CLI::App& tool);
Command AddMakeSample(CLI::App& tool);
Command AddFrame(CLI::App& tool);
Command AddStill(CLI::App& tool);
Command AddSnapshot(CLI::App& tool);
Command AddPrint(CLI::App& tool);
Command AddBench(CLI::App& tool);
Command AddCut(CLI::App& tool);
Command AddHash(CLI::App& tool);
Command AddEvents(CLI::App& tool);
Command AddAudio(CLI::App& tool);
Command AddExport(CLI::App& tool);
Command AddPresent(CLI::App& tool);
Command AddReport(CLI::App& tool);
Command AddThumbnail(CLI::App& tool);
Command AddSeek(CLI::App& tool);
Command AddEventList(CLI::App& tool);
Command AddWrap(CLI::App& tool);

}  // namespace bv::tool
