#include "playback/engine/backup_cut.h"

#include <vector>

#include "base/format/backup_constants.h"
#include "base/format/backup_trailer.h"
#include "base/format/codec_table.h"
#include "base/format/record_extent.h"
#include "base/platform/file_write.h"
#include "base/platform/string_printf.h"
#include "playback/engine/playback_controller.h"

namespace bv {
namespace {

CutResult Fail(std::string why) {
  CutResult r;
  r.error = std::move(why);
  return r;
}

bool IsDeltaKind(uint8_t kind) {
  return kind == kWaveletDeltaFrame1 || kind == kWaveletDeltaFrame2 || kind == kMpeg4DeltaFrame;
}

}  // namespace

uint32_t ClipStartWithKeyFrame(const CPlaybackController& source, uint32_t first) {
  const IndexArray& index = source.Index();
  const CPlaybackEngine& engine = source.Engine();
  uint32_t i = first;
  while (i < index.size() && index[i].IsAudio()) ++i;
  uint8_t kind = 0;
  if (i >= index.size() || !engine.ReadKindByte(index[i], &kind) || !IsDeltaKind(kind)) return first;
  for (uint32_t k = i; k-- > 0;) {
    if (index[k].IsAudio()) continue;
    if (engine.ReadKindByte(index[k], &kind) && IsKeyFrameKind(kind)) return k;
  }
  return first;
}

CutResult CutBackup(const CPlaybackController& source, uint32_t first, uint32_t last, const std::string& path) {
  const IndexArray& index = source.Index();
  if (index.empty()) return Fail("no backup is open");
  if (first > last || last >= index.size()) {
    return Fail(StringPrintf("records %u..%u are not within 0..%u", first, last, index.size() - 1));
  }
  const CPlaybackEngine& engine = source.Engine();
  const CDataFile& file = engine.DataFile();
  first = ClipStartWithKeyFrame(source, first);

  const uint32_t count = last - first + 1;
  const uint32_t indexLength = (count + 1) * INDEX_RECORD::kSize;
  std::vector<uint8_t> indexBytes(indexLength, 0);
  std::vector<uint8_t> frameData;
  for (uint32_t i = first; i <= last; ++i) {
    const RecordExtent extent = RecordExtentOf(index[i], engine.FrameBase(), engine.Version());
    if (!file.Contains(extent.position, extent.length)) {
      return Fail(StringPrintf("record %u reaches past the end of the backup", i));
    }
    if (frameData.size() + extent.length > UINT32_MAX) return Fail("the clip is too large for a container");
    INDEX_RECORD record = index[i];
    record.offset = static_cast<uint32_t>(frameData.size());
    record.ToBytes(indexBytes.data() + (i - first) * INDEX_RECORD::kSize);
    const size_t at = frameData.size();
    frameData.resize(at + extent.length);
    if (!file.ReadExactAt(extent.position, frameData.data() + at, extent.length)) {
      return Fail(StringPrintf("record %u cannot be read", i));
    }
  }

  // The camera information block, version and infoLen exactly as stored.
  const uint64_t length = file.Length();
  const uint64_t tail = source.IsOldPair() ? kOldPairTailOffset : kContainerTailOffset;
  const uint32_t infoLen = engine.InfoLen();
  if (length < tail + infoLen) return Fail("the camera information cannot be read");
  std::vector<uint8_t> camera(infoLen + 8);
  if (!file.ReadExactAt(length - tail - infoLen, camera.data(), camera.size())) {
    return Fail("the camera information cannot be read");
  }
  // The trailer: the original's when it has one, with the new index length.
  std::array<uint8_t, kTrailerSize> trailer = BACKUP_TRAILER{indexLength, kTrailerMagic}.ToBytes();
  if (tail == kContainerTailOffset) file.ReadExactAt(length - kTrailerSize, trailer.data(), kTrailerSize);
  WriteU32LE(trailer.data(), indexLength);

  if (!WriteFileAtomically(path, {indexBytes, frameData, camera, trailer})) return Fail("cannot write " + path);
  CutResult result;
  result.ok = true;
  result.first = first;
  result.last = last;
  result.count = count;
  return result;
}

}  // namespace bv
