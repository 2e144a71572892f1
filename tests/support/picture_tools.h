#pragma once
// Picture files in tests: ImageMagick's convert as the independent maker and
// reader of BMP and JPEG files, BMP bytes with chosen headers, PPM files,
// and the distance between two pictures.
#include <cstdint>
#include <string>
#include <vector>

#include "base/platform/platform_types.h"
#include "tools/samples/test_picture.h"

namespace bv::test {

// Runs convert with the arguments; true when it exits with 0.
bool Convert(const std::vector<std::string>& args);

// A binary PPM (P6, 8 bits) read into R, G, B rows, top row first.
samples::RgbPicture ReadPpm(const std::string& path);
// The picture of a file as convert decodes it (through a PPM).
samples::RgbPicture DecodeWithConvert(const std::string& path);
// Writes a picture as a PPM, for convert to turn into other formats.
void WritePpm(const std::string& path, const samples::RgbPicture& picture);

// BMP bytes: the two headers as given, then bits.
std::vector<uint8_t> BmpBytes(const BITMAPFILEHEADER& file, const BITMAPINFOHEADER& info,
                              const std::vector<uint8_t>& bits);
// A 24-bit bottom-up BMP of a picture, with headers as a recorder writes them.
std::vector<uint8_t> Bmp24Of(const samples::RgbPicture& picture);

// Peak signal-to-noise ratio in dB of two equally long byte arrays
// (infinity when equal).
double Psnr(const uint8_t* a, const uint8_t* b, size_t size);

// Top-down R, G, B rows of a bottom-up DIB of 24 bits with rows padded to
// four bytes.
samples::RgbPicture PictureOfDib24(const uint8_t* bits, int width, int height);

// A page rendered in grey by pdftoppm (one byte a pixel, top row first).
struct GreyPage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
// The first page of a PDF file at dpi; empty when pdftoppm fails.
GreyPage RenderPdfPage(const std::string& pdf, int dpi);

}  // namespace bv::test
