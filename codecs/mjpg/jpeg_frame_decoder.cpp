#include "codecs/mjpg/jpeg_frame_decoder.h"

#include <algorithm>
#include <cstring>

namespace bv::mjpg {
namespace {

// Rows handed to the library per call.
constexpr int kBatchRows = 16;
// A JPEG larger than this is not scaled to its frame's size but refused.
constexpr int kMaxScaledDimension = 4096;

[[noreturn]] void ReturnToCaller(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrorManager*>(info->err)->jump, 1);
}

// A warning means the data is corrupt (bytes skipped, data ended early, ...)
// and the library worked around it: the frame is shown, its faults counted.
void CountWarning(j_common_ptr info, int level) {
  if (level < 0) ++info->err->num_warnings;
}

void Silent(j_common_ptr) {}

int BytesPerPixel(PixelFormat format) { return format == PixelFormat::kBgr24 ? 3 : 2; }

uint8_t* PictureRow(const OutputPicture& out, int row) {
  const int stored = out.bottomUp ? out.height - 1 - row : row;
  return out.pixels + static_cast<size_t>(stored) * out.width * BytesPerPixel(out.format);
}

// JPEG's full-range levels to the video levels packed 4:2:2 pictures carry
// (luma 16..235, chroma 16..240), as the other decoders deliver them.
struct VideoLevels {
  uint8_t luma[256];
  uint8_t chroma[511];  // indexed by the sum of two chroma samples
  VideoLevels() {
    for (int v = 0; v < 256; ++v) luma[v] = static_cast<uint8_t>(16 + (v * 219 + 127) / 255);
    for (int sum = 0; sum < 511; ++sum) {
      chroma[sum] = static_cast<uint8_t>(128 + ((sum - 256) * 224 + (sum >= 256 ? 255 : -255)) / 510);
    }
  }
};
const VideoLevels kLevels;

// Y, Cb, Cr per pixel to U, Y0, V, Y1 per pair, chroma averaged over the
// pair. An odd last pixel gets U and Y only: the row holds width * 2 bytes.
void PackUyvy(const uint8_t* ycc, int width, uint8_t* dst) {
  int x = 0;
  for (; x + 1 < width; x += 2, ycc += 6, dst += 4) {
    dst[0] = kLevels.chroma[ycc[1] + ycc[4]];
    dst[1] = kLevels.luma[ycc[0]];
    dst[2] = kLevels.chroma[ycc[2] + ycc[5]];
    dst[3] = kLevels.luma[ycc[3]];
  }
  if (x < width) {
    dst[0] = kLevels.chroma[2 * ycc[1]];
    dst[1] = kLevels.luma[ycc[0]];
  }
}

// Rows of a height-row picture that start at firstRow and step by two.
int FieldRows(int height, int firstRow) { return (height - firstRow + 1) / 2; }

}  // namespace

size_t FindStartOfImage(const uint8_t* data, size_t size, size_t from) {
  for (size_t i = from; i + 1 < size; ++i) {
    if (data[i] == 0xFF && data[i + 1] == 0xD8) return i;
  }
  return size;
}

CJpegFrameDecoder::CJpegFrameDecoder() {
  cinfo_.err = jpeg_std_error(&errors_.base);
  errors_.base.error_exit = ReturnToCaller;
  errors_.base.emit_message = CountWarning;
  errors_.base.output_message = Silent;
  // Creating a decompressor fails only for want of memory; that error exits
  // through ReturnToCaller too, so it needs a jump point.
  if (setjmp(errors_.jump)) return;
  jpeg_create_decompress(&cinfo_);
}

CJpegFrameDecoder::~CJpegFrameDecoder() { jpeg_destroy_decompress(&cinfo_); }

void CJpegFrameDecoder::Refuse() { std::longjmp(errors_.jump, 1); }

