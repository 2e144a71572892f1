#pragma once
// An MPEG-4 Part 2 elementary stream (start codes 00 00 01 xx, as ffmpeg's
// m4v muxer writes it) cut into one piece per picture, as a backup stores
// it: each VOP with the configuration headers (visual object sequence,
// visual object, video object layer, group of VOPs, user data) that precede
// it. A VOP's coded data holds no start code, so it runs to the next one.
// Bytes arrive in pieces of any length; a start code may straddle two.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace bv::samples {

struct M4vPicture {
  std::span<const uint8_t> bytes;  // headers and VOP, valid during the call
  bool key = false;                // an I-VOP
  bool hasVol = false;             // a video object layer header comes with it
};

class CM4vSplitter {
 public:
  using Sink = std::function<void(const M4vPicture&)>;
  explicit CM4vSplitter(Sink sink) : sink_(std::move(sink)) {}

  // False once the stream is found broken (see Error()).
  bool Feed(std::span<const uint8_t> bytes);
  // The end of the stream: hands over the last VOP.
  bool Finish();

  uint64_t Pictures() const { return pictures_; }
  // Bytes in no picture: before the first start code, or headers after the
  // last VOP.
  uint64_t IgnoredBytes() const { return ignored_; }
  const std::string& Error() const { return error_; }

 private:
  bool Scan();
  bool Emit(size_t start, size_t end);

  Sink sink_;
  std::vector<uint8_t> pending_;  // the picture being gathered
  size_t scanned_ = 0;            // start codes before this offset are handled
  bool started_ = false;          // a start code has been seen
  bool inVop_ = false;            // pending_ ends in a VOP's coded data
  size_t vopAt_ = 0;              // offset of that VOP's start code
  bool volSeen_ = false;
  uint64_t pictures_ = 0;
  uint64_t ignored_ = 0;
  std::string error_;
};

// The picture size a video object layer header gives (bytes after its start
// code). False when the header is cut short or not a rectangular layer.
bool ReadVolPictureSize(std::span<const uint8_t> vol, int* width, int* height);

// The picture size of the first VOL header in bytes; false when none is read.
bool FindVolPictureSize(std::span<const uint8_t> bytes, int* width, int* height);

}  // namespace bv::samples
