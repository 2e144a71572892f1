#pragma once
// zrvtool's commands. Each returns the process exit code: 0 done, 1 input
// refused (message on stderr), 2 usage error.
#include <string>
#include <vector>

namespace bv::tool {

using Args = std::vector<std::string>;

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

int RunInfo(const Args& args);
int RunRecords(const Args& args);
int RunMakeSample(const Args& args);
int RunFrame(const Args& args);
int RunStill(const Args& args);
int RunSnapshot(const Args& args);
int RunPrint(const Args& args);
int RunBench(const Args& args);
int RunCut(const Args& args);
int RunHash(const Args& args);
int RunEvents(const Args& args);
int RunAudio(const Args& args);
int RunExport(const Args& args);
int RunPresent(const Args& args);
int RunReport(const Args& args);
int RunThumbnail(const Args& args);
int RunSeek(const Args& args);
int RunEventList(const Args& args);
int RunWrap(const Args& args);

}  // namespace bv::tool
