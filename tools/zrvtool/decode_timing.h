#pragma once
// Decode timings of `zrvtool bench`: frames and seconds per codec, and the
// JSON they are printed as.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/format/codec_table.h"
#include "tools/zrvtool/json_output.h"

namespace bv::tool {

// Frames counts pictures produced; refused counts frames that gave none
// (their time is not counted either).
struct CodecTiming {
  uint64_t frames = 0;
  uint64_t refused = 0;
  double seconds = 0;
};
using DecodeTimings = std::array<CodecTiming, kCodecCount>;

// {"frames":N,"refused":R,"seconds":S,"fps":F,"by_codec":{"MJPG":{...},...}},
// with the codecs that had frames or refusals.
Json DecodeTimingsJson(const DecodeTimings& timings);
// Pictures produced in all.
uint64_t DecodedFrames(const DecodeTimings& timings);

// A video payload as the backup holds it, read once before timing.
struct StoredPayload {
  int codec = kCodecMJPG;
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bytes;
};

// The bare library decodes of the payloads, in order: libjpeg-turbo to
// 24-bit B, G, R (the MJPEG driver's settings), libavcodec and the MPEG-4
// module's colour conversion to 24-bit, the Wavelet module's entry point
// alone. Payloads whose library is missing count no time; payloads a
// library refuses count as refused.
DecodeTimings TimeRawDecodes(const std::vector<StoredPayload>& payloads);

}  // namespace bv::tool
