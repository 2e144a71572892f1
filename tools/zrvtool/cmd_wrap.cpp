// zrvtool wrap OUT.zrv --size WxH [--fps N] (--mpeg4 STREAM | --mjpg RAW | --wavelet RAW)
//   [--key-interval N] [--quality Q]:
// footage from elsewhere as a container written by the project's writer.
// --mpeg4 takes an MPEG-4 Part 2 elementary stream and stores one VOP per
// record, the configuration headers with the VOP they precede; --mjpg and
// --wavelet take raw 24-bit R, G, B pictures of the given size (a path, or
// "-" for stdin) and encode them. Records are timed at --fps (25 unless
// given) from the demo backups' start, with the demos' camera information.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "codecs/wavelet/wavelet_encoder.h"
#include "tools/samples/m4v_stream.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/mpeg4_encode.h"
#include "tools/samples/sample_backups.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/options.h"

namespace bv::tool {
namespace {

// Record offsets are 32-bit: the frame data must stay well under 4 GiB.
constexpr uint64_t kMaxFrameData = 0xF0000000u;

struct WrapSettings {
  std::string input;
  int width = 0;
  int height = 0;
  int fps = 25;
  int keyInterval = 30;
  int quality = 0;  // 0: the codec's default
};

struct WrapTotals {
  uint32_t keys = 0;
  uint32_t keysWithoutVol = 0;
  uint64_t payloadBytes = 0;
  uint64_t ignoredBytes = 0;
};

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

FilePtr OpenInput(const std::string& path) {
  if (path == "-") return FilePtr(stdin, [](FILE*) { return 0; });
  return FilePtr(std::fopen(path.c_str(), "rb"), [](FILE* f) { return f ? std::fclose(f) : 0; });
}

// Reads up to size bytes; fewer only at the end of the input.
size_t ReadFully(FILE* file, uint8_t* data, size_t size) {
  size_t got = 0;
  while (got < size) {
    const size_t n = std::fread(data + got, 1, size - got, file);
    if (n == 0) break;
    got += n;
  }
  return got;
}

bool Refuse(const std::string& message) {
  std::fprintf(stderr, "%s\n", message.c_str());
  return false;
}

void AddRecord(CBackupWriter& writer, const WrapSettings& s, const std::vector<uint8_t>& payload, bool key,
               WrapTotals* totals) {
  writer.AddVideoFrame(samples::RecordTimeAt(static_cast<int>(writer.Count()), s.fps), samples::kDemoCameraTitle,
                       samples::kDemoLocation, payload);
  totals->keys += key ? 1 : 0;
  totals->payloadBytes += payload.size();
}

bool WrapMpeg4(const WrapSettings& s, FILE* in, CBackupWriter& writer, WrapTotals* totals) {
  std::string problem;
  samples::CM4vSplitter splitter([&](const samples::M4vPicture& picture) {
    if (!problem.empty()) return;
    if (writer.Count() == 0 && !picture.hasVol) problem = "no VOL header before the first VOP";
    int width = 0;
    int height = 0;
    if (picture.hasVol && samples::FindVolPictureSize(picture.bytes, &width, &height) &&
        (width != s.width || height != s.height)) {
      problem = "--size " + std::to_string(s.width) + "x" + std::to_string(s.height) + " but the stream's VOL at VOP " +
                std::to_string(writer.Count()) + " says " + std::to_string(width) + "x" + std::to_string(height);
    }
    if (totals->payloadBytes + picture.bytes.size() > kMaxFrameData) problem = "too much for one container";
    if (!problem.empty()) return;
    if (picture.key && !picture.hasVol) totals->keysWithoutVol++;
    AddRecord(writer, s, samples::MakeMpeg4Payload(picture.bytes.data(), picture.bytes.size(), picture.key, s.width,
                                                   s.height),
              picture.key, totals);
  });
  std::vector<uint8_t> chunk(1 << 16);
  size_t n = 0;
  while (problem.empty() && (n = ReadFully(in, chunk.data(), chunk.size())) > 0) {
    if (!splitter.Feed(std::span<const uint8_t>(chunk.data(), n))) return Refuse(s.input + ": " + splitter.Error());
  }
  if (problem.empty() && !splitter.Finish()) return Refuse(s.input + ": " + splitter.Error());
  if (!problem.empty()) return Refuse(s.input + ": " + problem);
  if (writer.Count() == 0) return Refuse(s.input + ": no VOP found (not an MPEG-4 Part 2 elementary stream)");
  totals->ignoredBytes = splitter.IgnoredBytes();
  return true;
}

bool WrapRaw(const WrapSettings& s, bool wavelet, FILE* in, CBackupWriter& writer, WrapTotals* totals) {
  const int quality = s.quality ? s.quality : wavelet ? samples::WaveletBackupOptions{}.quality : 85;
  CWaveletEncoder encoder(quality);
  samples::RgbPicture picture(s.width, s.height);
  for (;;) {
    const size_t got = ReadFully(in, picture.pixels.data(), picture.pixels.size());
    if (got == 0) break;
    if (got < picture.pixels.size()) {
      return Refuse(s.input + ": the last picture is truncated (" + std::to_string(got) + " of " +
                    std::to_string(picture.pixels.size()) + " bytes for " + std::to_string(s.width) + "x" +
                    std::to_string(s.height) + " R, G, B)");
    }
    const int i = static_cast<int>(writer.Count());
    const bool key = !wavelet || i % s.keyInterval == 0;
    const std::vector<uint8_t> payload =
        wavelet ? samples::MakeWaveletPayload(encoder, picture.pixels.data(), s.width, s.height, key, i)
                : samples::MakeMjpgPayload(picture, quality);
    if (payload.size() < 8) return Refuse(s.input + ": the encoder refused picture " + std::to_string(i));
    if (totals->payloadBytes + payload.size() > kMaxFrameData) return Refuse(s.input + ": too much for one container");
    AddRecord(writer, s, payload, key, totals);
  }
  if (writer.Count() == 0) return Refuse(s.input + ": no picture (the input is empty)");
  return true;
}

// A number option within [low, high], or its default when absent.
bool NumberIn(const ParsedOptions& options, const std::string& name, int low, int high, int* value) {
  if (!options.Has(name)) return true;
  uint32_t number = 0;
  if (!options.Number(name, &number) || number < static_cast<uint32_t>(low) || number > static_cast<uint32_t>(high)) {
    std::fprintf(stderr, "%s: a whole number from %d to %d\n", name.c_str(), low, high);
    return false;
  }
  *value = static_cast<int>(number);
  return true;
}

}  // namespace

int RunWrap(const Args& args) {
  ParsedOptions options;
  if (!ParseOptions(args, {"--size", "--fps", "--mpeg4", "--mjpg", "--wavelet", "--key-interval", "--quality"}, {},
                    &options) ||
      options.positional.size() != 1 || !options.Has("--size")) {
    return kExitUsage;
  }
  const char* codecs[] = {"--mpeg4", "--mjpg", "--wavelet"};
  int given = 0;
  std::string codec;
  for (const char* name : codecs) {
    if (options.Has(name)) {
      ++given;
      codec = name;
    }
  }
  if (given != 1) return kExitUsage;
  WrapSettings s;
  s.input = options.Value(codec);
  if (!ParsePictureSize(options.Value("--size"), &s.width, &s.height)) {
    std::fprintf(stderr, "--size: WxH, even, from 16x16 to 704x576\n");
    return kExitUsage;
  }
  // A catch-up finds a key frame at most 99 records back.
  if (!NumberIn(options, "--fps", 1, 60, &s.fps) || !NumberIn(options, "--key-interval", 1, 100, &s.keyInterval) ||
      !NumberIn(options, "--quality", 1, 100, &s.quality)) {
    return kExitUsage;
  }
  // The stream itself says which pictures are key frames and how fine.
  if (codec == "--mpeg4" && (options.Has("--key-interval") || options.Has("--quality"))) return kExitUsage;
  if (codec == "--mjpg" && options.Has("--key-interval")) return kExitUsage;

  FilePtr in = OpenInput(s.input);
  if (!in) {
    std::fprintf(stderr, "cannot open %s\n", s.input.c_str());
    return kExitRefused;
  }
  CBackupWriter writer(7, samples::DemoCameraInfo());
  WrapTotals totals;
  const bool ok = codec == "--mpeg4" ? WrapMpeg4(s, in.get(), writer, &totals)
                                     : WrapRaw(s, codec == "--wavelet", in.get(), writer, &totals);
  if (!ok) return kExitRefused;
  const std::string& out = options.positional[0];
  if (!writer.WriteContainer(out)) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return kExitRefused;
  }
  std::error_code ec;
  const uint64_t bytes = std::filesystem::file_size(out, ec);
  Json json;
  json["output"] = out;
  json["codec"] = codec == "--mpeg4" ? "MPEG4" : codec == "--mjpg" ? "MJPG" : "WAVELET";
  json["width"] = s.width;
  json["height"] = s.height;
  json["fps"] = s.fps;
  json["records"] = writer.Count();
  json["key_frames"] = totals.keys;
  json["bytes"] = bytes;
  json["payload_bytes"] = totals.payloadBytes;
  json["mean_payload_bytes"] = Rounded(static_cast<double>(totals.payloadBytes) / writer.Count());
  json["kbit_per_second"] = Rounded(static_cast<double>(totals.payloadBytes) * 8 * s.fps / writer.Count() / 1000);
  if (codec == "--mpeg4") {
    json["keys_without_vol"] = totals.keysWithoutVol;
    json["ignored_bytes"] = totals.ignoredBytes;
  }
  PrintJsonLine(json);
  return kExitOk;
}

}  // namespace bv::tool
