#include "codecs/wavelet/wavelet_encoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "codecs/wavelet/checksum.h"
#include "codecs/wavelet/colour_output.h"
#include "codecs/wavelet/entropy_tables.h"
#include "codecs/wavelet/inverse_transform.h"
#include "codecs/wavelet/plane_geometry.h"
#include "codecs/wavelet/wavelet_decoder.h"
#include "codecs/wavelet/wavelet_format.h"

namespace bv {
namespace {

using namespace bv::wavelet;

constexpr double kSampleScale = 1 << kFractionBits;

// Chroma is coded this much finer than luma: RGB error weighs colour heavily.
constexpr double kChromaStepFactor = 0.8;
// Dead zone: magnitudes are rounded down by this fraction of a step.
constexpr double kDeadZone = 0.2;
// Reconstruction point above the interval's lower end, in 1/16 of a step.
constexpr int kReconstructionOffset = 2;

int BaseStepForQuality(int quality) {
  const double stepInPixels = 0.5 * std::pow(2.0, (100 - quality) / 12.5);
  const int step = static_cast<int>(std::lround(stepInPixels * kSampleScale * 16));
  return std::clamp(step, 1, kMaxBaseStep);
}

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

// RGB to centred full-range YCbCr in transform units; chroma at half
// resolution in both directions, fitted to the decoder's interpolation.
void ConvertPicture(const uint8_t* rgb, int width, int height, int stride, std::vector<int32_t> planes[3]) {
  planes[0].assign(static_cast<size_t>(width) * height, 0);
  std::vector<double> cb(static_cast<size_t>(width) * height), cr(cb.size());
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = rgb + static_cast<ptrdiff_t>(y) * stride;
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

class CBitWriter {
 public:
  void Write(uint32_t value, int bits) {
    for (int i = 0; i < bits; ++i) {
      if (count_ % 8 == 0) bytes_.push_back(0);
      bytes_.back() |= static_cast<uint8_t>(((value >> i) & 1) << (count_ % 8));
      ++count_;
    }
  }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t count_ = 0;
};

struct Symbol {
  uint8_t table;
  uint8_t token;
};

struct SymbolStream {
  std::vector<Symbol> symbols;
  CBitWriter raw;
  std::array<std::array<uint32_t, kAlphabetSize>, kTableCount> counts{};

  void Add(int table, int token) {
    symbols.push_back(Symbol{static_cast<uint8_t>(table), static_cast<uint8_t>(token)});
    ++counts[table][token];
  }
};

int BitLength(uint32_t v) { return v == 0 ? 0 : 32 - __builtin_clz(v); }

// Quantises one plane's coefficients and appends its symbols in the order
// the decoder reads them.
void CodePlane(const PlaneGeometry& g, const std::vector<int32_t>& coefficients, int planeType, int baseStep,
               SymbolStream& stream) {
  std::vector<uint32_t> magnitude(coefficients.size());
  std::vector<uint8_t> negative(coefficients.size());
  std::vector<std::vector<uint8_t>> classes(g.bandCount);
  for (int bi = 0; bi < g.bandCount; ++bi) {
    const Band& band = g.bands[bi];
    const double step = SubbandStep(baseStep, band.weight) / 16.0;
    for (int y = band.y; y < band.y + band.height; ++y) {
      for (int x = band.x; x < band.x + band.width; ++x) {
        const size_t i = static_cast<size_t>(y) * g.width + x;
        const double a = std::abs(coefficients[i]) / step;
        const double q = std::floor(a + 0.5 - kDeadZone);
        magnitude[i] = static_cast<uint32_t>(std::clamp(q, 0.0, 32767.0));
        negative[i] = coefficients[i] < 0;
      }
    }
    const int across = BlocksAcross(band), down = BlocksDown(band);
    classes[bi].assign(static_cast<size_t>(across) * down, 0);
    const std::vector<uint8_t>* parentClasses = band.parent >= 0 ? &classes[band.parent] : nullptr;
    const int parentAcross = band.parent >= 0 ? BlocksAcross(g.bands[band.parent]) : 0;
    const int parentDown = band.parent >= 0 ? BlocksDown(g.bands[band.parent]) : 0;
    for (int by = 0; by < down; ++by) {
      const int blockHeight = std::min(kBlockSize, band.height - by * kBlockSize);
      for (int bx = 0; bx < across; ++bx) {
        const int blockWidth = std::min(kBlockSize, band.width - bx * kBlockSize);
        const int x0 = band.x + bx * kBlockSize, y0 = band.y + by * kBlockSize;
        uint32_t largest = 0;
        for (int r = 0; r < blockHeight; ++r)
          for (int c = 0; c < blockWidth; ++c)
            largest = std::max(largest, magnitude[static_cast<size_t>(y0 + r) * g.width + x0 + c]);
        const int blockClass = BitLength(largest);
        const int left = bx > 0 ? classes[bi][by * across + bx - 1] : 0;
        const int upper = by > 0 ? classes[bi][(by - 1) * across + bx] : 0;
        const int parent = parentClasses ? (*parentClasses)[std::min(by / 2, parentDown - 1) * parentAcross +
                                                            std::min(bx / 2, parentAcross - 1)]
                                         : 0;
        classes[bi][by * across + bx] = static_cast<uint8_t>(blockClass);
        stream.Add(ClassTableId(planeType, band.group, ClassContext(left, upper, parent)), blockClass);
        if (blockClass == 0) continue;
        const int table = CoefficientTableId(planeType, band.group, blockClass);
        const int rawBits = RawBitsOfClass(blockClass);
        const int group = GroupSizeOfClass(blockClass);
        for (int r = 0; r < blockHeight; ++r) {
          for (int c = 0; c < blockWidth; c += group) {
            const size_t first = static_cast<size_t>(y0 + r) * g.width + x0 + c;
            const int count = std::min(group, blockWidth - c);
            if (group > 1) {
              int token = 0;
              for (int j = 0; j < count; ++j) token |= static_cast<int>(magnitude[first + j]) << (blockClass * j);
              stream.Add(table, token);
            }
            for (int j = 0; j < count; ++j) {
              const uint32_t m = magnitude[first + j];
              if (group == 1) {
                stream.Add(table, static_cast<int>(m >> rawBits));
                if (rawBits > 0) stream.raw.Write(m & ((1u << rawBits) - 1), rawBits);
              }
              if (m != 0) stream.raw.Write(negative[first + j], 1);
            }
          }
        }
      }
    }
  }
}

void PutLe16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}
void PutLe32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// The table section and the normalised tables the rANS coder uses.
std::vector<uint8_t> WriteTables(const SymbolStream& stream, std::array<FrequencyTable, kTableCount>& tables) {
  CBitWriter bits;
  int used = 0;
  for (int id = 0; id < kTableCount; ++id)
    if (*std::max_element(stream.counts[id].begin(), stream.counts[id].end()) > 0) ++used;
  bits.Write(static_cast<uint32_t>(used), 8);
  for (int id = 0; id < kTableCount; ++id) {
    const auto& counts = stream.counts[id];
    const uint32_t largest = *std::max_element(counts.begin(), counts.end());
    if (largest == 0) continue;
    int symbolCount = kAlphabetSize;
    while (counts[symbolCount - 1] == 0) --symbolCount;
    uint8_t logWeights[kAlphabetSize] = {};
    for (int s = 0; s < symbolCount; ++s) logWeights[s] = LogWeightOf(counts[s], largest);
    NormaliseLogWeights(logWeights, symbolCount, &tables[id]);
    bits.Write(static_cast<uint32_t>(id), 8);
    bits.Write(static_cast<uint32_t>(symbolCount - 1), 4);
    for (int s = 0; s < symbolCount; ++s) bits.Write(logWeights[s], 5);
  }
  return bits.Bytes();
}

// The rANS section: the final states, then the words in reading order.
std::vector<uint8_t> WriteRans(const SymbolStream& stream, const std::array<FrequencyTable, kTableCount>& tables) {
  uint32_t state[kRansStates];
  std::fill(std::begin(state), std::end(state), kRansLow);
  std::vector<uint16_t> words;
  for (size_t n = stream.symbols.size(); n-- > 0;) {
    const Symbol& s = stream.symbols[n];
    const FrequencyTable& t = tables[s.table];
    const uint32_t f = t.frequency[s.token];
    uint32_t& x = state[n % kRansStates];
    const uint64_t limit = (static_cast<uint64_t>(kRansLow >> kProbabilityBits) << 16) * f;
    while (x >= limit) {
      words.push_back(static_cast<uint16_t>(x & 0xFFFF));
      x >>= 16;
    }
    x = ((x / f) << kProbabilityBits) + (x % f) + t.start[s.token];
  }
  std::vector<uint8_t> out(4 * kRansStates + 2 * words.size());
  for (int i = 0; i < kRansStates; ++i) PutLe32(out, 4 * i, state[i]);
  size_t at = 4 * kRansStates;
  for (size_t i = words.size(); i-- > 0; at += 2) PutLe16(out, at, words[i]);
  return out;
}

}  // namespace

CWaveletEncoder::CWaveletEncoder(int quality)
    : quality_(std::clamp(quality, 1, 100)), workspace_(std::make_unique<DecoderWorkspace>()),
      record_(kPictureRecordSize, 0) {}

CWaveletEncoder::~CWaveletEncoder() = default;

std::vector<uint8_t> CWaveletEncoder::Encode(const uint8_t* rgb, int width, int height, int strideBytes,
                                             bool keyFrame) {
  if (!IsSupportedSize(width, height) || strideBytes < width * 3) return {};
  const bool delta = !keyFrame && havePicture_ && width == width_ && height == height_;
  std::vector<int32_t> planes[3];
  ConvertPicture(rgb, width, height, strideBytes, planes);
  if (delta) {
    const std::vector<uint8_t>* held[3] = {&luma_, &cb_, &cr_};
    for (int p = 0; p < 3; ++p)
      for (size_t i = 0; i < planes[p].size(); ++i)
        planes[p][i] -= (static_cast<int32_t>((*held[p])[i]) - 128) * (1 << kFractionBits);
  }
  const PlaneGeometry lumaGeometry = MakePlaneGeometry(width, height);
  const PlaneGeometry chromaGeometry = MakePlaneGeometry(width / 2, height / 2);
  AnalyzePlane(lumaGeometry, planes[0].data());
  AnalyzePlane(chromaGeometry, planes[1].data());
  AnalyzePlane(chromaGeometry, planes[2].data());

  int lumaStep = BaseStepForQuality(quality_);
  for (;;) {
    const int chromaStep = std::clamp(static_cast<int>(std::lround(lumaStep * kChromaStepFactor)), 1, kMaxBaseStep);
    std::vector<uint8_t> payload = EncodeWithStep(planes, width, height, delta, lumaStep, chromaStep);
    if (payload.size() - kPrefixSize <= kMaxCodedSize) {
      if (!AcceptPayload(payload)) return {};
      width_ = width;
      height_ = height;
      return payload;
    }
    // Too big for the viewer's read buffer: code coarser.
    if (lumaStep >= kMaxBaseStep) return {};
    lumaStep = std::min(kMaxBaseStep, lumaStep * 5 / 4 + 1);
  }
}

std::vector<uint8_t> CWaveletEncoder::EncodeWithStep(const std::vector<int32_t> planes[3], int width, int height,
                                                     bool delta, int lumaStep, int chromaStep) {
  const PlaneGeometry lumaGeometry = MakePlaneGeometry(width, height);
  const PlaneGeometry chromaGeometry = MakePlaneGeometry(width / 2, height / 2);
  auto stream = std::make_unique<SymbolStream>();
  CodePlane(lumaGeometry, planes[0], kLuma, lumaStep, *stream);
  CodePlane(chromaGeometry, planes[1], kChroma, chromaStep, *stream);
  CodePlane(chromaGeometry, planes[2], kChroma, chromaStep, *stream);

  std::array<FrequencyTable, kTableCount> tables{};
  const std::vector<uint8_t> tableBytes = WriteTables(*stream, tables);
  const std::vector<uint8_t> ransBytes = WriteRans(*stream, tables);
  const std::vector<uint8_t>& rawBytes = stream->raw.Bytes();

  std::vector<uint8_t> payload(kPrefixSize + kHeaderSize + 2);
  payload.insert(payload.end(), tableBytes.begin(), tableBytes.end());
  payload.insert(payload.end(), ransBytes.begin(), ransBytes.end());
  payload.insert(payload.end(), rawBytes.begin(), rawBytes.end());
  const size_t length = payload.size() - kPrefixSize;
  if (length > kMaxCodedSize) return payload;  // the caller retries coarser

  PictureRecord held;
  const bool chained = delta && ReadPictureRecord(record_.data(), &held);
  const uint8_t kind = !delta ? kKindKey : (lastWasKey_ ? kKindDelta : kKindDeltaChain);
  payload[0] = static_cast<uint8_t>(length >> 16);
  payload[1] = static_cast<uint8_t>(length >> 8);
  payload[2] = static_cast<uint8_t>(length);
  payload[3] = kind;
  payload[4] = static_cast<uint8_t>(height >> 8);
  payload[5] = static_cast<uint8_t>(height);
  payload[6] = static_cast<uint8_t>(width >> 8);
  payload[7] = static_cast<uint8_t>(width);
  uint8_t* data = payload.data() + kPrefixSize;
  data[0] = kFormatVersion;
  data[1] = 0;
  PutLe16(payload, kPrefixSize + 2, static_cast<uint32_t>(lumaStep));
  PutLe16(payload, kPrefixSize + 4, static_cast<uint32_t>(chromaStep));
  data[6] = kReconstructionOffset;
  data[7] = kReconstructionOffset;
  PutLe32(payload, kPrefixSize + 12, chained ? held.identity : 0);
  PutLe32(payload, kPrefixSize + 16, static_cast<uint32_t>(rawBytes.size()));
  PutLe16(payload, kPrefixSize + kHeaderSize, static_cast<uint32_t>(tableBytes.size()));
  const uint64_t seed = static_cast<uint64_t>(kind) << 32 | static_cast<uint64_t>(height) << 16 | width;
  PutLe32(payload, kPrefixSize + kChecksumOffset, Checksum32(data + kChecksummedFrom, length - kChecksummedFrom, seed));
  return payload;
}

bool CWaveletEncoder::AcceptPayload(const std::vector<uint8_t>& payload) {
  const int width = payload[6] << 8 | payload[7];
  const int height = payload[4] << 8 | payload[5];
  const size_t lumaSize = static_cast<size_t>(width) * height;
  if (luma_.size() != lumaSize) {
    luma_.assign(lumaSize, 0);
    cb_.assign(lumaSize / 4, 0);
    cr_.assign(lumaSize / 4, 0);
  }
  const PictureBuffers picture{luma_.data(), cb_.data(), cr_.data(), record_.data()};
  FrameInfo info;
  if (DecodeFrame(payload.data(), payload.size(), *workspace_, picture, &info) != DecodeStatus::kDecoded) {
    havePicture_ = false;
    return false;
  }
  havePicture_ = true;
  lastWasKey_ = info.kind == kKindKey;
  return true;
}

std::vector<uint8_t> CWaveletEncoder::ReconstructedBgr() const {
  std::vector<uint8_t> bgr(luma_.size() * 3);
  if (!havePicture_) return bgr;
  WriteBgr(PlaneView{luma_.data(), cb_.data(), cr_.data(), width_, height_}, bgr.data());
  return bgr;
}

}  // namespace bv
