#pragma once
// CMatroskaWriter: a Matroska file written through libavformat, stream by
// stream and packet by packet. The file is opened at a path of the caller's
// choosing (the export writes a temporary file and renames it when done).
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

struct AVCodecParameters;
struct AVFormatContext;

namespace bv {

class CMatroskaWriter {
 public:
  CMatroskaWriter() = default;
  // Closes a file that was not finished (its bytes are then incomplete).
  ~CMatroskaWriter();
  CMatroskaWriter(const CMatroskaWriter&) = delete;
  CMatroskaWriter& operator=(const CMatroskaWriter&) = delete;

  bool Open(const std::string& path);
  // Streams, before WriteHeader. Each returns the stream's number, or -1.
  // Copied frames: MJPG ("V_MJPEG") or MPEG-4 Visual with its configuration
  // headers as codec data; time base 1 ms.
  int AddCopiedVideo(bool mpeg4, int width, int height, std::span<const uint8_t> config);
  // Frames of an encoder, described by its parameters; time base 1 ms.
  int AddEncodedVideo(const AVCodecParameters* parameters);
  // PCM, 8-bit unsigned or 16-bit signed little-endian; time base one sample.
  int AddPcmSound(uint32_t samplesPerSecond, int bitsPerSample, int channels);
  // File and stream tags (UTF-8).
  void SetTag(const std::string& key, const std::string& value);
  void SetStreamTag(int stream, const std::string& key, const std::string& value);

  bool WriteHeader();
  // pts and duration in the stream's time base.
  bool WritePacket(int stream, std::span<const uint8_t> data, int64_t pts, int64_t duration, bool keyFrame);
  // Writes the index and closes the file.
  bool Finish();

  // What libavformat said about the last failure.
  const std::string& Error() const { return error_; }

 private:
  bool Fail(const char* what, int code);
  void Close();

  AVFormatContext* format_ = nullptr;
  // Each stream's time base as the caller gives timestamps in (numerator,
  // denominator); the muxer may choose its own at WriteHeader.
  std::vector<std::pair<int, int>> timeBases_;
  bool headerWritten_ = false;
  std::string error_;
};

}  // namespace bv
