#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/format/frame_record.h"
#include "base/format/record_extent.h"
#include "base/platform/le_bytes.h"

namespace bv::fuzz {

void UseBuildEnvironment() {
  setenv("BACKUP_VIEWER_SYSTEM_DIR", BV_FUZZ_SYSTEM_DIR, 1);
  setenv("BACKUP_VIEWER_WINDOWS_DIR", BV_FUZZ_WINDOWS_DIR, 1);
  // No sound device: closing one waits for its thread (tens of
  // milliseconds). The sound is still gathered and decoded; the output
  // refuses to open and drops what is pushed, as without a sound card.
  setenv("SDL_AUDIODRIVER", "bv-fuzz-no-device", 1);
}

namespace {

struct TempDirectory {
  std::string path;
  TempDirectory() {
    const char* base = std::getenv("TMPDIR");
    path = std::string(base && *base ? base : "/tmp") + "/bv-fuzz-" + std::to_string(getpid()) + "/";
    std::filesystem::create_directories(path);
  }
  ~TempDirectory() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

}  // namespace

const std::string& ProcessTempDir() {
  static TempDirectory directory;
  return directory.path;
}

void WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

uint8_t InputReader::U8() { return AtEnd() ? 0 : data_[position_++]; }

uint16_t InputReader::U16() {
  const uint16_t low = U8();
  return static_cast<uint16_t>(low | (U8() << 8));
}

uint32_t InputReader::U32() {
  const uint32_t low = U16();
  return low | (uint32_t{U16()} << 16);
}

std::span<const uint8_t> InputReader::Bytes(size_t count) {
  count = std::min(count, Remaining());
  std::span<const uint8_t> run(data_ + position_, count);
  position_ += count;
  return run;
}

namespace {

// Bytes of a record that precede its payload (the title header of a video
// record, the audio header from version 4 on).
uint32_t RecordHeaderLength(uint8_t type, uint32_t version) {
  if (type == kAudioRecordType) return version >= 4 ? AUDIO_HEADER::kSize : 0;
  return 2 * TitleFieldWidth(version);
}

}  // namespace

CBackupWriter BuildBackup(InputReader& input) {
  const uint32_t version = (input.U8() & 0x7F) % 9;
  CAMERA_INFO camera;
  camera.number = 1;
  std::snprintf(camera.name, sizeof camera.name, "CAMERA");
  CBackupWriter writer(version, camera);
  for (int i = 0; i < kMaxBuiltRecords && !input.AtEnd(); ++i) {
    INDEX_RECORD record{};
    record.type = input.U8();
    const uint8_t second = input.U8();
    record.millisecond = input.U16();
    record.camera = input.U8();
    const uint8_t flags = input.U8();
    const uint16_t length = input.U16();
    const std::span<const uint8_t> bytes = input.Bytes(length);
    const uint32_t header = RecordHeaderLength(record.type, version);
    record.size = bytes.size() > header ? static_cast<uint32_t>(bytes.size() - header) : 0;
    if (flags & 1) record.size = input.U32();
    record.year = 2026;
    record.month = 3;
    record.day = 14;
    record.hour = 19;
    record.minute = 30 + second / 60;
    record.second = second % 60;
    writer.AddRawRecord(record, bytes);
  }
  return writer;
}

void AppendRecord(std::vector<uint8_t>& out, const INDEX_RECORD& record, std::span<const uint8_t> bytes) {
  const size_t length = std::min<size_t>(bytes.size(), 0xFFFF);
  const uint8_t head[8] = {record.type,
                           static_cast<uint8_t>(record.second + (record.minute > 30 ? 60 : 0)),
                           static_cast<uint8_t>(record.millisecond),
                           static_cast<uint8_t>(record.millisecond >> 8),
                           record.camera,
                           0,
                           static_cast<uint8_t>(length),
                           static_cast<uint8_t>(length >> 8)};
  out.insert(out.end(), head, head + 8);
  out.insert(out.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
}

std::vector<uint8_t> RecordsInput(const CBackupWriter& writer, uint32_t version) {
  std::vector<uint8_t> input = {static_cast<uint8_t>(version)};
  const std::vector<uint8_t> data = writer.DataFileBytes();
  for (const INDEX_RECORD& record : writer.Index()) {
    const RecordExtent extent = RecordExtentOf(record, 0, version);
    if (extent.position + extent.length > data.size()) continue;
    AppendRecord(input, record, {data.data() + extent.position, static_cast<size_t>(extent.length)});
  }
  return input;
}

HeadlessViewer::HeadlessViewer() {
  host.SetMessageSink([](const std::string&) {});
  controller.Engine().SetTickClock(clock);
  controller.Engine().SetPictureMessageSink([](const PictureMessage&) {});
  controller.Engine().SetProgramDirectory(ProcessTempDir());
}

HeadlessViewer& SharedViewer() {
  static HeadlessViewer viewer;
  return viewer;
}

void StepThroughBackup(HeadlessViewer& viewer, uint32_t maxRecords) {
  CPlaybackController& controller = viewer.controller;
  const uint32_t count = std::min(controller.Count(), maxRecords);
  for (uint32_t i = 1; i < count; ++i) controller.GoToRecord(i);
  if (count > 1) controller.GoToRecord(count / 2);
  controller.GoToRecord(0);
  controller.BeginSteppedForwardPlay();
  for (uint32_t steps = 0; steps < count && controller.StepForwardPlay(); ++steps) {
  }
  controller.SetPlayState(kStoppedOrPaused);
  controller.Engine().StopSound();
}

}  // namespace bv::fuzz
