#pragma once
// What the fuzz targets share: a private temporary directory per process,
// the environment that points the codec loader at the build's modules, a
// reader for structured inputs and a backup built from such an input.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/format/backup_writer.h"
#include "base/platform/tick_clock.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"

namespace bv::fuzz {

// Points the module loader at the build's modules and driver registration,
// and the sound output at no device
// (sound is decoded, then dropped). Call once, before any decode.
void UseBuildEnvironment();

// A directory of this process under $TMPDIR (or /tmp), removed at exit, with
// the separator at its end.
const std::string& ProcessTempDir();

// Replaces the file at path with the bytes.
void WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes);

// Reads a fuzz input from its front; past the end every read gives zeros
// (and an empty byte run), so every input means something.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool AtEnd() const { return position_ >= size_; }
  size_t Remaining() const { return size_ - position_; }
  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  std::span<const uint8_t> Bytes(size_t count);
  std::span<const uint8_t> Rest() { return Bytes(Remaining()); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// A backup described record by record (the records fuzz format):
//   version u8 (bits 0..6 taken modulo 9; bit 7 is left to the target)
//   records, each: type u8, second u8, millisecond u16, camera u8, flags u8,
//                  length u16, length bytes (the whole record as stored:
//                  title header or audio header included),
//                  and when flags bit 0 is set a u32 replacing the index
//                  record's size (otherwise the length less the header).
// At most kMaxBuiltRecords records are taken.
constexpr int kMaxBuiltRecords = 64;
CBackupWriter BuildBackup(InputReader& input);

// The inverse, for seeds: one record in the format above.
void AppendRecord(std::vector<uint8_t>& out, const INDEX_RECORD& record, std::span<const uint8_t> bytes);
// A whole backup of the given version in the format above (records made at
// 2026-03-14 19:30 or 19:31, as the sample writers make them, come back
// unchanged through BuildBackup).
std::vector<uint8_t> RecordsInput(const CBackupWriter& writer, uint32_t version);

// The viewer without a screen, kept for the whole run as the viewer keeps
// its dialog across opens: messages dropped, time on a manual clock.
struct HeadlessViewer {
  HeadlessViewer();
  CHeadlessHost host;
  CPlaybackController controller{host};
  CManualTickClock clock;
};
HeadlessViewer& SharedViewer();

// Shows records of the open backup as stepping through it does, then plays
// it forward (pacing and sound on the manual clock); at most maxRecords.
void StepThroughBackup(HeadlessViewer& viewer, uint32_t maxRecords);

}  // namespace bv::fuzz
