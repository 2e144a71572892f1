#include "codecs/wavelet/wavelet_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "codecs/wavelet/checksum.h"
#include "codecs/wavelet/coefficient_block.h"
#include "codecs/wavelet/rans_decoder.h"

namespace bv::wavelet {
namespace {

constexpr uint64_t kRecordMagic = 0x31464552564157ull;  // "WAVREF1"

uint32_t RecordCheck(uint64_t magic, uint16_t width, uint16_t height, uint32_t identity) {
  uint8_t bytes[16];
  std::memcpy(bytes, &magic, 8);
  std::memcpy(bytes + 8, &width, 2);
  std::memcpy(bytes + 10, &height, 2);
  std::memcpy(bytes + 12, &identity, 4);
  return Checksum32(bytes, sizeof bytes, 0x5EED);
}

uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

struct PlaneCoding {
  int planeType;
  int baseStep;
  int reconstructionOffset;  // in 1/16 of a step
};

// Reads the table section: a count, then per table its id, symbol count
// and 5-bit log weights. Tables that cannot occur are refused.
bool ReadTables(const uint8_t* begin, const uint8_t* end, DecoderWorkspace& ws) {
  std::fill(std::begin(ws.tablePresent), std::end(ws.tablePresent), false);
  CBitReader bits;
  bits.Start(begin, end);
  const int count = static_cast<int>(bits.Read(8));
  for (int t = 0; t < count; ++t) {
    const int id = static_cast<int>(bits.Read(8));
    const int symbolCount = static_cast<int>(bits.Read(4)) + 1;
    uint8_t logWeights[kAlphabetSize];
    for (int s = 0; s < symbolCount; ++s) logWeights[s] = static_cast<uint8_t>(bits.Read(5));
    if (id >= kTableCount || ws.tablePresent[id]) return false;
    if (symbolCount > MaxSymbolsOfSlot(id % kTablesPerBandType)) return false;
    FrequencyTable frequencies;
    if (!NormaliseLogWeights(logWeights, symbolCount, &frequencies)) return false;
    BuildDecodeTable(frequencies, &ws.tables[id]);
    ws.tablePresent[id] = true;
  }
  return bits.FinishedCleanly();
}

// Bucket of the larger neighbouring class (ClassContext): 0, 1-2, 3-4, 5 and above.
inline int NeighbourBucket(int neighbourClass) { return std::min(3, (neighbourClass + 1) >> 1); }

constexpr uint8_t kNoClasses[(kMaxWidth / 2 + kBlockSize - 1) / kBlockSize] = {};

bool DecodePlane(const PlaneGeometry& g, const PlaneCoding& coding, CRansReader& ransState, CBitReader& bitsState,
                 DecoderWorkspace& ws, int16_t* coefficients) {
  // Local copies stay in registers between blocks.
  CRansReader rans = ransState;
  CBitReader bits = bitsState;
  const ptrdiff_t stride = g.width;
  alignas(16) int16_t values[kBlockArea];
  for (int bi = 0; bi < g.bandCount; ++bi) {
    const Band& band = g.bands[bi];
    const int step = SubbandStep(coding.baseStep, band.weight);
    const Dequantiser dequantiser{step, (step * coding.reconstructionOffset) >> 4};
    const int firstId = TableId(coding.planeType, band.group, 0);
    BandTables tables{&ws.tables[firstId], 0};
    for (int slot = 0; slot < kTablesPerBandType; ++slot)
      tables.present |= static_cast<uint32_t>(ws.tablePresent[firstId + slot]) << slot;
    const int across = BlocksAcross(band), down = BlocksDown(band);
    uint8_t* classes = ws.blockClasses[bi];
    const bool hasParent = band.parent >= 0;
    const uint8_t* parentClasses = hasParent ? ws.blockClasses[band.parent] : kNoClasses;
    const int parentAcross = hasParent ? BlocksAcross(g.bands[band.parent]) : 1;
    const int parentDown = hasParent ? BlocksDown(g.bands[band.parent]) : 1;
    for (int by = 0; by < down; ++by) {
      const int blockHeight = std::min(kBlockSize, band.height - by * kBlockSize);
      uint8_t* row = classes + by * across;
      const uint8_t* upperRow = by > 0 ? row - across : kNoClasses;
      const uint8_t* parentRow = hasParent ? parentClasses + std::min(by / 2, parentDown - 1) * parentAcross : kNoClasses;
      int left = 0;
      int16_t* blockRow = coefficients + (band.y + by * kBlockSize) * stride + band.x;
      for (int bx = 0; bx < across; ++bx) {
        const int parent = parentRow[std::min(bx >> 1, parentAcross - 1)];
        // The table's address is computed, not loaded, to keep the chain
        // from one block's class to the next short.
        const int context = NeighbourBucket(std::max<int>(left, upperRow[bx])) * 2 + (parent != 0);
        if (((tables.present >> context) & 1) == 0) return false;
        const int blockClass = rans.Decode(tables.first[kSlotBlockClass + context]);
        row[bx] = static_cast<uint8_t>(blockClass);
        left = blockClass;
        const int blockWidth = std::min(kBlockSize, band.width - bx * kBlockSize);
        int16_t* dst = blockRow + bx * kBlockSize;
        if (blockClass == 0) {
          ClearBlock(blockWidth, blockHeight, dst, stride);
          continue;
        }
        if (!DecodeBlockValues(rans, bits, tables, blockClass, values)) return false;
        DequantiseBlock(values, blockWidth, blockHeight, dequantiser, dst, stride);
      }
    }
  }
  ransState = rans;
  bitsState = bits;
  return true;
}

}  // namespace

bool ReadPictureRecord(const uint8_t* record, PictureRecord* out) {
  uint64_t magic;
  uint16_t width, height;
  uint32_t identity, check;
  std::memcpy(&magic, record, 8);
  std::memcpy(&width, record + 8, 2);
  std::memcpy(&height, record + 10, 2);
  std::memcpy(&identity, record + 12, 4);
  std::memcpy(&check, record + 16, 4);
  if (magic != kRecordMagic || check != RecordCheck(magic, width, height, identity)) return false;
  if (!IsSupportedSize(width, height)) return false;
  out->width = width;
  out->height = height;
  out->identity = identity;
  return true;
}

void WritePictureRecord(uint8_t* record, const PictureRecord& picture) {
  const uint64_t magic = kRecordMagic;
  const uint16_t width = static_cast<uint16_t>(picture.width), height = static_cast<uint16_t>(picture.height);
  const uint32_t check = RecordCheck(magic, width, height, picture.identity);
  std::memcpy(record, &magic, 8);
  std::memcpy(record + 8, &width, 2);
  std::memcpy(record + 10, &height, 2);
  std::memcpy(record + 12, &picture.identity, 4);
  std::memcpy(record + 16, &check, 4);
  std::memset(record + 20, 0, kPictureRecordSize - 20);
}

void ForgetPicture(uint8_t* record) { std::memset(record, 0, kPictureRecordSize); }

DecodeStatus DecodeFrame(const uint8_t* payload, size_t payloadSize, DecoderWorkspace& ws,
                         const PictureBuffers& picture, FrameInfo* info) {
  if (payloadSize < kPrefixSize) return DecodeStatus::kBadLength;
  const uint8_t kind = payload[3];
  if (!IsWaveletKind(kind)) return DecodeStatus::kNotWaveletPayload;
  // Bytes 0..2 are not read: the coded data is the rest of the payload.
  const size_t length = payloadSize - kPrefixSize;
  const int height = payload[4] << 8 | payload[5];
  const int width = payload[6] << 8 | payload[7];
  if (!IsSupportedSize(width, height)) return DecodeStatus::kUnsupportedSize;
  if (length > kMaxCodedSize || length < kHeaderSize + 2) return DecodeStatus::kBadLength;

  const uint8_t* data = payload + kPrefixSize;
  const uint8_t* dataEnd = data + length;
  const uint64_t seed = static_cast<uint64_t>(kind) << 32 | static_cast<uint64_t>(height) << 16 | width;
  const uint32_t checksum = ReadLe32(data + kChecksumOffset);
  if (Checksum32(data + kChecksummedFrom, length - kChecksummedFrom, seed) != checksum)
    return DecodeStatus::kChecksumMismatch;
  if (data[0] != kFormatVersion) return DecodeStatus::kCorruptData;

  const bool delta = kind != kKindKey;
  const uint32_t referenceIdentity = ReadLe32(data + 12);
  if (delta) {
    PictureRecord held;
    if (!ReadPictureRecord(picture.record, &held) || held.width != width || held.height != height ||
        held.identity != referenceIdentity)
      return DecodeStatus::kNoReference;
  }

  const PlaneCoding lumaCoding{kLuma, ReadLe16(data + 2), data[6]};
  const PlaneCoding chromaCoding{kChroma, ReadLe16(data + 4), data[7]};
  if (lumaCoding.baseStep < 1 || lumaCoding.baseStep > kMaxBaseStep || chromaCoding.baseStep < 1 ||
      chromaCoding.baseStep > kMaxBaseStep || lumaCoding.reconstructionOffset > 15 ||
      chromaCoding.reconstructionOffset > 15)
    return DecodeStatus::kCorruptData;

  const size_t rawLength = ReadLe32(data + 16);
  const size_t tableLength = ReadLe16(data + kHeaderSize);
  const uint8_t* tables = data + kHeaderSize + 2;
  // The three sections must fit one after the other (checked so that no
  // difference can wrap around).
  const size_t sectionsLength = length - kHeaderSize - 2;
  if (rawLength > sectionsLength || tableLength > sectionsLength - rawLength) return DecodeStatus::kCorruptData;
  const uint8_t* ransBegin = tables + tableLength;
  const uint8_t* rawBegin = dataEnd - rawLength;
  if (!ReadTables(tables, ransBegin, ws)) return DecodeStatus::kCorruptData;

  CRansReader rans;
  if (!rans.Start(ransBegin, rawBegin)) return DecodeStatus::kCorruptData;
  CBitReader bits;
  bits.Start(rawBegin, dataEnd);

  const PlaneGeometry lumaGeometry = MakePlaneGeometry(width, height);
  const PlaneGeometry chromaGeometry = MakePlaneGeometry(width / 2, height / 2);
  if (!DecodePlane(lumaGeometry, lumaCoding, rans, bits, ws, ws.luma) ||
      !DecodePlane(chromaGeometry, chromaCoding, rans, bits, ws, ws.chroma[0]) ||
      !DecodePlane(chromaGeometry, chromaCoding, rans, bits, ws, ws.chroma[1]))
    return DecodeStatus::kCorruptData;
  if (!rans.FinishedCleanly() || !bits.FinishedCleanly()) return DecodeStatus::kCorruptData;

  // Everything is known good: only now is the picture changed.
  const SynthesisBuffers buffers{{ws.low[0], ws.low[1]}, ws.rows};
  SynthesizePlane(lumaGeometry, ws.luma, buffers, picture.luma, delta);
  SynthesizePlane(chromaGeometry, ws.chroma[0], buffers, picture.cb, delta);
  SynthesizePlane(chromaGeometry, ws.chroma[1], buffers, picture.cr, delta);

  const uint32_t identity = PictureIdentity(delta ? referenceIdentity : 0, checksum);
  WritePictureRecord(picture.record, PictureRecord{width, height, identity});
  if (info) *info = FrameInfo{width, height, kind, identity};
  return DecodeStatus::kDecoded;
}

}  // namespace bv::wavelet
