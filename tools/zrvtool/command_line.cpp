#include "tools/zrvtool/command_line.h"

namespace bv::tool {
namespace {

// CLI11's help with the tool's own usage lines in place of its generated
// "Usage: ... [OPTIONS]" line.
class CUsageFormatter : public CLI::Formatter {
 public:
  explicit CUsageFormatter(std::string synopsis) : synopsis_(std::move(synopsis)) {}
  const std::string& Synopsis() const { return synopsis_; }

  std::string make_usage(const CLI::App* app, std::string) const override {
    std::string text = "usage: zrvtool " + synopsis_ + "\n";
    // The tool's usage lists every command's.
    if (app->get_parent() == nullptr) {
      for (const CLI::App* command : app->get_subcommands({})) {
        const auto formatter = std::dynamic_pointer_cast<CUsageFormatter>(command->get_formatter());
        if (formatter) text += "  zrvtool " + formatter->Synopsis() + "\n";
      }
    }
    return text;
  }

 private:
  std::string synopsis_;
};

}  // namespace

std::shared_ptr<CLI::Formatter> ToolFormatter(const std::string& synopsis) {
  return std::make_shared<CUsageFormatter>(synopsis);
}

CLI::App* AddCommand(CLI::App& tool, const std::string& name, const std::string& synopsis,
                     const std::string& description) {
  CLI::App* command = tool.add_subcommand(name, description);
  command->formatter(ToolFormatter(synopsis));
  return command;
}

std::string UsageText(const CLI::App& app) {
  const auto formatter = std::dynamic_pointer_cast<CUsageFormatter>(app.get_formatter());
  return formatter ? formatter->make_usage(&app, app.get_name()) : app.help();
}

}  // namespace bv::tool