bool CJpegFrameDecoder::Decode(const uint8_t* data, size_t size, const OutputPicture& out,
                               const DecodeOptions& options) {
  faults_ = 0;
  if (!cinfo_.mem || !data || !out.pixels || out.width <= 0 || out.height <= 0 || size < 4) return false;
  if (data[0] != 0xFF || data[1] != 0xD8) return false;
  if (out.format == PixelFormat::kUyvy) {
    ycbcrRows_.resize(std::max(ycbcrRows_.size(), static_cast<size_t>(out.width) * 3 * kBatchRows));
  }

  // From here on every failure, the library's and ours, returns through this
  // point; nothing with a destructor may live in the frames it leaves.
  if (setjmp(errors_.jump)) {
    jpeg_abort_decompress(&cinfo_);
    return false;
  }
  errors_.base.num_warnings = 0;
  ReadHeader(data, size);
  const int imageWidth = static_cast<int>(cinfo_.image_width);
  const int imageHeight = static_cast<int>(cinfo_.image_height);
  const int firstRow = options.invertFieldOrder ? 1 : 0;
  const bool fieldSized = imageWidth == out.width && out.height > 1 && imageHeight == FieldRows(out.height, firstRow);
  // Switched off, interlaced frames are not shown at all.
  if (fieldSized && !options.supportInterleave) Refuse();
  if (imageWidth == out.width && imageHeight == out.height) {
    DecodeImage(out, options, 0, 1, out.height);
    faults_ = static_cast<int>(errors_.base.num_warnings);
    return true;
  }
  if (!fieldSized) {
    // The frame header's size is the picture's; a JPEG of another size is
    // scaled to it rather than lost.
    if (imageWidth > kMaxScaledDimension || imageHeight > kMaxScaledDimension) Refuse();
    OutputPicture image{out.format, imageWidth, imageHeight, false, nullptr};
    scaled_.resize(static_cast<size_t>(imageWidth) * imageHeight * BytesPerPixel(out.format));
    image.pixels = scaled_.data();
    ycbcrRows_.resize(std::max(ycbcrRows_.size(), static_cast<size_t>(imageWidth) * 3 * kBatchRows));
    DecodeImage(image, options, 0, 1, imageHeight);
    ScaleInto(image, out);
    faults_ = static_cast<int>(errors_.base.num_warnings);
    return true;
  }

  // Two fields: the first image fills every other row, the second the rest.
  const uint8_t* end = DecodeImage(out, options, firstRow, 2, FieldRows(out.height, firstRow));
  const size_t searchFrom = end && end >= data && end <= data + size ? static_cast<size_t>(end - data) : size;
  const size_t second = FindStartOfImage(data, size, searchFrom);
  if (second < size && SecondFieldDecodes(data + second, size - second, out, options, 1 - firstRow)) {
    faults_ = static_cast<int>(errors_.base.num_warnings);
    return true;
  }
  // The second field is missing or unreadable: its rows repeat the first
  // field's, and the frame counts as damaged.
  RepeatField(out, firstRow);
  faults_ = static_cast<int>(errors_.base.num_warnings) + 1;
  return true;
}

bool CJpegFrameDecoder::SecondFieldDecodes(const uint8_t* data, size_t size, const OutputPicture& out,
                                           const DecodeOptions& options, int firstRow) {
  // A failure here returns to this point; the first field's rows stay.
  if (setjmp(errors_.jump)) {
    jpeg_abort_decompress(&cinfo_);
    return false;
  }
  ReadHeader(data, size);
  DecodeImage(out, options, firstRow, 2, FieldRows(out.height, firstRow));
  return true;
}

void CJpegFrameDecoder::RepeatField(const OutputPicture& out, int decodedRow) {
  const size_t rowBytes = static_cast<size_t>(out.width) * BytesPerPixel(out.format);
  for (int row = 1 - decodedRow; row < out.height; row += 2) {
    const int source = row > 0 ? row - 1 : row + 1;  // a row of the decoded field
    if (source >= out.height) continue;
    std::memcpy(PictureRow(out, row), PictureRow(out, source), rowBytes);
  }
}

void CJpegFrameDecoder::ReadHeader(const uint8_t* data, size_t size) {
  jpeg_mem_src(&cinfo_, data, size);
  if (jpeg_read_header(&cinfo_, TRUE) != JPEG_HEADER_OK) Refuse();
}

