#pragma once
// zrvtool's command line, read with CLI11: every command a subcommand of
// its own, whose usage line ("usage: zrvtool export PATH -o OUT.mkv ...")
// heads its --help and is what a usage error prints.
#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>

namespace bv::tool {

// A command once its command line has been read: what runs it (its exit
// code) and where its options went.
struct Command {
  CLI::App* app = nullptr;
  std::function<int()> run;
};

// Adds the command name; synopsis is its usage after "zrvtool ".
CLI::App* AddCommand(CLI::App& tool, const std::string& name, const std::string& synopsis,
                     const std::string& description);
// The usage of the tool or of one of its commands, one line a command.
std::string UsageText(const CLI::App& app);
// The formatter of the tool itself, synopsis its usage after "zrvtool ".
std::shared_ptr<CLI::Formatter> ToolFormatter(const std::string& synopsis);

// An option whose value is kept only when it is given.
template <typename T>
CLI::Option* AddOptional(CLI::App& app, const std::string& name, std::optional<T>& value,
                         const std::string& description) {
  return app.add_option_function<T>(name, [&value](const T& given) { value = given; }, description);
}

}  // namespace bv::tool
