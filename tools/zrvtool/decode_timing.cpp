#include "tools/zrvtool/decode_timing.h"

#include <chrono>

#include "playback/backup_constants.h"
#include "tools/samples/reference_jpeg.h"
#include "tools/samples/reference_mpeg4.h"
#include "tools/samples/reference_wavelet.h"
#include "tools/zrvtool/json_writer.h"

namespace bv::tool {
namespace {

using Clock = std::chrono::steady_clock;

JsonObject TimingJson(const CodecTiming& timing) {
  JsonObject json;
  json.Add("frames", timing.frames)
      .Add("seconds", timing.seconds)
      .Add("fps", timing.seconds > 0 ? static_cast<double>(timing.frames) / timing.seconds : 0.0);
  return json;
}

uint32_t CodedLength(const StoredPayload& payload) {
  const uint8_t* p = payload.bytes.data();
  const uint32_t coded = static_cast<uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
  return std::min<uint32_t>(coded, static_cast<uint32_t>(payload.bytes.size() - 8));
}

}  // namespace

std::string DecodeTimingsJson(const DecodeTimings& timings) {
  CodecTiming total;
  JsonObject byCodec;
  for (int codec = 0; codec < kCodecCount; ++codec) {
    const CodecTiming& timing = timings[codec];
    if (timing.frames == 0) continue;
    total.frames += timing.frames;
    total.seconds += timing.seconds;
    byCodec.Add(CodecInfo(codec).name, TimingJson(timing));
  }
  JsonObject json = TimingJson(total);
  json.Add("by_codec", byCodec);
  return json.str();
}

DecodeTimings TimeRawDecodes(const std::vector<StoredPayload>& payloads) {
  DecodeTimings timings{};
  std::vector<uint8_t> output(kPictureBufferSize);
  samples::CReferenceJpegDecoder jpeg;
  samples::CReferenceMpeg4Decoder mpeg4;
  samples::CReferenceWaveletDecoder wavelet;
  // The Wavelet module reads its payload from a buffer of the read buffer's
  // size, as the viewer hands it over.
  std::vector<uint8_t> readBuffer(kPictureBufferSize);

  for (const StoredPayload& payload : payloads) {
    if (payload.codec == kCodecWavelet) std::copy(payload.bytes.begin(), payload.bytes.end(), readBuffer.begin());
    const auto start = Clock::now();
    int width = 0;
    int height = 0;
    switch (payload.codec) {
      case kCodecMJPG:
        if (payload.bytes.size() <= 40) continue;
        jpeg.Decode(payload.bytes.data() + 40, payload.bytes.size() - 40, samples::CReferenceJpegDecoder::Output::kBgr,
                    false, output.data(), output.size(), &width, &height);
        break;
      case kCodecMPEG4:
        if (payload.bytes.size() <= 8) continue;
        mpeg4.Decode(payload.bytes.data() + 8, CodedLength(payload), true, output.data(), output.size(), &width,
                     &height);
        break;
      case kCodecWavelet:
        if (!wavelet.Available()) continue;
        wavelet.Decode(readBuffer.data(), output.data(), true);
        break;
    }
    timings[payload.codec].frames++;
    timings[payload.codec].seconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  return timings;
}

}  // namespace bv::tool
