// zrvtool audio: the demo backup played through the audio path into a WAV
// file, run as a separate process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "base/host/control_ids.h"
#include "tests/support/run_command.h"
#include "tests/support/sound_test_support.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/sound_backup.h"

namespace bv {
namespace {

using test::RunCommand;
using test::TempDir;

// Sets an environment variable for the processes started in a scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class ZrvToolAudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseBuiltModules();
    test::UseDiskAudio(dir_.File("device.raw"));
    auto made = RunCommand(ZRVTOOL_PATH, {"make-sample", dir_.path()});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_NE(made.out.find("demo-sound.zrv"), std::string::npos);
    demo_ = dir_.File("demo-sound.zrv");
  }

  TempDir dir_;
  std::string demo_;
};

TEST_F(ZrvToolAudioTest, WritesTheDemoSoundAsAWavOfWhatWasHandedOver) {
  const auto run = RunCommand(ZRVTOOL_PATH, {"audio", demo_, "-o", dir_.File("demo.wav")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("\"pcm_bytes\":96000"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"drift_ms\":{\"seconds\":6,\"max_abs\":0"), std::string::npos) << run.out;

  const test::WavData wav = test::ReadWav(dir_.File("demo.wav"));
  ASSERT_TRUE(wav.valid);
  EXPECT_EQ(wav.formatTag, 1);
  EXPECT_EQ(wav.channels, 1);
  EXPECT_EQ(wav.samplesPerSecond, 8000u);
  EXPECT_EQ(wav.bitsPerSample, 16);

  // The same demo, made again: one PCM second, then GSM seconds each decoded
  // afresh.
  const samples::SoundBackup source = samples::MakeSoundBackup(samples::SoundBackupOptions{});
  ASSERT_EQ(source.chunks.size(), 6u);
  std::vector<uint8_t> expected = source.chunks[0].bytes;
  for (size_t i = 1; i < source.chunks.size(); ++i) {
    const std::vector<uint8_t> decoded = test::SoxDecodeGsm(source.chunks[i].bytes);
    expected.insert(expected.end(), decoded.begin(), decoded.end());
  }
  ASSERT_EQ(wav.data.size(), expected.size());
  EXPECT_TRUE(wav.data == expected);
}

TEST_F(ZrvToolAudioTest, PlaysOnlyFromRecordAToRecordB) {
  // Eleven records a second: ten frames, then the second's audio. From the
  // first frame of second 2 to the last frame of second 3.
  const auto run = RunCommand(ZRVTOOL_PATH, {"audio", demo_, "-o", dir_.File("part.wav"), "--from", "22", "--to", "42"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const test::WavData wav = test::ReadWav(dir_.File("part.wav"));
  ASSERT_TRUE(wav.valid);
  const samples::SoundBackup source = samples::MakeSoundBackup(samples::SoundBackupOptions{});
  // The output opens on the GSM format here, so one decoder runs on from
  // the first second to the second.
  std::vector<uint8_t> gsm = source.chunks[2].bytes;
  gsm.insert(gsm.end(), source.chunks[3].bytes.begin(), source.chunks[3].bytes.end());
  const std::vector<uint8_t> expected = test::SoxDecodeGsm(gsm);
  ASSERT_EQ(expected.size(), 2u * 16000);
  EXPECT_TRUE(wav.data == expected);
  EXPECT_NE(run.out.find("\"records_played\":19"), std::string::npos) << run.out;
}

TEST_F(ZrvToolAudioTest, WithoutASoundDeviceTheMessageShowsAndTheVideoGoesOn) {
  const auto heard = RunCommand(ZRVTOOL_PATH, {"audio", demo_, "-o", dir_.File("a.wav")});
  ASSERT_EQ(heard.exitCode, 0) << heard.err;
  ScopedEnv noDevice("SDL_AUDIODRIVER", "nonexistent");
  const auto silent = RunCommand(ZRVTOOL_PATH, {"audio", demo_, "-o", dir_.File("b.wav")});
  ASSERT_EQ(silent.exitCode, 0) << silent.err;
  EXPECT_NE(silent.err.find(kSoundDeviceError), std::string::npos) << silent.err;
  EXPECT_NE(silent.out.find("\"pcm_bytes\":0"), std::string::npos) << silent.out;
  const auto played = [](const std::string& out) { return out.substr(out.find("\"records_played\"")); };
  EXPECT_EQ(played(silent.out).substr(0, 22), played(heard.out).substr(0, 22));
  EXPECT_NE(silent.out.find("\"seconds\":6"), std::string::npos) << "the pacing went on: " << silent.out;
}

TEST_F(ZrvToolAudioTest, AMissingDecoderModuleLeavesOnlyThePcmSecond) {
  TempDir emptySystem;
  ScopedEnv system("BACKUP_VIEWER_SYSTEM_DIR", emptySystem.path());
  const auto run = RunCommand(ZRVTOOL_PATH, {"audio", demo_, "-o", dir_.File("pcm.wav")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("Zr_Sound.dll not found"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("\"pcm_bytes\":16000"), std::string::npos) << run.out;
}

TEST_F(ZrvToolAudioTest, RefusesBadArgumentsAndFiles) {
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"audio", demo_}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"audio", "-o", dir_.File("x.wav")}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"audio", demo_, "-o", dir_.File("x.wav"), "--from", "x"}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"audio", demo_, "-o", dir_.File("x.wav"), "--from", "-1"}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"audio", demo_, "-o", dir_.File("x.wav"), "--from", "66"}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"audio", demo_, "-o", dir_.File("x.wav"), "--from", "9", "--to", "3"}).exitCode,
            2);
  const auto missing = RunCommand(ZRVTOOL_PATH, {"audio", dir_.File("none.zrv"), "-o", dir_.File("x.wav")});
  EXPECT_EQ(missing.exitCode, 1);
  test::WriteFileBytes(dir_.File("bad.zrv"), std::vector<uint8_t>(3000, 0xA5));
  const auto bad = RunCommand(ZRVTOOL_PATH, {"audio", dir_.File("bad.zrv"), "-o", dir_.File("x.wav")});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.err, "File Error #1\n");
}

}  // namespace
}  // namespace bv
