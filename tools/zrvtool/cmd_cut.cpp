// zrvtool cut PATH --from A --to B -o OUT.zrv: a clip of records A..B as a
// new container, every record's bytes unchanged.
#include <cstdio>

#include "playback/backup_cut.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/options.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {

int RunCut(const Args& args) {
  ParsedOptions options;
  if (!ParseOptions(args, {"--from", "--to", "-o"}, {}, &options) || options.positional.size() != 1 ||
      !options.Has("-o")) {
    return kExitUsage;
  }
  auto backup = OpenToolBackup(options.positional[0]);
  if (!backup) return kExitRefused;
  const uint32_t count = backup->controller.Count();
  uint32_t from = 0;
  uint32_t to = count - 1;
  if ((options.Has("--from") && !options.Number("--from", &from)) || (options.Has("--to") && !options.Number("--to", &to))) {
    return kExitUsage;
  }
  const CutResult cut = CutBackup(backup->controller, from, to, options.Value("-o"));
  if (!cut.ok) {
    std::fprintf(stderr, "%s\n", cut.error.c_str());
    return kExitRefused;
  }
  Json out;
  out["output"] = options.Value("-o");
  out["first"] = cut.first;
  out["last"] = cut.last;
  out["count"] = cut.count;
  PrintJsonLine(out);
  return kExitOk;
}

}  // namespace bv::tool
