#include "tools/samples/sound_backup.h"

#include <cmath>
#include <numbers>

#include "tools/samples/gsm_encode.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/sample_backups.h"
#include "tools/samples/test_picture.h"

namespace bv::samples {
namespace {

std::vector<uint8_t> PcmBytes(std::span<const int16_t> samples, uint8_t bitsPerSample) {
  std::vector<uint8_t> bytes;
  bytes.reserve(samples.size() * (bitsPerSample / 8));
  for (int16_t sample : samples) {
    const uint16_t bits = static_cast<uint16_t>(sample);
    if (bitsPerSample == 8) {
      bytes.push_back(static_cast<uint8_t>((bits >> 8) ^ 0x80));
    } else {
      bytes.push_back(static_cast<uint8_t>(bits & 0xFF));
      bytes.push_back(static_cast<uint8_t>(bits >> 8));
    }
  }
  return bytes;
}

}  // namespace

std::vector<int16_t> MakeSweep(size_t count, uint32_t samplesPerSecond, double startHz, double endHz,
                               double amplitude) {
  std::vector<int16_t> samples(count);
  const double duration = static_cast<double>(count) / samplesPerSecond;
  const double rate = std::log(endHz / startHz) / duration;
  for (size_t i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / samplesPerSecond;
    // Phase of an exponential sweep: integral of startHz * e^(rate * t).
    const double phase = 2 * std::numbers::pi * startHz * (std::exp(rate * t) - 1) / rate;
    samples[i] = static_cast<int16_t>(std::lround(32767 * amplitude * std::sin(phase)));
  }
  return samples;
}

SoundBackup MakeSoundBackup(const SoundBackupOptions& options) {
  SoundBackup backup{CBackupWriter(options.version, DemoCameraInfo()), {}};
  const uint32_t rate = options.samplesPerSecond;
  const std::vector<int16_t> sweep = MakeSweep(static_cast<size_t>(rate) * options.seconds, rate, 250, 2000);
  const size_t chunkSamples = rate / options.chunksPerSecond;
  const uint8_t frameType = options.audioPaced ? 0x80 : 0x00;

  for (int second = 0; second < options.seconds; ++second) {
    for (int f = 0; f < options.framesPerSecond; ++f) {
      const int frame = second * options.framesPerSecond + f;
      const RgbPicture picture = MakeTestPicture(options.width, options.height, frame);
      backup.writer.AddVideoFrame(RecordTimeAt(frame, options.framesPerSecond, 0, frameType), kDemoCameraTitle,
                                  kDemoLocation, MakeMjpgPayload(picture, options.quality));
    }
    const bool gsm = second >= options.pcmSeconds;
    AUDIO_HEADER header;
    header.channels = 1;
    header.samplesPerSecond = rate;
    header.bitsPerSample = options.bitsPerSample;
    header.chunksPerSecond = options.chunksPerSecond;
    header.compression = gsm ? 1 : 0;
    for (int c = 0; c < options.chunksPerSecond; ++c) {
      const std::span<const int16_t> samples(sweep.data() + second * rate + c * chunkSamples, chunkSamples);
      StoredChunk chunk{second, gsm, gsm ? EncodeGsmWav49(samples) : PcmBytes(samples, options.bitsPerSample)};
      // The chunk's time: its start within the second.
      INDEX_RECORD time = RecordTimeAt(second * options.chunksPerSecond + c, options.chunksPerSecond);
      backup.writer.AddAudioChunk(time, header, chunk.bytes);
      backup.chunks.push_back(std::move(chunk));
    }
  }
  return backup;
}

}  // namespace bv::samples
