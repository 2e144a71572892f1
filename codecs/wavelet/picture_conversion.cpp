#include "codecs/wavelet/picture_conversion.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "codecs/wavelet/wavelet_format.h"

namespace bv::wavelet {
namespace {

constexpr double kSampleScale = 1 << kFractionBits;

// The decoder's chroma interpolation in one direction: each sample covers
// two pixels, which take 3/4 of it and 1/4 of the neighbour on their side
// (the end samples repeated).
void Upsample(const double* low, int n, ptrdiff_t lowStride, double* out, ptrdiff_t outStride) {
  for (int i = 0; i < n; ++i) {
    const double c = low[i * lowStride];
    out[2 * i * outStride] = 0.75 * c + 0.25 * low[std::max(i - 1, 0) * lowStride];
    out[(2 * i + 1) * outStride] = 0.75 * c + 0.25 * low[std::min(i + 1, n - 1) * lowStride];
  }
}

// The adjoint of Upsample.
void UpsampleAdjoint(const double* full, int n, ptrdiff_t fullStride, double* low, ptrdiff_t lowStride) {
  for (int i = 0; i < n; ++i) low[i * lowStride] = 0;
  for (int i = 0; i < n; ++i) {
    const double even = full[2 * i * fullStride], odd = full[(2 * i + 1) * fullStride];
    low[i * lowStride] += 0.75 * (even + odd);
    low[std::max(i - 1, 0) * lowStride] += 0.25 * even;
    low[std::min(i + 1, n - 1) * lowStride] += 0.25 * odd;
  }
}

// Full-resolution picture from a half-resolution plane, as the decoder interpolates it.
void Upsample2d(const std::vector<double>& low, int cw, int ch, std::vector<double>& full) {
  const int width = 2 * cw;
  std::vector<double> tall(static_cast<size_t>(cw) * 2 * ch);
  for (int x = 0; x < cw; ++x) Upsample(low.data() + x, ch, cw, tall.data() + x, cw);
  full.resize(static_cast<size_t>(width) * 2 * ch);
  for (int y = 0; y < 2 * ch; ++y)
    Upsample(tall.data() + static_cast<size_t>(y) * cw, cw, 1, full.data() + static_cast<size_t>(y) * width, 1);
}

void Upsample2dAdjoint(const std::vector<double>& full, int cw, int ch, std::vector<double>& low) {
  const int width = 2 * cw;
  std::vector<double> tall(static_cast<size_t>(cw) * 2 * ch);
  for (int y = 0; y < 2 * ch; ++y)
    UpsampleAdjoint(full.data() + static_cast<size_t>(y) * width, cw, 1, tall.data() + static_cast<size_t>(y) * cw, 1);
  low.resize(static_cast<size_t>(cw) * ch);
  for (int x = 0; x < cw; ++x) UpsampleAdjoint(tall.data() + x, ch, cw, low.data() + x, cw);
}

// The half-resolution plane whose interpolation comes closest (least
// squares) to the full-resolution one: steepest descent from the 2x2 means.
std::vector<double> FitChroma(const std::vector<double>& full, int width, int height) {
  const int cw = width / 2, ch = height / 2;
  std::vector<double> low(static_cast<size_t>(cw) * ch);
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x) {
      const size_t i = static_cast<size_t>(2 * y) * width + 2 * x;
      low[static_cast<size_t>(y) * cw + x] = 0.25 * (full[i] + full[i + 1] + full[i + width] + full[i + width + 1]);
    }
  std::vector<double> approx, residual(full.size()), gradient, step;
  for (int iteration = 0; iteration < 12; ++iteration) {
    Upsample2d(low, cw, ch, approx);
    for (size_t i = 0; i < full.size(); ++i) residual[i] = full[i] - approx[i];
    Upsample2dAdjoint(residual, cw, ch, gradient);
    Upsample2d(gradient, cw, ch, step);
    double gradientNorm = 0, stepNorm = 0;
    for (double g : gradient) gradientNorm += g * g;
    for (double s : step) stepNorm += s * s;
    if (stepNorm <= 0 || gradientNorm < 1e-9) break;
    const double mu = gradientNorm / stepNorm;
    for (size_t i = 0; i < low.size(); ++i) low[i] += mu * gradient[i];
  }
  return low;
}

}  // namespace

void ConvertPicture(const uint8_t* rgb, int width, int height, int strideBytes, std::vector<int32_t> planes[3]) {
  planes[0].assign(static_cast<size_t>(width) * height, 0);
  std::vector<double> cb(static_cast<size_t>(width) * height), cr(cb.size());
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = rgb + static_cast<ptrdiff_t>(y) * strideBytes;
    for (int x = 0; x < width; ++x) {
      const double r = row[3 * x], g = row[3 * x + 1], b = row[3 * x + 2];
      const size_t i = static_cast<size_t>(y) * width + x;
      const double luma = 0.299 * r + 0.587 * g + 0.114 * b;
      planes[0][i] = static_cast<int32_t>(std::lround((luma - 128.0) * kSampleScale));
      cb[i] = -0.168736 * r - 0.331264 * g + 0.5 * b;
      cr[i] = 0.5 * r - 0.418688 * g - 0.081312 * b;
    }
  }
  for (int c = 0; c < 2; ++c) {
    const std::vector<double> low = FitChroma(c == 0 ? cb : cr, width, height);
    std::vector<int32_t>& out = planes[1 + c];
    out.resize(low.size());
    for (size_t i = 0; i < low.size(); ++i)
      out[i] = static_cast<int32_t>(std::lround(std::clamp(low[i], -128.0, 127.0) * kSampleScale));
  }
}

}  // namespace bv::wavelet
