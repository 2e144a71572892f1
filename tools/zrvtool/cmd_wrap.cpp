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
#include "tools/zrvtool/option_values.h"

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

struct WrapOptions {
  std::string out;
  std::string size;
  WrapSettings settings;  // input: the footage's path
  std::string codec;      // "--mpeg4", "--mjpg" or "--wavelet"
};

int RunWrap(const WrapOptions& options) {
  WrapSettings s = options.settings;
  ParsePictureSize(options.size, &s.width, &s.height);
  const std::string& codec = options.codec;
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
  const std::string& out = options.out;
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

}  // namespace

Command AddWrap(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "wrap",
                             "wrap OUT.zrv --size WxH [--fps N] (--mpeg4 STREAM.m4v | --mjpg RAW | --wavelet RAW) "
                             "[--key-interval N] [--quality Q]",
                             "Footage from elsewhere as a container written by the project's writer");
  auto options = std::make_shared<WrapOptions>();
  WrapSettings& s = options->settings;
  app->add_option("OUT.zrv", options->out, "The container")->required();
  app->add_option("--size", options->size, "The pictures' size")->required()->type_name("WxH")->check(PictureSize());
  app->add_option("--fps", s.fps, "Records a second (25 unless given)")->type_name("N")->transform(WholeNumber(1, 60));
  CLI::Option_group* input = app->add_option_group("Footage", "One of");
  auto footage = [input, chosen = options.get()](const std::string& name, const std::string& description) {
    return input->add_option_function<std::string>(
        name,
        [chosen, name](const std::string& path) {
          chosen->codec = name;
          chosen->settings.input = path;
        },
        description);
  };
  CLI::Option* mpeg4 =
      footage("--mpeg4", "An MPEG-4 Part 2 elementary stream, one VOP a record")->type_name("STREAM.m4v");
  CLI::Option* mjpg = footage("--mjpg", "Raw 24-bit R, G, B pictures (a path, or - for stdin) as MJPEG")->type_name("RAW");
  footage("--wavelet", "Raw 24-bit R, G, B pictures (a path, or - for stdin) as Wavelet")->type_name("RAW");
  input->require_option(1);
  // A catch-up finds a key frame at most 99 records back. An MPEG-4 stream
  // itself says which pictures are key frames and how fine.
  app->add_option("--key-interval", s.keyInterval, "Records from one Wavelet key frame to the next (30 unless given)")
      ->type_name("N")
      ->transform(WholeNumber(1, 100))
      ->excludes(mpeg4)
      ->excludes(mjpg);
  app->add_option("--quality", s.quality, "The encoder's quality (the codec's own unless given)")
      ->type_name("Q")
      ->transform(WholeNumber(1, 100))
      ->excludes(mpeg4);
  return {app, [options] { return RunWrap(*options); }};
}

}  // namespace bv::tool
