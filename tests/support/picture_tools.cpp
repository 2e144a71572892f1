#include "tests/support/picture_tools.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

#include <unistd.h>

#include "export/dib_picture.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

namespace bv::test {
namespace {

std::string OnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string candidate = dir + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return name;
}

}  // namespace

bool Convert(const std::vector<std::string>& args) {
  static const std::string program = OnPath("convert");
  return RunCommand(program, args).exitCode == 0;
}

samples::RgbPicture ReadPpm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int width = 0;
  int height = 0;
  int maximum = 0;
  in >> magic >> width >> height >> maximum;
  in.get();
  if (magic != "P6" || maximum != 255 || width <= 0 || height <= 0) return {};
  samples::RgbPicture picture(width, height);
  in.read(reinterpret_cast<char*>(picture.pixels.data()), static_cast<std::streamsize>(picture.pixels.size()));
  if (!in) return {};
  return picture;
}

samples::RgbPicture DecodeWithConvert(const std::string& path) {
  TempDir dir;
  const std::string ppm = dir.File("decoded.ppm");
  if (!Convert({path, "-depth", "8", "ppm:" + ppm})) return {};
  return ReadPpm(ppm);
}

void WritePpm(const std::string& path, const samples::RgbPicture& picture) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "P6\n" << picture.width << " " << picture.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(picture.pixels.data()), static_cast<std::streamsize>(picture.pixels.size()));
}

std::vector<uint8_t> BmpBytes(const BITMAPFILEHEADER& file, const BITMAPINFOHEADER& info,
                              const std::vector<uint8_t>& bits) {
  constexpr size_t kHeaders = BITMAPFILEHEADER::kSize + BITMAPINFOHEADER::kSize;
  std::vector<uint8_t> bytes(kHeaders + bits.size());
  file.ToBytes(bytes.data());
  info.ToBytes(bytes.data() + BITMAPFILEHEADER::kSize);
  std::copy(bits.begin(), bits.end(), bytes.begin() + kHeaders);
  return bytes;
}

std::vector<uint8_t> Bmp24Of(const samples::RgbPicture& picture) {
  const size_t rowBytes = DibRowBytes(picture.width, 24);
  std::vector<uint8_t> bits(rowBytes * picture.height, 0);
  for (int y = 0; y < picture.height; ++y) {
    const uint8_t* in = picture.Row(y);
    uint8_t* out = bits.data() + (picture.height - 1 - y) * rowBytes;
    for (int x = 0; x < picture.width; ++x) {
      out[3 * x] = in[3 * x + 2];
      out[3 * x + 1] = in[3 * x + 1];
      out[3 * x + 2] = in[3 * x];
    }
  }
  BITMAPFILEHEADER file;
  file.bfType = 0x4D42;
  file.bfSize = static_cast<uint32_t>(54 + bits.size());
  file.bfOffBits = 54;
  BITMAPINFOHEADER info;
  info.biSize = 40;
  info.biWidth = picture.width;
  info.biHeight = picture.height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = static_cast<uint32_t>(bits.size());
  return BmpBytes(file, info, bits);
}

double Psnr(const uint8_t* a, const uint8_t* b, size_t size) {
  double sum = 0;
  for (size_t i = 0; i < size; ++i) {
    const double d = static_cast<double>(a[i]) - b[i];
    sum += d * d;
  }
  if (sum == 0) return std::numeric_limits<double>::infinity();
  return 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(size) / sum);
}

samples::RgbPicture PictureOfDib24(const uint8_t* bits, int width, int height) {
  samples::RgbPicture picture(width, height);
  const size_t rowBytes = DibRowBytes(width, 24);
  for (int y = 0; y < height; ++y) {
    const uint8_t* in = bits + (height - 1 - y) * rowBytes;
    uint8_t* out = picture.Row(y);
    for (int x = 0; x < width; ++x) {
      out[3 * x] = in[3 * x + 2];
      out[3 * x + 1] = in[3 * x + 1];
      out[3 * x + 2] = in[3 * x];
    }
  }
  return picture;
}

GreyPage RenderPdfPage(const std::string& pdf, int dpi) {
  static const std::string program = OnPath("pdftoppm");
  TempDir dir;
  const std::string prefix = dir.File("page");
  if (RunCommand(program, {"-r", std::to_string(dpi), "-gray", "-singlefile", pdf, prefix}).exitCode != 0) return {};
  std::ifstream in(prefix + ".pgm", std::ios::binary);
  std::string magic;
  GreyPage page;
  int maximum = 0;
  in >> magic >> page.width >> page.height >> maximum;
  in.get();
  if (magic != "P5" || maximum != 255 || page.width <= 0 || page.height <= 0) return {};
  page.pixels.resize(static_cast<size_t>(page.width) * page.height);
  in.read(reinterpret_cast<char*>(page.pixels.data()), static_cast<std::streamsize>(page.pixels.size()));
  if (!in) return {};
  return page;
}

}  // namespace bv::test
