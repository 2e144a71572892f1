// zrvtool make-sample DIR: writes the demo backups.
#include <cstdio>

#include "tools/samples/sample_backups.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_writer.h"

namespace bv::tool {

int RunMakeSample(const Args& args) {
  if (args.size() != 1) return kExitUsage;
  std::string error;
  const std::vector<std::string> written = samples::WriteDemoBackups(args[0], &error);
  if (written.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return kExitRefused;
  }
  std::string list = "[";
  for (size_t i = 0; i < written.size(); ++i) list += (i ? "," : "") + JsonQuote(written[i]);
  list += "]";
  std::printf("%s\n", JsonObject().AddRaw("written", list).str().c_str());
  return kExitOk;
}

}  // namespace bv::tool
