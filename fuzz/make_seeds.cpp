// make_fuzz_seeds DIR: the seed corpora of the fuzz targets, one directory
// per target under DIR. They start from the demo backups and event files
// that "zrvtool make-sample" writes (the same writer), cut down to a few
// records so that fuzzing stays fast, and from small backups of each codec
// and backup version made with the same sample encoders.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/format/record_extent.h"
#include "events/event_configuration.h"
#include "events/event_records.h"
#include "export/jpeg_file.h"
#include "export/recorder_trailer.h"
#include "export/snapshot_file.h"
#include "fuzz/fuzz_support.h"
#include "playback/engine/backup_cut.h"
#include "tools/samples/mpeg4_backup.h"
#include "tools/samples/sample_backups.h"
#include "tools/samples/sound_backup.h"

using namespace bv;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

class SeedWriter {
 public:
  explicit SeedWriter(std::string root) : root_(std::move(root)) {}
  void Add(const std::string& target, const std::string& name, const Bytes& bytes) {
    const fs::path dir = fs::path(root_) / target;
    fs::create_directories(dir);
    fuzz::WriteWholeFile((dir / name).string(), bytes);
    ++written_;
  }
  int Written() const { return written_; }

 private:
  std::string root_;
  int written_ = 0;
};

Bytes Prefixed(std::initializer_list<uint8_t> head, const Bytes& body) {
  Bytes out(head);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

void AppendU16(Bytes& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void AppendU32(Bytes& out, uint32_t v) {
  AppendU16(out, v & 0xFFFF);
  AppendU16(out, v >> 16);
}

// The backup as the records format (fuzz_support.h) and its payloads as
// payload sequences (payload_sequence.h).
struct SplitBackup {
  Bytes records;
  Bytes payloads;
};

SplitBackup Split(const CBackupWriter& writer, uint32_t version) {
  SplitBackup split;
  split.records = fuzz::RecordsInput(writer, version);
  const Bytes data = writer.DataFileBytes();
  for (const INDEX_RECORD& record : writer.Index()) {
    const RecordExtent extent = RecordExtentOf(record, 0, version);
    if (extent.position + extent.length > data.size()) continue;
    const auto payload = data.begin() + static_cast<std::ptrdiff_t>(extent.payloadPosition);
    if (record.IsAudio()) continue;
    split.payloads.push_back(1);
    AppendU32(split.payloads, extent.payloadSize);
    split.payloads.insert(split.payloads.end(), payload, payload + extent.payloadSize);
  }
  return split;
}

void AddBackupSeeds(SeedWriter& seeds, const std::string& name, const CBackupWriter& writer, uint32_t version,
                    const std::string& decoderTarget) {
  const SplitBackup split = Split(writer, version);
  seeds.Add("records", name, split.records);
  seeds.Add("export_plan", name, split.records);
  seeds.Add("audio", name, Prefixed({1}, split.records));
  seeds.Add("open_backup", name + "-container", Prefixed({0}, writer.ContainerBytes()));
  const Bytes index = writer.IndexBytes();
  Bytes pair = {1};
  AppendU16(pair, static_cast<uint32_t>(index.size()));
  pair.insert(pair.end(), index.begin(), index.end());
  const Bytes data = writer.DataFileBytes();
  pair.insert(pair.end(), data.begin(), data.end());
  seeds.Add("open_backup", name + "-pair", pair);
  seeds.Add("open_backup", name + "-self-contained", Prefixed({2}, writer.ContainerBytes()));
  if (decoderTarget == "mjpg_driver") {
    Bytes sized;
    AppendU16(sized, 63);  // 64 x 48 after the fuzzer's "1 +"
    AppendU16(sized, 47);
    sized.insert(sized.end(), split.payloads.begin(), split.payloads.end());
    seeds.Add(decoderTarget, name, sized);
  } else if (!decoderTarget.empty()) {
    seeds.Add(decoderTarget, name, split.payloads);
  }
}

// The demo backups cut to their first records, in each form.
void AddDemoCuts(SeedWriter& seeds, const std::vector<std::string>& demo, const std::string& scratch) {
  for (const std::string& path : demo) {
    if (fs::path(path).extension() != ".zrv") continue;
    CHeadlessHost host;
    host.SetMessageSink([](const std::string&) {});
    CPlaybackController controller(host);
    if (!controller.OpenBackup(path, false)) {
      std::fprintf(stderr, "cannot open %s\n", path.c_str());
      continue;
    }
    const std::string cut = scratch + "/cut.zrv";
    const CutResult result = CutBackup(controller, 0, std::min<uint32_t>(controller.Count() - 1, 5), cut);
    if (!result.ok) {
      std::fprintf(stderr, "cannot cut %s: %s\n", path.c_str(), result.error.c_str());
      continue;
    }
    seeds.Add("open_backup", "make-sample-" + fs::path(path).stem().string(), Prefixed({0}, ReadAll(cut)));
  }
}

void AddEventSeeds(SeedWriter& seeds, const std::string& demoDir) {
  const std::string dir = demoDir + "/";
  const Bytes eventIni = ReadAll(dir + kEventIniName);
  const Bytes codeIni = ReadAll(dir + kEventCodeIniName);
  Bytes both = eventIni;
  both.push_back('\f');
  both.insert(both.end(), codeIni.begin(), codeIni.end());
  seeds.Add("event_config", "demo", both);
  seeds.Add("event_config", "codes-only", Prefixed({'\f'}, codeIni));

  const Bytes machine = ReadAll(MachineEventFileName(dir, 2026, 3, 14));
  const Bytes r40Max = ReadAll(R40MaxEventFileName(dir, 2026, 3, 14));
  const Bytes labels = ReadAll(std::string(BV_FUZZ_SOURCE_DIR) + "/tools/samples/ExternalMachineEventCode.ini");
  // Times across the demo's recording (19:30 on).
  Bytes days = {0, 19, 30, 0, 19, 30, 5, 19, 31, 0, 19, 40, 0};
  AppendU32(days, static_cast<uint32_t>(machine.size()));
  days.insert(days.end(), machine.begin(), machine.end());
  AppendU32(days, static_cast<uint32_t>(r40Max.size()));
  days.insert(days.end(), r40Max.begin(), r40Max.end());
  days.insert(days.end(), labels.begin(), labels.end());
  seeds.Add("event_days", "demo", days);
}

void AddStillSeeds(SeedWriter& seeds, const std::string& scratch) {
  const int width = 32;
  const int height = 24;
  Bytes rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 7);
  RecorderTrailer trailer;
  trailer.cameraIndex = 2;
  trailer.cameraName = "CAMERA";
  trailer.information = "ENTRANCE";
  const std::string trailerBytes = RecorderTrailerBytes(trailer);

  const auto headers = SnapshotBmpHeaders(width, height);
  Bytes bmp(headers.begin(), headers.end());
  const size_t rowBytes = (width * 3 + 3) & ~3;
  for (int y = height - 1; y >= 0; --y) {
    const auto row = rgb.begin() + static_cast<std::ptrdiff_t>(y) * width * 3;
    bmp.insert(bmp.end(), row, row + width * 3);
    bmp.resize(bmp.size() + rowBytes - width * 3);
  }
  seeds.Add("stills", "bmp", Prefixed({0}, bmp));
  bmp.insert(bmp.end(), trailerBytes.begin(), trailerBytes.end());
  seeds.Add("stills", "bmp-trailer", Prefixed({0}, bmp));

  const std::string jpegPath = scratch + "/still.jpg";
  if (WriteJpegFile(jpegPath, rgb.data(), width, height, 1, 75, [](const PictureMessage&) {})) {
    Bytes jpeg = ReadAll(jpegPath);
    seeds.Add("stills", "jpeg", Prefixed({1}, jpeg));
    seeds.Add("stills", "jpeg-reader", Prefixed({2}, jpeg));
    jpeg.insert(jpeg.end(), trailerBytes.begin(), trailerBytes.end());
    seeds.Add("stills", "jpeg-trailer", Prefixed({1}, jpeg));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: make_fuzz_seeds DIR [MAKE_SAMPLE_DIR]\n");
    return 2;
  }
  fuzz::UseBuildEnvironment();
  const std::string root = argv[1];
  const std::string scratch = root + "/scratch";
  fs::create_directories(scratch);
  // The output of "zrvtool make-sample" when given, else the same written here.
  std::string demoDir = root + "/make-sample";
  std::vector<std::string> demo;
  if (argc == 3) {
    demoDir = argv[2];
    for (const auto& entry : fs::directory_iterator(demoDir)) demo.push_back(entry.path().string());
  } else {
    std::string error;
    demo = samples::WriteDemoBackups(demoDir, &error);
    if (demo.empty()) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
  }
  SeedWriter seeds(root);
  AddDemoCuts(seeds, demo, scratch);
  AddEventSeeds(seeds, demoDir);
  AddStillSeeds(seeds, scratch);

  for (uint32_t version : {1u, 3u, 5u, 7u}) {
    samples::MjpgBackupOptions mjpg;
    mjpg.frames = 3;
    mjpg.width = 64;
    mjpg.height = 48;
    mjpg.version = version;
    AddBackupSeeds(seeds, "mjpg-v" + std::to_string(version), samples::MakeMjpgBackup(mjpg), version,
                   version == 7 ? "mjpg_driver" : "");
  }
  samples::WaveletBackupOptions wavelet;
  wavelet.frames = 4;
  wavelet.width = 64;
  wavelet.height = 48;
  wavelet.keyFrameInterval = 2;
  AddBackupSeeds(seeds, "wavelet-v7", samples::MakeWaveletBackup(wavelet), 7, "wavelet_decoder");
  samples::Mpeg4BackupOptions mpeg4;
  mpeg4.frames = 4;
  mpeg4.width = 64;
  mpeg4.height = 48;
  mpeg4.keyFrameInterval = 2;
  mpeg4.version = 5;
  AddBackupSeeds(seeds, "mpeg4-v5", samples::MakeMpeg4Backup(mpeg4), 5, "mpeg4_decoder");

  samples::SoundBackupOptions sound;
  sound.seconds = 2;
  sound.framesPerSecond = 2;
  sound.width = 32;
  sound.height = 24;
  const samples::SoundBackup soundBackup = samples::MakeSoundBackup(sound);
  AddBackupSeeds(seeds, "sound-v7", soundBackup.writer, 7, "");
  Bytes gsm = {0};
  AppendU32(gsm, sound.samplesPerSecond);
  AppendU16(gsm, sound.bitsPerSample);
  for (const samples::StoredChunk& chunk : soundBackup.chunks) {
    if (!chunk.gsm) continue;
    AppendU16(gsm, static_cast<uint32_t>(chunk.bytes.size()));
    gsm.insert(gsm.end(), chunk.bytes.begin(), chunk.bytes.end());
  }
  seeds.Add("audio", "gsm-chunks", gsm);

  fs::remove_all(scratch);
  std::printf("%d seeds in %s\n", seeds.Written(), root.c_str());
  return 0;
}
