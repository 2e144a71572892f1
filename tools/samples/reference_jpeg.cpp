#include "tools/samples/reference_jpeg.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace bv::samples {

namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

[[noreturn]] void Fail(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }
void FailOnWarning(j_common_ptr info, int level) {
  if (level < 0) Fail(info);
}

}  // namespace

struct CReferenceJpegDecoder::State {
  jpeg_decompress_struct cinfo{};
  ErrorManager errors{};
};

CReferenceJpegDecoder::CReferenceJpegDecoder() : state_(std::make_unique<State>()) {
  state_->cinfo.err = jpeg_std_error(&state_->errors.base);
  state_->errors.base.error_exit = Fail;
  state_->errors.base.emit_message = FailOnWarning;
  jpeg_create_decompress(&state_->cinfo);
}

CReferenceJpegDecoder::~CReferenceJpegDecoder() { jpeg_destroy_decompress(&state_->cinfo); }

bool CReferenceJpegDecoder::Decode(const uint8_t* jpeg, size_t size, Output output, bool fancyUpsampling,
                                   uint8_t* out, size_t capacity, int* width, int* height) {
  jpeg_decompress_struct& cinfo = state_->cinfo;
  if (setjmp(state_->errors.jump)) {
    jpeg_abort_decompress(&cinfo);
    return false;
  }
  jpeg_mem_src(&cinfo, jpeg, size);
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) Fail(reinterpret_cast<j_common_ptr>(&cinfo));
  cinfo.out_color_space = output == Output::kBgr ? JCS_EXT_BGR : JCS_YCbCr;
  cinfo.do_fancy_upsampling = fancyUpsampling ? TRUE : FALSE;
  jpeg_start_decompress(&cinfo);
  const size_t stride = static_cast<size_t>(cinfo.output_width) * 3;
  if (stride * cinfo.output_height > capacity) Fail(reinterpret_cast<j_common_ptr>(&cinfo));
  JSAMPROW rows[16];
  while (cinfo.output_scanline < cinfo.output_height) {
    const JDIMENSION first = cinfo.output_scanline;
    JDIMENSION count = 0;
    for (; count < 16 && first + count < cinfo.output_height; ++count) rows[count] = out + stride * (first + count);
    jpeg_read_scanlines(&cinfo, rows, count);
  }
  jpeg_finish_decompress(&cinfo);
  *width = static_cast<int>(cinfo.output_width);
  *height = static_cast<int>(cinfo.output_height);
  return true;
}

}  // namespace bv::samples
