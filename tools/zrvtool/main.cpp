// zrvtool: the command-line face of the viewer's core. Machine-readable JSON
// on stdout, messages on stderr.
#include <cstdio>
#include <string>
#include <vector>

#include "base/platform/legacy_text.h"
#include "tools/zrvtool/commands.h"

namespace {

using bv::tool::Command;
using bv::tool::kExitUsage;
using bv::tool::UsageText;

std::vector<Command> AddCommands(CLI::App& tool) {
  using namespace bv::tool;
  return {AddInfo(tool),      AddRecords(tool), AddMakeSample(tool), AddFrame(tool),     AddStill(tool),
          AddSnapshot(tool),  AddPrint(tool),   AddBench(tool),      AddCut(tool),       AddHash(tool),
          AddEvents(tool),    AddAudio(tool),   AddExport(tool),     AddPresent(tool),   AddReport(tool),
          AddThumbnail(tool), AddSeek(tool),    AddEventList(tool),  AddWrap(tool)};
}

// The usage of the command being read, or of the whole tool, on stderr.
int Usage(const CLI::App& tool, const std::string& why) {
  const std::vector<CLI::App*> chosen = tool.get_subcommands();
  const std::string usage = UsageText(chosen.empty() ? tool : *chosen.front());
  std::fprintf(stderr, "%s%s%s", why.c_str(), why.empty() ? "" : "\n", usage.c_str());
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App tool("The viewer's core from the command line: what a backup holds, its pictures, sound and events, "
                "and the files the viewer exports.",
                "zrvtool");
  tool.formatter(bv::tool::ToolFormatter("[--codepage NAME] COMMAND ..."));
  tool.set_version_flag("--version", "zrvtool " BV_VERSION, "Print the tool's version and exit");
  // A value given twice: the last one counts.
  tool.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  tool.require_subcommand(0, 1);
  // The code page of the backup's texts that are not UTF-8 (CP932 unless
  // named here or in the environment).
  std::string codePage;
  tool.add_option("--codepage", codePage, "The code page of the backup's texts that are not UTF-8 (CP932 unless set)")
      ->type_name("NAME");
  const std::vector<Command> commands = AddCommands(tool);

  try {
    tool.parse(argc, argv);
  } catch (const CLI::Success& done) {
    return tool.exit(done);  // --help or --version, on stdout
  } catch (const CLI::ParseError& error) {
    return Usage(tool, error.what());
  }
  if (tool.count("--codepage") && !bv::SetLegacyCodePage(codePage)) {
    std::fprintf(stderr, "unknown code page: %s\n", codePage.c_str());
    return kExitUsage;
  }
  for (const Command& command : commands) {
    if (!command.app->parsed()) continue;
    const int code = command.run();
    return code == kExitUsage ? Usage(tool, "") : code;
  }
  return Usage(tool, "");
}
