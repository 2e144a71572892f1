#include "tests/wavelet_test_support.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "codecs/codec_module.h"
#include "tests/support/temp_dir.h"

namespace bv::test {

WaveletDecodeFn LoadWaveletModule() {
  static WaveletDecodeFn decode = [] () -> WaveletDecodeFn {
    TempDir systemDir;
    std::error_code ec;
    // Copied under another case to exercise the case-blind lookup too.
    std::filesystem::copy_file(WAVELET_MODULE_PATH, systemDir.File("DecoderDll.dll"), ec);
    if (ec) return nullptr;
    setenv("BACKUP_VIEWER_SYSTEM_DIR", systemDir.path().c_str(), 1);
    CCodecModule* module = CCodecModule::Load("decoderdll.dll");
    unsetenv("BACKUP_VIEWER_SYSTEM_DIR");
    return module ? module->Function<WaveletDecodeFn>(kWaveletDecodeSymbol) : nullptr;
  }();
  return decode;
}

uint8_t* CWaveletWorkBlock::Plane(int n) {
  static constexpr size_t kOffsets[8] = {0, 4, 414724, 516100, 617476, 1022980, 1124356, 1225732};
  return bytes_.data() + kOffsets[n];
}

DecodeCall CallDecoder(WaveletDecodeFn decode, CWaveletWorkBlock& block, const std::vector<uint8_t>& payload,
                       int rgb, uint8_t staleFill, uint8_t outputFill) {
  constexpr size_t kBufferSize = 0x129000;
  std::vector<uint8_t> readBuffer(kBufferSize, staleFill);
  std::copy(payload.begin(), payload.begin() + std::min(payload.size(), kBufferSize), readBuffer.begin());
  DecodeCall call;
  call.output.assign(kBufferSize, outputFill);
  call.result = decode(block.Object(), block.Plane(1), block.Plane(2), block.Plane(3), block.Plane(4),
                       block.Plane(5), block.Plane(6), block.Plane(7), readBuffer.data(), call.output.data(), 0, rgb,
                       0, 2, static_cast<uint32_t>(payload.size()));
  return call;
}

double PsnrOfBgr(const samples::RgbPicture& source, const uint8_t* bgr) {
  double squared = 0;
  for (int y = 0; y < source.height; ++y) {
    const uint8_t* row = source.Row(y);
    const uint8_t* out = bgr + static_cast<size_t>(y) * source.width * 3;
    for (int x = 0; x < source.width; ++x) {
      for (int c = 0; c < 3; ++c) {
        const int d = row[3 * x + c] - out[3 * x + 2 - c];
        squared += d * d;
      }
    }
  }
  const double mse = squared / (3.0 * source.width * source.height);
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace bv::test
