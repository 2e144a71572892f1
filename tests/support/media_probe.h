#pragma once
// Reading exported files back with the ffprobe and ffmpeg commands: streams,
// tags and every packet (timestamps, key flag, bytes), and decoded pictures
// and sound. An independent reader: nothing of the project is involved.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace bv::test {

struct ProbedStream {
  int index = -1;
  std::string codecType;  // "video", "audio"
  std::string codecName;  // "mjpeg", "mpeg4", "ffv1", "pcm_s16le", ...
  int width = 0;
  int height = 0;
  int sampleRate = 0;
  int channels = 0;
  int timeBaseNum = 0;
  int timeBaseDen = 0;
  std::vector<uint8_t> extradata;
  std::map<std::string, std::string> tags;
};

struct ProbedPacket {
  int stream = -1;
  int64_t pts = 0;  // in the stream's time base
  bool key = false;
  std::vector<uint8_t> data;
};

struct ProbedFile {
  bool ok = false;
  std::string error;
  std::string formatName;
  double durationSeconds = 0;
  std::map<std::string, std::string> tags;
  std::vector<ProbedStream> streams;
  std::vector<ProbedPacket> packets;

  const ProbedStream* StreamOfType(const std::string& codecType) const;
  std::vector<ProbedPacket> PacketsOf(int stream) const;
  // A packet's pts in milliseconds (its stream's time base).
  double PtsMs(const ProbedPacket& packet) const;
};

// ffprobe -show_format -show_streams -show_packets [-show_data].
ProbedFile ProbeMediaFile(const std::string& path, bool withData = true);

// ffmpeg's decode of a file's video as raw frames of pixelFormat ("rgb24",
// "bgr24"), concatenated; empty on failure.
std::vector<uint8_t> DecodeVideoWithFfmpeg(const std::string& path, const std::string& pixelFormat);
// ffmpeg's decode of a file's sound as raw PCM in sampleFormat ("s16le",
// "u8"); empty on failure.
std::vector<uint8_t> DecodeSoundWithFfmpeg(const std::string& path, const std::string& sampleFormat);

}  // namespace bv::test
