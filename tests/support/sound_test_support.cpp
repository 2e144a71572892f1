#include "tests/support/sound_test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "base/platform/le_bytes.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace bv::test {

void UseDiskAudio(const std::string& file, int delayMs) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
  if (delayMs < 0) {
    unsetenv("SDL_DISKAUDIODELAY");
  } else {
    setenv("SDL_DISKAUDIODELAY", std::to_string(delayMs).c_str(), 1);
  }
}

void UseBuiltModules() { setenv("BACKUP_VIEWER_SYSTEM_DIR", BV_MODULE_DIR, 1); }

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = dir + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::string();
}

std::vector<uint8_t> SoxDecodeGsm(const std::vector<uint8_t>& gsm) {
  const std::string sox = FindProgram("sox");
  if (sox.empty()) return {};
  // A WAV file of format 0x31: 65-byte blocks of 320 samples.
  const uint32_t blocks = static_cast<uint32_t>(gsm.size() / 65);
  std::vector<uint8_t> wav(60 + gsm.size());
  uint8_t* h = wav.data();
  std::copy_n("RIFF", 4, h);
  WriteU32LE(h + 4, static_cast<uint32_t>(52 + gsm.size()));
  std::copy_n("WAVEfmt ", 8, h + 8);
  WriteU32LE(h + 16, 20);
  WriteU16LE(h + 20, 0x31);
  WriteU16LE(h + 22, 1);
  WriteU32LE(h + 24, 8000);
  WriteU32LE(h + 28, 1625);
  WriteU16LE(h + 32, 65);
  WriteU16LE(h + 34, 0);
  WriteU16LE(h + 36, 2);
  WriteU16LE(h + 38, 320);
  std::copy_n("fact", 4, h + 40);
  WriteU32LE(h + 44, 4);
  WriteU32LE(h + 48, blocks * 320);
  std::copy_n("data", 4, h + 52);
  WriteU32LE(h + 56, static_cast<uint32_t>(gsm.size()));
  std::copy(gsm.begin(), gsm.end(), wav.begin() + 60);

  TempDir dir;
  WriteFileBytes(dir.File("in.wav"), wav);
  const CommandResult result =
      RunCommand(sox, {dir.File("in.wav"), "-t", "raw", "-e", "signed", "-b", "16", "-L", dir.File("out.raw")});
  if (result.exitCode != 0) return {};
  return ReadFileBytes(dir.File("out.raw"));
}

WavData ReadWav(const std::string& path) {
  WavData wav;
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  if (bytes.size() < 12 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF" ||
      std::string(bytes.begin() + 8, bytes.begin() + 12) != "WAVE") {
    return wav;
  }
  bool haveFormat = false;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const std::string id(bytes.begin() + at, bytes.begin() + at + 4);
    const uint32_t size = ReadU32LE(bytes.data() + at + 4);
    const uint8_t* body = bytes.data() + at + 8;
    if (size > bytes.size() - at - 8) return wav;
    if (id == "fmt " && size >= 16) {
      wav.formatTag = ReadU16LE(body);
      wav.channels = ReadU16LE(body + 2);
      wav.samplesPerSecond = ReadU32LE(body + 4);
      wav.bitsPerSample = ReadU16LE(body + 14);
      haveFormat = true;
    } else if (id == "data") {
      wav.data.assign(body, body + size);
      wav.valid = haveFormat;
      return wav;
    }
    at += 8 + size + (size & 1);
  }
  return wav;
}

SoundPlayer::SoundPlayer(uint32_t clockStart) : clock(clockStart) {
  engine().SetTickClock(clock);
  engine().SetSoundTap(&capture);
}

SoundPlayer::~SoundPlayer() { engine().SetSoundTap(nullptr); }

bool SoundPlayer::Open(const std::string& path) { return controller.OpenBackup(path, false); }

int SoundPlayer::PlayToEnd(int maxSteps) {
  controller.BeginSteppedForwardPlay();
  int steps = 0;
  while (steps < maxSteps && controller.StepForwardPlay()) ++steps;
  return steps;
}

}  // namespace bv::test
