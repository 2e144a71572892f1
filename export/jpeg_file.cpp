#include "export/jpeg_file.h"

#include <csetjmp>
#include <cstdio>
#include <new>

#include <sys/stat.h>

#include <jpeglib.h>
#include <jerror.h>

#include "base/host/control_ids.h"
#include "base/platform/atomic_file.h"
#include "base/platform/string_printf.h"

namespace bv {
namespace {

// libjpeg's standard error manager with the way back to the caller and the
// sink its messages go to.
struct JpegErrors {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  const PictureMessageSink* messages = nullptr;
};

// Our own message, kept in the library's add-on table so that it goes the
// library's way (format_message, error_exit).
constexpr int kTooManyScansCode = 1000;
const char* const kAddonMessages[] = {"Too many scans in a progressive JPEG (more than %d)", nullptr};

JpegErrors& ErrorsOf(j_common_ptr info) { return *reinterpret_cast<JpegErrors*>(info->err); }

void Post(const PictureMessageSink* messages, const char* caption, const std::string& text, MessageIcon icon) {
  if (messages && *messages) (*messages)(PictureMessage{caption, text, icon});
}

void PostLibraryMessage(j_common_ptr info, const char* caption, MessageIcon icon) {
  char text[JMSG_LENGTH_MAX] = {};
  (*info->err->format_message)(info, text);
  Post(ErrorsOf(info).messages, caption, text, icon);
}

// error_exit: show the message, then return to the routine that set the
// jump buffer. Nothing with a destructor is alive in this frame at the jump.
[[noreturn]] void ReturnToCaller(j_common_ptr info) {
  PostLibraryMessage(info, kJpegFatalErrorCaption, MessageIcon::kError);
  std::longjmp(ErrorsOf(info).jump, 1);
}

// output_message: the library's warnings (it passes on the first of a
// picture only, unless traced).
void ShowWarning(j_common_ptr info) { PostLibraryMessage(info, kJpegWarningCaption, MessageIcon::kNone); }

void LimitScans(j_common_ptr info) {
  if (!info->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number <= kMaxJpegScans) return;
  info->err->msg_code = kTooManyScansCode;
  info->err->msg_parm.i[0] = kMaxJpegScans;
  (*info->err->error_exit)(info);
}

void SetUpErrors(JpegErrors& errors, const PictureMessageSink& messages) {
  jpeg_std_error(&errors.base);
  errors.base.error_exit = ReturnToCaller;
  errors.base.output_message = ShowWarning;
  errors.base.addon_message_table = kAddonMessages;
  errors.base.first_addon_message = kTooManyScansCode;
  errors.base.last_addon_message = kTooManyScansCode;
  errors.messages = &messages;
}

// Everything the coding routines change that must outlive a jump back to
// them lives here, in the caller's frame, not in the frame of setjmp.
struct WriteJob {
  const uint8_t* pixels;
  int width;
  int height;
  int quality;
  CAtomicFile file;
};

// Runs the compressor into the open file; false when the library failed
// (its message shown).
bool Compress(jpeg_compress_struct& cinfo, JpegErrors& errors, WriteJob& job) {
  if (setjmp(errors.jump)) return false;
  jpeg_stdio_dest(&cinfo, job.file.Stream());
  cinfo.image_width = static_cast<JDIMENSION>(job.width);
  cinfo.image_height = static_cast<JDIMENSION>(job.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, job.quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const size_t rowBytes = static_cast<size_t>(job.width) * 3;
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(job.pixels + cinfo.next_scanline * rowBytes);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  return true;
}

struct ReadJob {
  FILE* file = nullptr;
  uint64_t maxDibBytes = 0;
  std::unique_ptr<uint8_t[]> pixels;
  int width = 0;
  int height = 0;
  bool refused = false;  // refused before decoding, message shown
};

// Refuses, with a message, a picture larger than the caller can take.
bool RefuseOversized(jpeg_decompress_struct& cinfo, const PictureMessageSink& messages, ReadJob& job) {
  jpeg_calc_output_dimensions(&cinfo);
  const uint64_t rowBytes = (static_cast<uint64_t>(cinfo.output_width) * 3 + 3) & ~uint64_t{3};
  if (rowBytes * cinfo.output_height <= job.maxDibBytes) return false;
  Post(&messages, kApplicationTitle,
       StringPrintf("JpegFile :\nPicture too large (%u x %u)", cinfo.output_width, cinfo.output_height),
       MessageIcon::kError);
  job.refused = true;
  return true;
}

// Refuses, under the library's fatal error, a Huffman-coded file too short
// to hold the picture its header declares: each 8 x 8 block of each
// component starts with a coded DC difference, at least one bit. Decoding
// such a file would only fill a picture of the declared size (hundreds of
// megabytes at most) with grey, taking seconds for nothing. Arithmetic
// coding has no such floor (a flat picture takes almost nothing).
void RefuseCutShort(jpeg_decompress_struct& cinfo, ReadJob& job) {
  if (cinfo.arith_code) return;
  uint64_t blocks = 0;
  for (int c = 0; c < cinfo.num_components; ++c) {
    blocks += static_cast<uint64_t>(cinfo.comp_info[c].width_in_blocks) * cinfo.comp_info[c].height_in_blocks;
  }
  struct stat info {};
  if (fstat(fileno(job.file), &info) != 0 || !S_ISREG(info.st_mode)) return;
  if (static_cast<uint64_t>(info.st_size) * 8 >= blocks) return;
  cinfo.err->msg_code = JWRN_JPEG_EOF;
  (*cinfo.err->error_exit)(reinterpret_cast<j_common_ptr>(&cinfo));
}

bool Decompress(jpeg_decompress_struct& cinfo, JpegErrors& errors, const PictureMessageSink& messages,
                ReadJob& job) {
  if (setjmp(errors.jump)) return false;
  jpeg_stdio_src(&cinfo, job.file);
  jpeg_read_header(&cinfo, TRUE);
  if (RefuseOversized(cinfo, messages, job)) return false;
  RefuseCutShort(cinfo, job);
  jpeg_start_decompress(&cinfo);

  const size_t width = cinfo.output_width;
  const size_t height = cinfo.output_height;
  job.pixels.reset(new (std::nothrow) uint8_t[width * height * 3]());
  if (!job.pixels) {
    Post(&messages, kApplicationTitle, "JpegFile :\nOut of memory", MessageIcon::kError);
    job.refused = true;
    return false;
  }
  job.width = static_cast<int>(width);
  job.height = static_cast<int>(height);
  const int components = cinfo.output_components;
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                               static_cast<JDIMENSION>(width * components), 1);
  while (cinfo.output_scanline < cinfo.output_height) {
    // A stdio source never suspends; a zero is a damaged stream ending.
    if (jpeg_read_scanlines(&cinfo, row, 1) != 1) break;
    uint8_t* out = job.pixels.get() + (cinfo.output_scanline - 1) * width * 3;
    const uint8_t* in = row[0];
    if (components == 3) {
      for (size_t i = 0; i < width * 3; ++i) out[i] = in[i];
    } else if (components == 1) {
      for (size_t x = 0; x < width; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[x];
    }
    // Other colour layouts are not decoded: their rows stay zero.
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

}  // namespace

int WriteJpegFile(const std::string& fileName, const uint8_t* pixels, int width, int height, int colour,
                  int quality, const PictureMessageSink& messages) {
  (void)colour;
  if (!pixels || width <= 0 || height <= 0) return 0;
  jpeg_compress_struct cinfo{};
  JpegErrors errors;
  SetUpErrors(errors, messages);
  cinfo.err = &errors.base;
  jpeg_create_compress(&cinfo);

  WriteJob job{pixels, width, height, quality, {}};
  if (!job.file.Open(fileName)) {
    Post(&messages, kApplicationTitle, StringPrintf("JpegFile :\nCan't open %s\n", fileName.c_str()),
         MessageIcon::kNone);
    jpeg_destroy_compress(&cinfo);
    return 0;
  }
  const bool compressed = Compress(cinfo, errors, job);
  jpeg_destroy_compress(&cinfo);
  if (!compressed) return 0;  // the temporary file goes with job
  if (!job.file.Commit()) {
    // Written but not stored (a full disk found at the close, or the
    // rename refused): the target is as it was.
    Post(&messages, kApplicationTitle, StringPrintf("JpegFile :\nCan't open %s\n", fileName.c_str()),
         MessageIcon::kNone);
    return 0;
  }
  return 1;
}

std::unique_ptr<uint8_t[]> ReadJpegFile(const std::string& fileName, int* width, int* height,
                                        const PictureMessageSink& messages, uint64_t maxDibBytes) {
  *width = 0;
  *height = 0;
  ReadJob job;
  job.maxDibBytes = maxDibBytes;
  job.file = std::fopen(fileName.c_str(), "rb");
  if (!job.file) {
    Post(&messages, kApplicationTitle, StringPrintf("JPEG :\nCan't open %s\n", fileName.c_str()),
         MessageIcon::kNone);
    return nullptr;
  }
  jpeg_decompress_struct cinfo{};
  JpegErrors errors;
  SetUpErrors(errors, messages);
  cinfo.err = &errors.base;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = LimitScans;
  jpeg_create_decompress(&cinfo);
  cinfo.progress = &progress;

  const bool decoded = Decompress(cinfo, errors, messages, job);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(job.file);
  if (!decoded) return nullptr;
  *width = job.width;
  *height = job.height;
  return std::move(job.pixels);
}

}  // namespace bv
