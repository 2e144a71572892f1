#pragma once
// CBackupWriter: builds a backup from records and writes it as a container,
// an old ".idx"/".sav" pair, or a container appended to a program file (a
// self-contained backup), with the exact layouts the viewer reads.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/format/audio_header.h"
#include "base/format/camera_info.h"
#include "base/format/index_record.h"

namespace bv {

class CBackupWriter {
 public:
  // infoLen is the length of the camera information block as written: the
  // 343-byte CAMERA_INFO cut to it, or followed by zeros when longer.
  explicit CBackupWriter(uint32_t version, const CAMERA_INFO& camera = CAMERA_INFO{},
                         uint32_t infoLen = CAMERA_INFO::kSize);

  // Time, camera and type come from fields; offset and size are filled in.
  // The title header is written for the version (cut to its field width).
  void AddVideoFrame(const INDEX_RECORD& fields, const std::string& cameraTitle,
                     const std::string& location, std::span<const uint8_t> payload);
  // An audio record: its AUDIO_HEADER, then size bytes of samples.
  void AddAudioChunk(const INDEX_RECORD& fields, const AUDIO_HEADER& header,
                     std::span<const uint8_t> samples);
  // A record's bytes as given, with the index record's size as given (its
  // offset is filled in): for backups that break the rules on purpose.
  void AddRawRecord(const INDEX_RECORD& fields, std::span<const uint8_t> bytes);

  uint32_t Count() const { return static_cast<uint32_t>(index_.size()); }
  // (count + 1) x 24: the index carries one spare slot after its records.
  uint32_t IndexLength() const { return (Count() + 1) * INDEX_RECORD::kSize; }
  const std::vector<INDEX_RECORD>& Index() const { return index_; }

  std::vector<uint8_t> IndexBytes() const;
  // Frame data, camera information, version and infoLen: the ".sav" file.
  std::vector<uint8_t> DataFileBytes() const;
  // Index, frame data, camera information, version, infoLen and trailer.
  std::vector<uint8_t> ContainerBytes() const;

  bool WriteContainer(const std::string& path) const;
  // Writes idxPath and, beside it, the same name with ".sav" for its last
  // four characters.
  bool WritePair(const std::string& idxPath) const;
  // program must be exactly the viewer's program length.
  bool WriteSelfContained(const std::string& path, std::span<const uint8_t> program) const;

 private:
  std::vector<uint8_t> CameraTail() const;

  uint32_t version_;
  CAMERA_INFO camera_;
  uint32_t infoLen_;
  std::vector<INDEX_RECORD> index_;
  std::vector<uint8_t> frameData_;
};

}  // namespace bv
