// zrvtool's command line and the shape of its JSON, run as a separate
// process: --help and --version, each command's own help, usage errors, and
// output that a JSON parser reads back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_lines.h"

namespace bv {
namespace {

using nlohmann::json;
using test::RunCommand;
using test::TempDir;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<std::string> Keys(const nlohmann::ordered_json& object) {
  std::vector<std::string> keys;
  for (auto it = object.begin(); it != object.end(); ++it) keys.push_back(it.key());
  return keys;
}

// Each command with the options its help must name.
const std::vector<std::pair<std::string, std::vector<std::string>>> kCommands = {
    {"info", {"PATH"}},
    {"records", {"PATH", "--hash", "--camera"}},
    {"make-sample", {"DIR", "--key-interval", "--frames", "--size"}},
    {"frame", {"PATH", "INDEX", "-o"}},
    {"still", {"PATH", "-o"}},
    {"snapshot", {"PATH", "INDEX", "-o", "--no-cam", "--no-date", "--no-size"}},
    {"print", {"PATH", "INDEX", "-o", "--dpi"}},
    {"bench", {"PATH", "--raw", "--forward", "--backward", "--steps", "--drag", "--no-cache", "--warm"}},
    {"cut", {"PATH", "--from", "--to", "-o"}},
    {"hash", {"PATH"}},
    {"events", {"PATH", "INDEX", "--labels-dir"}},
    {"audio", {"PATH", "-o", "--from", "--to", "--real-time"}},
    {"export", {"PATH", "-o", "--from", "--to", "--progress"}},
    {"present", {"PATH", "-o", "--from", "--to", "--no-cam", "--no-date", "--no-size", "--no-event", "--progress"}},
    {"report", {"PATH", "-o", "--from", "--to", "--stills", "--case", "--progress"}},
    {"thumbnail", {"PATH", "OUT.png", "--size"}},
    {"seek", {"PATH", "TIME", "--camera"}},
    {"event-list", {"PATH", "--labels-dir"}},
    {"wrap", {"OUT.zrv", "--size", "--fps", "--mpeg4", "--mjpg", "--wavelet", "--key-interval", "--quality"}},
};

TEST(ZrvToolCommandLine, HelpAndVersionGoToStdout) {
  const test::CommandResult help = RunCommand(ZRVTOOL_PATH, {"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_EQ(help.err, "");
  EXPECT_TRUE(Contains(help.out, "usage: zrvtool [--codepage NAME] COMMAND ...\n")) << help.out;
  EXPECT_TRUE(Contains(help.out, "--codepage NAME")) << help.out;
  for (const auto& [command, options] : kCommands) {
    EXPECT_TRUE(Contains(help.out, "\n  zrvtool " + command + " ")) << command;
  }

  const test::CommandResult version = RunCommand(ZRVTOOL_PATH, {"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "zrvtool " ZRVTOOL_VERSION "\n");
  EXPECT_EQ(version.err, "");
}

TEST(ZrvToolCommandLine, EveryCommandsHelpNamesItsOptions) {
  for (const auto& [command, options] : kCommands) {
    SCOPED_TRACE(command);
    const test::CommandResult help = RunCommand(ZRVTOOL_PATH, {command, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_TRUE(Contains(help.out, "usage: zrvtool " + command + " ")) << help.out;
    for (const std::string& option : options) EXPECT_TRUE(Contains(help.out, "  " + option + " ")) << option;
  }
}

TEST(ZrvToolCommandLine, UsageErrorsExitTwoWithTheUsageOnStderr) {
  TempDir dir;
  const std::vector<std::pair<std::vector<std::string>, std::string>> wrong = {
      {{"info", dir.File("a.zrv"), "--bogus"}, "usage: zrvtool info PATH\n"},
      {{"records"}, "usage: zrvtool records PATH [--hash] [--camera N]\n"},
      {{"frame", dir.File("a.zrv"), "0", "-o"}, "usage: zrvtool frame PATH INDEX -o"},
      {{"thumbnail", dir.File("a.zrv")}, "usage: zrvtool thumbnail PATH OUT.png [--size N]\n"},
      {{"wrap", dir.File("w.zrv"), "--size", "176x144"}, "usage: zrvtool wrap OUT.zrv --size WxH"},
      {{"bench", dir.File("a.zrv"), "--raw", "--drag"}, "usage: zrvtool bench PATH"},
      {{"--codepage"}, "usage: zrvtool [--codepage NAME] COMMAND ...\n  zrvtool info PATH\n"},
  };
  for (const auto& [args, usage] : wrong) {
    SCOPED_TRACE(args.front() + " " + std::to_string(args.size()));
    const test::CommandResult run = RunCommand(ZRVTOOL_PATH, args);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Contains(run.err, usage)) << run.err;
  }
  // A value out of its range says which option and what it takes.
  const test::CommandResult frames = RunCommand(ZRVTOOL_PATH, {"make-sample", dir.path(), "--frames", "0"});
  EXPECT_EQ(frames.exitCode, 2);
  EXPECT_TRUE(Contains(frames.err, "--frames: a whole number from 1 to 100000\n")) << frames.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("demo-mjpg.zrv")));
}

TEST(ZrvToolCommandLine, JsonOutputOfTheDemoBackupsParses) {
  TempDir dir;
  // Leading zeros are decimal, not octal.
  const test::CommandResult made = RunCommand(ZRVTOOL_PATH, {"make-sample", dir.path(), "--frames", "010"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const json written = json::parse(made.out);
  ASSERT_TRUE(written.at("written").is_array());
  std::vector<std::string> paths;
  for (const json& path : written.at("written")) paths.push_back(path.get<std::string>());
  for (const std::string& path : paths) EXPECT_TRUE(std::filesystem::exists(path)) << path;
  for (const char* name : {"demo-mjpg.zrv", "demo-mpeg4.zrv", "demo-wavelet.zrv", "demo-sound.zrv"}) {
    EXPECT_EQ(std::count(paths.begin(), paths.end(), dir.File(name)), 1) << name;
  }

  const std::string demo = dir.File("demo-mjpg.zrv");
  // Keys in the order they were written.
  const nlohmann::ordered_json info = nlohmann::ordered_json::parse(RunCommand(ZRVTOOL_PATH, {"info", demo}).out);
  EXPECT_EQ(Keys(info), (std::vector<std::string>{"form", "version", "count", "index_length", "frame_base", "camera"}));
  EXPECT_EQ(info.at("count"), 10);
  EXPECT_EQ(info.at("camera").at("name"), "Entrance");

  const std::vector<std::string> records = test::Lines(RunCommand(ZRVTOOL_PATH, {"records", demo, "--hash"}).out);
  ASSERT_EQ(records.size(), 10u);
  const json hash = json::parse(RunCommand(ZRVTOOL_PATH, {"hash", demo}).out);
  ASSERT_EQ(hash.at("records").size(), 10u);
  for (size_t i = 0; i < records.size(); ++i) {
    const json record = json::parse(records[i]);
    EXPECT_EQ(record.at("index"), i);
    EXPECT_EQ(record.at("codec"), "MJPG");
    EXPECT_EQ(record.at("sha256"), hash.at("records")[i].at("sha256"));
  }
  EXPECT_EQ(hash.at("file").at("size"), std::filesystem::file_size(demo));

  // Measured values are numbers to six significant digits.
  std::vector<uint8_t> pictures(16 * 16 * 3 * 3, 0x80);
  test::WriteFileBytes(dir.File("raw"), pictures);
  const test::CommandResult wrap =
      RunCommand(ZRVTOOL_PATH, {"wrap", dir.File("w.zrv"), "--size", "16x16", "--fps", "7", "--mjpg", dir.File("raw")});
  ASSERT_EQ(wrap.exitCode, 0) << wrap.err;
  const json wrapped = json::parse(wrap.out);
  EXPECT_EQ(wrapped.at("records"), 3);
  const double mean = wrapped.at("payload_bytes").get<double>() / 3;
  ASSERT_TRUE(wrapped.at("mean_payload_bytes").is_number());
  EXPECT_NEAR(wrapped.at("mean_payload_bytes").get<double>(), mean, std::abs(mean) * 1e-5);
  const double kbit = mean * 8 * 7 / 1000;
  EXPECT_NEAR(wrapped.at("kbit_per_second").get<double>(), kbit, kbit * 1e-5);
}

}  // namespace
}  // namespace bv
