#include "tests/support/media_probe.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace bv::test {
namespace {

std::string ProgramPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = dir + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "/usr/bin/" + name;
}

// "00000010: 0001 2000 c48d 8800 550b 041e 1463 0000  .. .....U....c.."
bool AppendHexDumpLine(const std::string& line, std::vector<uint8_t>* bytes) {
  if (line.size() < 10 || line[8] != ':') return false;
  const size_t end = line.find("  ", 10);
  std::istringstream groups(line.substr(10, end == std::string::npos ? std::string::npos : end - 10));
  for (std::string group; groups >> group;) {
    for (size_t i = 0; i + 1 < group.size(); i += 2) {
      bytes->push_back(static_cast<uint8_t>(std::stoi(group.substr(i, 2), nullptr, 16)));
    }
  }
  return true;
}

int64_t Integer(const std::string& text) { return text == "N/A" ? 0 : std::stoll(text); }

}  // namespace

const ProbedStream* ProbedFile::StreamOfType(const std::string& codecType) const {
  for (const ProbedStream& stream : streams) {
    if (stream.codecType == codecType) return &stream;
  }
  return nullptr;
}

std::vector<ProbedPacket> ProbedFile::PacketsOf(int stream) const {
  std::vector<ProbedPacket> out;
  for (const ProbedPacket& packet : packets) {
    if (packet.stream == stream) out.push_back(packet);
  }
  return out;
}

double ProbedFile::PtsMs(const ProbedPacket& packet) const {
  const ProbedStream& stream = streams.at(static_cast<size_t>(packet.stream));
  return 1000.0 * static_cast<double>(packet.pts) * stream.timeBaseNum / stream.timeBaseDen;
}

ProbedFile ProbeMediaFile(const std::string& path, bool withData) {
  std::vector<std::string> args = {"-v", "error", "-show_format", "-show_streams", "-show_packets"};
  if (withData) args.push_back("-show_data");
  args.push_back(path);
  const CommandResult run = RunCommand(ProgramPath("ffprobe"), args);
  ProbedFile file;
  if (run.exitCode != 0) {
    file.error = run.err;
    return file;
  }
  std::istringstream lines(run.out);
  std::string section;
  std::vector<uint8_t>* hexTarget = nullptr;
  for (std::string line; std::getline(lines, line);) {
    if (hexTarget && AppendHexDumpLine(line, hexTarget)) continue;
    hexTarget = nullptr;
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      section = line;
      if (section == "[STREAM]") file.streams.emplace_back();
      if (section == "[PACKET]") file.packets.emplace_back();
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (section == "[FORMAT]") {
      if (key == "format_name") file.formatName = value;
      if (key == "duration") file.durationSeconds = value == "N/A" ? 0 : std::stod(value);
      if (key.rfind("TAG:", 0) == 0) file.tags[key.substr(4)] = value;
    } else if (section == "[STREAM]") {
      ProbedStream& stream = file.streams.back();
      if (key == "index") stream.index = static_cast<int>(Integer(value));
      if (key == "codec_type") stream.codecType = value;
      if (key == "codec_name") stream.codecName = value;
      if (key == "width") stream.width = static_cast<int>(Integer(value));
      if (key == "height") stream.height = static_cast<int>(Integer(value));
      if (key == "sample_rate") stream.sampleRate = static_cast<int>(Integer(value));
      if (key == "channels") stream.channels = static_cast<int>(Integer(value));
      if (key == "time_base") std::sscanf(value.c_str(), "%d/%d", &stream.timeBaseNum, &stream.timeBaseDen);
      if (key == "extradata") hexTarget = &stream.extradata;
      if (key.rfind("TAG:", 0) == 0) stream.tags[key.substr(4)] = value;
    } else if (section == "[PACKET]") {
      ProbedPacket& packet = file.packets.back();
      if (key == "stream_index") packet.stream = static_cast<int>(Integer(value));
      if (key == "pts") packet.pts = Integer(value);
      if (key == "flags") packet.key = !value.empty() && value[0] == 'K';
      if (key == "data") hexTarget = &packet.data;
    }
  }
  file.ok = true;
  return file;
}

std::vector<uint8_t> DecodeVideoWithFfmpeg(const std::string& path, const std::string& pixelFormat) {
  TempDir dir;
  const std::string out = dir.File("frames.raw");
  const CommandResult run = RunCommand(ProgramPath("ffmpeg"), {"-v", "error", "-i", path, "-map", "0:v:0",
                                                               // every frame once, on the file's own clock
                                                               "-fps_mode", "passthrough", "-enc_time_base", "-1",
                                                               "-f", "rawvideo", "-pix_fmt", pixelFormat, out});
  if (run.exitCode != 0 || !run.err.empty()) return {};
  return ReadFileBytes(out);
}

std::vector<uint8_t> DecodeSoundWithFfmpeg(const std::string& path, const std::string& sampleFormat) {
  TempDir dir;
  const std::string out = dir.File("sound.raw");
  const CommandResult run =
      RunCommand(ProgramPath("ffmpeg"), {"-v", "error", "-i", path, "-map", "0:a:0", "-f", sampleFormat, out});
  if (run.exitCode != 0 || !run.err.empty()) return {};
  return ReadFileBytes(out);
}

}  // namespace bv::test
