#include "tools/zrvtool/record_hash.h"

#include <algorithm>
#include <vector>

#include "playback/record_extent.h"
#include "playback/sha256.h"

namespace bv::tool {

std::string RecordPayloadHash(const CPlaybackEngine& engine, const INDEX_RECORD& record) {
  const RecordExtent extent = RecordExtentOf(record, engine.FrameBase(), engine.Version());
  const CDataFile& file = engine.DataFile();
  if (!file.Contains(extent.payloadPosition, extent.payloadSize)) return std::string();
  CSha256 sha;
  std::vector<uint8_t> chunk(1 << 16);
  for (uint64_t done = 0; done < extent.payloadSize;) {
    const size_t take = static_cast<size_t>(std::min<uint64_t>(chunk.size(), extent.payloadSize - done));
    if (!file.ReadExactAt(extent.payloadPosition + done, chunk.data(), take)) return std::string();
    sha.Update(chunk.data(), take);
    done += take;
  }
  return sha.FinishHex();
}

}  // namespace bv::tool
