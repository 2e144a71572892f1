#include "tests/support/picture_checks.h"

#include <cmath>

#include "codecs/wavelet/wavelet_encoder.h"
#include "tools/samples/mpeg4_encode.h"
#include "tools/samples/reference_mpeg4.h"

namespace bv::test {

std::vector<uint8_t> FlipRows(const std::vector<uint8_t>& pixels, int rowBytes) {
  const size_t rows = pixels.size() / rowBytes;
  std::vector<uint8_t> flipped(pixels.size());
  for (size_t r = 0; r < rows; ++r) {
    std::copy_n(pixels.begin() + r * rowBytes, rowBytes, flipped.begin() + (rows - 1 - r) * rowBytes);
  }
  return flipped;
}

double PsnrAgainst(const std::vector<uint8_t>& bgrTopDown, const samples::RgbPicture& original) {
  double squared = 0;
  for (int y = 0; y < original.height; ++y) {
    for (int x = 0; x < original.width; ++x) {
      const uint8_t* bgr = &bgrTopDown[(static_cast<size_t>(y) * original.width + x) * 3];
      const uint8_t* rgb = original.Row(y) + x * 3;
      for (int c = 0; c < 3; ++c) {
        const double d = double(bgr[2 - c]) - rgb[c];
        squared += d * d;
      }
    }
  }
  const double mse = squared / (3.0 * original.width * original.height);
  return 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
}

Mpeg4Clip EncodeMpeg4Clip(int width, int height, int frames, int keyFrameInterval, samples::TestScene scene) {
  samples::Mpeg4EncoderOptions options;
  options.width = width;
  options.height = height;
  options.keyFrameInterval = keyFrameInterval;
  samples::CMpeg4Encoder encoder(options);
  Mpeg4Clip clip;
  for (int i = 0; i < frames; ++i) {
    clip.pictures.push_back(samples::MakeTestPicture(width, height, i, scene));
    clip.payloads.push_back(encoder.EncodePayload(clip.pictures.back()));
  }
  return clip;
}

std::vector<std::vector<uint8_t>> ReferenceMpeg4Pictures(const Mpeg4Clip& clip, bool rgb) {
  samples::CReferenceMpeg4Decoder reference;
  std::vector<std::vector<uint8_t>> pictures;
  for (const auto& payload : clip.payloads) {
    std::vector<uint8_t> out(704 * 576 * 3);
    int w = 0;
    int h = 0;
    if (!reference.Decode(payload.data() + 8, payload.size() - 8, rgb, out.data(), out.size(), &w, &h)) w = h = 0;
    out.resize(static_cast<size_t>(w) * h * (rgb ? 3 : 2));
    pictures.push_back(std::move(out));
  }
  return pictures;
}

WaveletClip EncodeWaveletClip(int width, int height, int frames, int keyFrameInterval, int quality) {
  CWaveletEncoder encoder(quality);
  WaveletClip clip;
  for (int i = 0; i < frames; ++i) {
    const samples::RgbPicture picture = samples::MakeTestPicture(width, height, i);
    clip.payloads.push_back(
        encoder.Encode(picture.pixels.data(), width, height, width * 3, i % keyFrameInterval == 0));
    clip.reconstructed.push_back(encoder.ReconstructedBgr());
  }
  return clip;
}

}  // namespace bv::test
