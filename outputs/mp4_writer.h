#pragma once
// CMp4Writer: an MP4 file written through libavformat from encoded streams,
// with its index at the front (so that a browser starts playing before the
// whole file has arrived) and free-form metadata keys. The file is opened
// at a path of the caller's choosing (the export writes a temporary file
// and renames it when done).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct AVCodecParameters;
struct AVFormatContext;
struct AVPacket;

namespace bv {

class CMp4Writer {
 public:
  CMp4Writer() = default;
  // Closes a file that was not finished (its bytes are then incomplete).
  ~CMp4Writer();
  CMp4Writer(const CMp4Writer&) = delete;
  CMp4Writer& operator=(const CMp4Writer&) = delete;

  bool Open(const std::string& path);
  // Whether the encoders must put their configuration into the stream
  // parameters (they must for MP4).
  bool NeedsGlobalHeaders() const;
  // A stream of an encoder, before WriteHeader; packets will be timed in
  // timeBase (numerator, denominator). The stream's number, or -1.
  int AddStream(const AVCodecParameters* parameters, int timeBaseNum, int timeBaseDen);
  // File tags (UTF-8).
  void SetTag(const std::string& key, const std::string& value);

  bool WriteHeader();
  // A packet of an encoder, timed in its stream's time base.
  bool WritePacket(int stream, AVPacket* packet);
  // Writes the index, moves it to the front and closes the file.
  bool Finish();

  const std::string& Error() const { return error_; }

 private:
  bool Fail(const char* what, int code);
  void Close();

  AVFormatContext* format_ = nullptr;
  std::vector<std::pair<int, int>> timeBases_;
  bool headerWritten_ = false;
  std::string error_;
};

}  // namespace bv
