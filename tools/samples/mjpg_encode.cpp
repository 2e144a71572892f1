#include "tools/samples/mjpg_encode.h"

#include "tools/samples/mjpg_variants.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "base/platform/platform_types.h"

namespace bv::samples {
namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void ReturnToCaller(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(const RgbPicture& picture, int quality) { return EncodeJpegAs(picture, quality, false); }

std::vector<uint8_t> EncodeGreyscaleJpeg(const RgbPicture& picture, int quality) {
  return EncodeJpegAs(picture, quality, true);
}

std::vector<uint8_t> EncodeJpegAs(const RgbPicture& picture, int quality, bool greyscale) {
  jpeg_compress_struct cinfo{};
  ErrorManager errors{};
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = ReturnToCaller;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return {};
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(picture.width);
  cinfo.image_height = static_cast<JDIMENSION>(picture.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (greyscale) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(picture.Row(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

std::vector<uint8_t> MakeMjpgPayload(const RgbPicture& picture, int quality) {
  return WrapMjpgPayload(EncodeJpeg(picture, quality), picture.width, picture.height);
}

}  // namespace bv::samples
