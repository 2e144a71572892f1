#include "playback/engine/record_hash.h"

#include <algorithm>
#include <vector>

#include "base/format/record_extent.h"
#include "base/platform/data_file.h"
#include "base/platform/sha256.h"

namespace bv {

std::optional<std::array<uint8_t, 32>> RecordPayloadDigest(const CPlaybackEngine& engine, const INDEX_RECORD& record) {
  const RecordExtent extent = RecordExtentOf(record, engine.FrameBase(), engine.Version());
  const CDataFile& file = engine.DataFile();
  if (!file.Contains(extent.payloadPosition, extent.payloadSize)) return std::nullopt;
  CSha256 sha;
  std::vector<uint8_t> chunk(1 << 16);
  for (uint64_t done = 0; done < extent.payloadSize;) {
    const size_t take = static_cast<size_t>(std::min<uint64_t>(chunk.size(), extent.payloadSize - done));
    if (!file.ReadExactAt(extent.payloadPosition + done, chunk.data(), take)) return std::nullopt;
    sha.Update(chunk.data(), take);
    done += take;
  }
  return sha.Finish();
}

std::string RecordPayloadHash(const CPlaybackEngine& engine, const INDEX_RECORD& record) {
  const std::optional<std::array<uint8_t, 32>> digest = RecordPayloadDigest(engine, record);
  return digest ? DigestHex(*digest) : std::string();
}

std::string FileSha256(const std::string& path, const HashProgress& progress) {
  CDataFile file;
  if (!file.Open(path)) return std::string();
  CSha256 sha;
  std::vector<uint8_t> chunk(1 << 20);
  for (uint64_t done = 0; done < file.Length();) {
    const size_t n = file.ReadAt(done, chunk.data(), chunk.size());
    if (n == 0) return std::string();
    sha.Update(chunk.data(), n);
    done += n;
    if (progress && !progress(done)) return std::string();
  }
  return sha.FinishHex();
}

}  // namespace bv
