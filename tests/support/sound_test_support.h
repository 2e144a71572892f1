#pragma once
// Helpers of the sound tests: SDL's disk driver as the sound device, GSM 6.10
// data decoded by sox as the independent reference, WAV files read back, and
// a headless viewer that plays a backup forward on a manual clock.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/platform/tick_clock.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/recording_host.h"
#include "tools/samples/sound_capture.h"

namespace bv::test {

// The sound device writes what it plays into file. delayMs < 0 keeps the
// driver's real-time pace; 0 writes as fast as it can.
void UseDiskAudio(const std::string& file, int delayMs = -1);
// Codec modules come from the build's system folder.
void UseBuiltModules();

// The full path of a program on PATH, or empty.
std::string FindProgram(const std::string& name);
// Decodes GSM 6.10 WAV49 blocks with sox into 16-bit little-endian PCM at
// 8000 Hz; empty when sox fails.
std::vector<uint8_t> SoxDecodeGsm(const std::vector<uint8_t>& gsm);

struct WavData {
  bool valid = false;
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t samplesPerSecond = 0;
  uint16_t bitsPerSample = 0;
  std::vector<uint8_t> data;
};
// Reads a WAV file by its chunks.
WavData ReadWav(const std::string& path);

// A headless viewer with a manual clock and a capture of the sound handed
// over.
class SoundPlayer {
 public:
  explicit SoundPlayer(uint32_t clockStart = 1000);
  ~SoundPlayer();
  bool Open(const std::string& path);
  // Play forward from the record on screen to the end of the backup (or
  // maxSteps steps); returns the steps taken.
  int PlayToEnd(int maxSteps = 1000000);

  RecordingHost host;
  CManualTickClock clock;
  samples::CSoundCapture capture;
  CPlaybackController controller{host};
  CPlaybackEngine& engine() { return controller.Engine(); }
};

}  // namespace bv::test
