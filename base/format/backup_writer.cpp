#include "base/format/backup_writer.h"

#include <algorithm>
#include <cstring>

#include "base/format/backup_constants.h"
#include "base/format/backup_trailer.h"
#include "base/format/frame_record.h"
#include "base/platform/file_write.h"

namespace bv {

CBackupWriter::CBackupWriter(uint32_t version, const CAMERA_INFO& camera, uint32_t infoLen)
    : version_(version), camera_(camera), infoLen_(infoLen) {}

void CBackupWriter::AddVideoFrame(const INDEX_RECORD& fields, const std::string& cameraTitle,
                                  const std::string& location, std::span<const uint8_t> payload) {
  const uint32_t width = TitleFieldWidth(version_);
  std::vector<uint8_t> bytes(2 * width + payload.size(), 0);
  // Each title keeps a terminating NUL inside its field.
  if (width > 0) {
    std::memcpy(bytes.data(), cameraTitle.data(), std::min<size_t>(cameraTitle.size(), width - 1));
    std::memcpy(bytes.data() + width, location.data(), std::min<size_t>(location.size(), width - 1));
  }
  std::copy(payload.begin(), payload.end(), bytes.begin() + 2 * width);
  INDEX_RECORD record = fields;
  record.size = static_cast<uint32_t>(payload.size());
  AddRawRecord(record, bytes);
}

void CBackupWriter::AddAudioChunk(const INDEX_RECORD& fields, const AUDIO_HEADER& header,
                                  std::span<const uint8_t> samples) {
  std::vector<uint8_t> bytes(AUDIO_HEADER::kSize + samples.size());
  header.ToBytes(bytes.data());
  std::copy(samples.begin(), samples.end(), bytes.begin() + AUDIO_HEADER::kSize);
  INDEX_RECORD record = fields;
  record.type = kAudioRecordType;
  record.size = static_cast<uint32_t>(samples.size());
  AddRawRecord(record, bytes);
}

void CBackupWriter::AddRawRecord(const INDEX_RECORD& fields, std::span<const uint8_t> bytes) {
  INDEX_RECORD record = fields;
  record.offset = static_cast<uint32_t>(frameData_.size());
  index_.push_back(record);
  frameData_.insert(frameData_.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> CBackupWriter::IndexBytes() const {
  std::vector<uint8_t> bytes(IndexLength(), 0);
  for (size_t i = 0; i < index_.size(); ++i) index_[i].ToBytes(bytes.data() + i * INDEX_RECORD::kSize);
  return bytes;
}

std::vector<uint8_t> CBackupWriter::CameraTail() const {
  std::vector<uint8_t> tail(infoLen_ + 8, 0);
  std::memcpy(tail.data(), &camera_, std::min<size_t>(infoLen_, CAMERA_INFO::kSize));
  WriteU32LE(tail.data() + infoLen_, version_);
  WriteU32LE(tail.data() + infoLen_ + 4, infoLen_);
  return tail;
}

std::vector<uint8_t> CBackupWriter::DataFileBytes() const {
  std::vector<uint8_t> bytes = frameData_;
  const std::vector<uint8_t> tail = CameraTail();
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

std::vector<uint8_t> CBackupWriter::ContainerBytes() const {
  std::vector<uint8_t> bytes = IndexBytes();
  const std::vector<uint8_t> data = DataFileBytes();
  bytes.insert(bytes.end(), data.begin(), data.end());
  const auto trailer = BACKUP_TRAILER{IndexLength(), kTrailerMagic}.ToBytes();
  bytes.insert(bytes.end(), trailer.begin(), trailer.end());
  return bytes;
}

bool CBackupWriter::WriteContainer(const std::string& path) const {
  const std::vector<uint8_t> bytes = ContainerBytes();
  return WriteFileAtomically(path, {bytes});
}

bool CBackupWriter::WritePair(const std::string& idxPath) const {
  if (idxPath.size() < 4) return false;
  const std::string savPath = idxPath.substr(0, idxPath.size() - 4) + ".sav";
  const std::vector<uint8_t> index = IndexBytes();
  const std::vector<uint8_t> data = DataFileBytes();
  return WriteFileAtomically(idxPath, {index}) && WriteFileAtomically(savPath, {data});
}

bool CBackupWriter::WriteSelfContained(const std::string& path, std::span<const uint8_t> program) const {
  if (program.size() != kProgramFileLength) return false;
  const std::vector<uint8_t> container = ContainerBytes();
  return WriteFileAtomically(path, {program, container});
}

}  // namespace bv
