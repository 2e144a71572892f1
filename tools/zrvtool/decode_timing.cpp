#include "tools/zrvtool/decode_timing.h"

#include <chrono>

#include "base/format/backup_constants.h"
#include "tools/samples/reference_jpeg.h"
#include "tools/samples/reference_mpeg4.h"
#include "tools/samples/reference_wavelet.h"
#include "tools/zrvtool/json_output.h"

namespace bv::tool {
namespace {

using Clock = std::chrono::steady_clock;

Json TimingJson(const CodecTiming& timing) {
  Json json;
  json["frames"] = timing.frames;
  json["refused"] = timing.refused;
  json["seconds"] = Rounded(timing.seconds);
  json["fps"] = Rounded(timing.seconds > 0 ? static_cast<double>(timing.frames) / timing.seconds : 0.0);
  return json;
}

}  // namespace

Json DecodeTimingsJson(const DecodeTimings& timings) {
  CodecTiming total;
  Json byCodec = Json::object();
  for (int codec = 0; codec < kCodecCount; ++codec) {
    const CodecTiming& timing = timings[codec];
    if (timing.frames == 0 && timing.refused == 0) continue;
    total.frames += timing.frames;
    total.refused += timing.refused;
    total.seconds += timing.seconds;
    byCodec[CodecInfo(codec).name] = TimingJson(timing);
  }
  Json json = TimingJson(total);
  json["by_codec"] = std::move(byCodec);
  return json;
}

uint64_t DecodedFrames(const DecodeTimings& timings) {
  uint64_t frames = 0;
  for (const CodecTiming& timing : timings) frames += timing.frames;
  return frames;
}

DecodeTimings TimeRawDecodes(const std::vector<StoredPayload>& payloads) {
  DecodeTimings timings{};
  std::vector<uint8_t> output(kPictureBufferSize);
  samples::CReferenceJpegDecoder jpeg;
  samples::CReferenceMpeg4Decoder mpeg4;
  samples::CReferenceWaveletDecoder wavelet;
  // The Wavelet module reads its payload from the viewer's read buffer.
  std::vector<uint8_t> readBuffer(kPictureBufferSize);

  for (const StoredPayload& payload : payloads) {
    if (payload.codec == kCodecWavelet) std::copy(payload.bytes.begin(), payload.bytes.end(), readBuffer.begin());
    const auto start = Clock::now();
    int width = 0;
    int height = 0;
    bool decoded = false;
    const auto size = static_cast<uint32_t>(payload.bytes.size());
    switch (payload.codec) {
      case kCodecMJPG:
        decoded = size > 40 && jpeg.Decode(payload.bytes.data() + 40, size - 40,
                                           samples::CReferenceJpegDecoder::Output::kBgr, false, output.data(),
                                           output.size(), &width, &height);
        break;
      case kCodecMPEG4: {
        const std::span<const uint8_t> stream = CodedPictureOf(payload.bytes.data(), size);
        decoded = !stream.empty() &&
                  mpeg4.Decode(stream.data(), stream.size(), true, output.data(), output.size(), &width, &height);
        break;
      }
      case kCodecWavelet:
        if (!wavelet.Available()) continue;
        decoded = wavelet.Decode(readBuffer.data(), size, output.data(), true) >= 0;
        break;
    }
    CodecTiming& timing = timings[payload.codec];
    if (!decoded) {
      timing.refused++;
      continue;
    }
    timing.frames++;
    timing.seconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  return timings;
}

}  // namespace bv::tool
