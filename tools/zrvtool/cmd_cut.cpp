// zrvtool cut PATH --from A --to B -o OUT.zrv: a clip of records A..B as a
// new container, every record's bytes unchanged.
#include <cstdio>

#include "playback/engine/backup_cut.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/option_values.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {

namespace {

struct CutOptions {
  std::string path;
  std::optional<uint32_t> from;
  std::optional<uint32_t> to;
  std::string out;
};

int RunCut(const CutOptions& options) {
  auto backup = OpenToolBackup(options.path);
  if (!backup) return kExitRefused;
  const uint32_t count = backup->controller.Count();
  const CutResult cut = CutBackup(backup->controller, options.from.value_or(0), options.to.value_or(count - 1),
                                  options.out);
  if (!cut.ok) {
    std::fprintf(stderr, "%s\n", cut.error.c_str());
    return kExitRefused;
  }
  Json out;
  out["output"] = options.out;
  out["first"] = cut.first;
  out["last"] = cut.last;
  out["count"] = cut.count;
  PrintJsonLine(out);
  return kExitOk;
}

}  // namespace

Command AddCut(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "cut", "cut PATH [--from A] [--to B] -o OUT.zrv",
                             "A clip of records A..B as a new container, every record's bytes unchanged");
  auto options = std::make_shared<CutOptions>();
  app->add_option("PATH", options->path, "The backup")->required();
  AddOptional(*app, "--from", options->from, "The first record (0 unless given)")->type_name("A")->transform(WholeNumber());
  AddOptional(*app, "--to", options->to, "The last record (the backup's last unless given)")
      ->type_name("B")
      ->transform(WholeNumber());
  app->add_option("-o", options->out, "The clip's container")->required()->type_name("OUT.zrv");
  return {app, [options] { return RunCut(*options); }};
}

}  // namespace bv::tool