const uint8_t* CJpegFrameDecoder::DecodeImage(const OutputPicture& out, const DecodeOptions& options,
                                              int firstRow, int rowStep, int rowCount) {
  // An image of another size would not fit the picture.
  if (static_cast<int>(cinfo_.image_width) != out.width || static_cast<int>(cinfo_.image_height) != rowCount) {
    Refuse();
  }
  // Colour and greyscale images; a greyscale one packs with neutral chroma.
  const bool grey = cinfo_.jpeg_color_space == JCS_GRAYSCALE && cinfo_.num_components == 1;
  if (!grey && cinfo_.num_components != 3) Refuse();
  const int components = out.format == PixelFormat::kUyvy && grey ? 1 : 3;
  cinfo_.out_color_space = out.format == PixelFormat::kBgr24 ? JCS_EXT_BGR : grey ? JCS_GRAYSCALE : JCS_YCbCr;
  cinfo_.do_fancy_upsampling = options.fancyUpsampling ? TRUE : FALSE;
  cinfo_.dct_method = JDCT_ISLOW;
  cinfo_.scale_num = 1;
  cinfo_.scale_denom = 1;
  jpeg_start_decompress(&cinfo_);
  if (static_cast<int>(cinfo_.output_width) != out.width || static_cast<int>(cinfo_.output_height) != rowCount ||
      cinfo_.output_components != components) {
    Refuse();
  }

  JSAMPROW rows[kBatchRows];
  while (static_cast<int>(cinfo_.output_scanline) < rowCount) {
    const int imageRow = static_cast<int>(cinfo_.output_scanline);
    const int batch = std::min(kBatchRows, rowCount - imageRow);
    for (int i = 0; i < batch; ++i) {
      rows[i] = out.format == PixelFormat::kBgr24
                    ? PictureRow(out, firstRow + (imageRow + i) * rowStep)
                    : ycbcrRows_.data() + static_cast<size_t>(i) * out.width * 3;
    }
    const int read = static_cast<int>(jpeg_read_scanlines(&cinfo_, rows, static_cast<JDIMENSION>(batch)));
    if (read <= 0) Refuse();
    if (out.format == PixelFormat::kUyvy) StoreRows(out, firstRow, rowStep, imageRow, read, components);
  }
  // Every row is out: what fails from here on (a stray marker after the
  // scan, say) is a fault worked around, not a lost picture.
  std::jmp_buf outer;
  std::memcpy(&outer, &errors_.jump, sizeof outer);
  if (setjmp(errors_.jump)) {
    std::memcpy(&errors_.jump, &outer, sizeof outer);
    ++errors_.base.num_warnings;
    const uint8_t* stopped = cinfo_.src ? cinfo_.src->next_input_byte : nullptr;
    jpeg_abort_decompress(&cinfo_);
    return stopped;
  }
  jpeg_finish_decompress(&cinfo_);
  std::memcpy(&errors_.jump, &outer, sizeof outer);
  // The memory source stops right after the image's EOI marker.
  return cinfo_.src->next_input_byte;
}

void CJpegFrameDecoder::StoreRows(const OutputPicture& out, int firstRow, int rowStep, int imageRow, int count,
                                  int components) {
  for (int i = 0; i < count; ++i) {
    const uint8_t* source = ycbcrRows_.data() + static_cast<size_t>(i) * out.width * components;
    uint8_t* row = PictureRow(out, firstRow + (imageRow + i) * rowStep);
    if (components == 3) {
      PackUyvy(source, out.width, row);
      continue;
    }
    for (int x = 0; x < out.width; ++x) {
      row[2 * x] = 128;
      row[2 * x + 1] = kLevels.luma[source[x]];
    }
  }
}

void CJpegFrameDecoder::ScaleInto(const OutputPicture& image, const OutputPicture& out) {
  // Nearest pixel; packed 4:2:2 is sampled a pair of pixels at a time so
  // that the chroma stays with its luma.
  const int unit = out.format == PixelFormat::kBgr24 ? 1 : 2;
  const int bytesPerUnit = BytesPerPixel(out.format) * unit;
  const int outUnits = (out.width + unit - 1) / unit;
  const int imageUnits = (image.width + unit - 1) / unit;
  const size_t outRowBytes = static_cast<size_t>(out.width) * BytesPerPixel(out.format);
  const size_t imageRowBytes = static_cast<size_t>(image.width) * BytesPerPixel(out.format);
  for (int y = 0; y < out.height; ++y) {
    const uint8_t* source = PictureRow(image, static_cast<int>(static_cast<int64_t>(y) * image.height / out.height));
    uint8_t* row = PictureRow(out, y);
    for (int u = 0; u < outUnits; ++u) {
      const size_t from = static_cast<size_t>(static_cast<int64_t>(u) * imageUnits / outUnits) * bytesPerUnit;
      const size_t to = static_cast<size_t>(u) * bytesPerUnit;
      const size_t bytes = std::min<size_t>({static_cast<size_t>(bytesPerUnit), outRowBytes - to, imageRowBytes - from});
      std::memcpy(row + to, source + from, bytes);
    }
  }
}

}  // namespace bv::mjpg
