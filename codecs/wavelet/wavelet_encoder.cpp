#include "codecs/wavelet/wavelet_encoder.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "codecs/wavelet/checksum.h"
#include "codecs/wavelet/colour_output.h"
#include "codecs/wavelet/entropy_tables.h"
#include "codecs/wavelet/inverse_transform.h"
#include "codecs/wavelet/picture_conversion.h"
#include "codecs/wavelet/plane_geometry.h"
#include "codecs/wavelet/plane_quantiser.h"
#include "codecs/wavelet/symbol_stream.h"
#include "codecs/wavelet/wavelet_decoder.h"
#include "codecs/wavelet/wavelet_format.h"

namespace bv {
namespace {

using namespace bv::wavelet;

// Chroma is coded this much finer than luma: RGB error weighs colour heavily.
constexpr double kChromaStepFactor = 0.8;
// How much an error in each plane's samples weighs in the RGB picture: a
// chroma sample spreads over four pixels through the interpolation (energy
// gain 1.5625) and into two or three channels.
constexpr double kLumaWeight = 1.0;
constexpr double kChromaWeight = 1.5;
// Bits against squared error: lambda = kLambdaScale * (luma step)^2.
constexpr double kLambdaScale = 0.28;
// Optimisation passes after the plain one, each with the symbol costs of
// the pass before.
constexpr int kOptimisingPasses = 2;
constexpr int kDefaultReconstructionOffset = 2;

int BaseStepForQuality(double quality) {
  const double stepInPixels = 0.5 * std::pow(2.0, (100 - quality) / 12.5);
  const int step = static_cast<int>(std::lround(stepInPixels * (1 << kFractionBits) * 16));
  return std::clamp(step, 1, kMaxBaseStep);
}

void PutLe16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}
void PutLe32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

int OffsetFrom(const OffsetStatistics& stats) {
  if (stats.count == 0) return kDefaultReconstructionOffset;
  return std::clamp(static_cast<int>(std::lround(16 * stats.sum / stats.count)), 0, 15);
}

}  // namespace

CWaveletEncoder::CWaveletEncoder(int quality)
    : quality_(std::clamp(quality, 1, 100)), fineQuality_(quality_),
      workspace_(std::make_unique<DecoderWorkspace>()), record_(kPictureRecordSize, 0) {}

CWaveletEncoder::~CWaveletEncoder() = default;

void CWaveletEncoder::SetQuality(double quality) {
  fineQuality_ = std::clamp(quality, 1.0, 100.0);
  quality_ = static_cast<int>(std::lround(fineQuality_));
}

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

  int lumaStep = BaseStepForQuality(fineQuality_);
  for (;;) {
    std::vector<uint8_t> payload = EncodeWithStep(planes, width, height, delta, lumaStep);
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
                                                     bool delta, int lumaStep) {
  const int chromaStep = std::clamp(static_cast<int>(std::lround(lumaStep * kChromaStepFactor)), 1, kMaxBaseStep);
  const PlaneGeometry geometry[3] = {MakePlaneGeometry(width, height), MakePlaneGeometry(width / 2, height / 2),
                                     MakePlaneGeometry(width / 2, height / 2)};
  const double lambda = kLambdaScale * (lumaStep / 16.0) * (lumaStep / 16.0);
  PlaneQuantiserSettings settings[3];
  for (int p = 0; p < 3; ++p) {
    settings[p].planeType = p == 0 ? kLuma : kChroma;
    settings[p].baseStep = p == 0 ? lumaStep : chromaStep;
    settings[p].reconstructionOffset = kDefaultReconstructionOffset;
    settings[p].distortionWeight = p == 0 ? kLumaWeight : kChromaWeight;
    settings[p].lambda = lambda;
  }

  // A plain pass gives the symbol costs and the reconstruction offsets;
  // each optimising pass uses the costs of the pass before.
  std::unique_ptr<CSymbolStream> stream;
  std::array<FrequencyTable, kTableCount> tables{};
  std::vector<uint8_t> tableBytes;
  for (int pass = 0; pass <= kOptimisingPasses; ++pass) {
    std::unique_ptr<CSymbolCosts> costs;
    if (pass > 0) costs = std::make_unique<CSymbolCosts>(tables);
    stream = std::make_unique<CSymbolStream>();
    OffsetStatistics offsets[2];
    for (int p = 0; p < 3; ++p)
      QuantisePlane(geometry[p], planes[p].data(), settings[p], costs.get(), *stream, &offsets[p == 0 ? 0 : 1]);
    tableBytes = stream->TableSection(&tables);
    if (pass == 0) {
      settings[0].reconstructionOffset = OffsetFrom(offsets[0]);
      settings[1].reconstructionOffset = settings[2].reconstructionOffset = OffsetFrom(offsets[1]);
    }
  }
  const std::vector<uint8_t> ransBytes = stream->RansSection(tables);
  const std::vector<uint8_t>& rawBytes = stream->RawSection();

  const size_t sectionsAt = kPrefixSize + kHeaderSize + 2;
  std::vector<uint8_t> payload(sectionsAt + tableBytes.size() + ransBytes.size() + rawBytes.size());
  auto at = payload.begin() + static_cast<ptrdiff_t>(sectionsAt);
  at = std::copy(tableBytes.begin(), tableBytes.end(), at);
  at = std::copy(ransBytes.begin(), ransBytes.end(), at);
  std::copy(rawBytes.begin(), rawBytes.end(), at);
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
  data[6] = static_cast<uint8_t>(settings[0].reconstructionOffset);
  data[7] = static_cast<uint8_t>(settings[1].reconstructionOffset);
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
