#pragma once
// Decoding one Motion-JPEG frame with libjpeg-turbo into a picture whose size
// the caller fixes: a single image of that size, or two interlaced fields
// (two SOI..EOI images of half the height each) whose rows are interleaved.
// Frames that leave out their Huffman tables decode with the standard ones.
// A library error is a refusal; a warning (bytes skipped, data cut short) is
// a fault the library worked around: the picture is kept and the fault
// counted. An image of another size than the frame's is scaled to the
// frame's size.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>  // jpeglib.h needs FILE
#include <vector>

#include <jpeglib.h>

namespace bv::mjpg {

enum class PixelFormat : uint8_t {
  kBgr24,  // 3 bytes per pixel, blue, green, red
  kUyvy,   // 2 bytes per pixel: U, Y0, V, Y1 per pair of pixels
};

// Where the decoded picture goes: width * height pixels in rows of
// width * bytes-per-pixel, the top row first unless bottomUp.
struct OutputPicture {
  PixelFormat format = PixelFormat::kBgr24;
  int width = 0;
  int height = 0;
  bool bottomUp = false;
  uint8_t* pixels = nullptr;
};

// libjpeg's error manager with the point a failure returns to.
struct JpegErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

struct DecodeOptions {
  bool fancyUpsampling = false;    // smooth chroma upsampling (slower)
  bool supportInterleave = true;   // accept frames of two fields
  bool invertFieldOrder = false;   // the first field holds the odd rows
};

class CJpegFrameDecoder {
 public:
  CJpegFrameDecoder();
  ~CJpegFrameDecoder();
  CJpegFrameDecoder(const CJpegFrameDecoder&) = delete;
  CJpegFrameDecoder& operator=(const CJpegFrameDecoder&) = delete;

  // Decodes the JPEG data (starting at its SOI) into out. False when the data
  // is corrupt, or its images do not make a picture of out's size; the rows
  // written before a fault was found may then have changed.
  bool Decode(const uint8_t* data, size_t size, const OutputPicture& out, const DecodeOptions& options);
  // Faults worked around in the last frame decoded: library warnings, and a
  // second field that was missing (its rows then repeat the first field's).
  int Faults() const { return faults_; }

 private:
  // Reads the header of the image at data; refuses a tables-only stream.
  void ReadHeader(const uint8_t* data, size_t size);
  // Decodes the image whose header was read into the picture rows firstRow,
  // firstRow + rowStep, ...: rowCount rows in all. Returns where the image's
  // data ended.
  const uint8_t* DecodeImage(const OutputPicture& out, const DecodeOptions& options, int firstRow, int rowStep,
                             int rowCount);
  // Decodes the second field; false (first field kept) when it fails.
  bool SecondFieldDecodes(const uint8_t* data, size_t size, const OutputPicture& out, const DecodeOptions& options,
                          int firstRow);
  // Fills the rows of the field that is missing from the neighbouring rows.
  void RepeatField(const OutputPicture& out, int decodedRow);
  void StoreRows(const OutputPicture& out, int firstRow, int rowStep, int imageRow, int count, int components);
  // A decoded image of another size into out, nearest pixel.
  void ScaleInto(const OutputPicture& image, const OutputPicture& out);
  // Gives up on the frame: returns through Decode's jump point.
  [[noreturn]] void Refuse();

  jpeg_decompress_struct cinfo_{};
  JpegErrorManager errors_{};
  // Decoded Y, Cb, Cr rows waiting to be packed (UYVY output only).
  std::vector<uint8_t> ycbcrRows_;
  // An image whose size differs from its frame's, before scaling.
  std::vector<uint8_t> scaled_;
  int faults_ = 0;
};

// Where a JPEG image starts in data (the offset of its SOI marker at or after
// from), or size when there is none.
size_t FindStartOfImage(const uint8_t* data, size_t size, size_t from);

}  // namespace bv::mjpg
