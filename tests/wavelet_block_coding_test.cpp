// The Wavelet block coding on its own: blocks of every class written with
// the encoder's symbol stream and read back with the decoder's block
// reader, and the readers' refusal of streams that do not add up.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "codecs/wavelet/block_symbols.h"
#include "codecs/wavelet/coefficient_block.h"
#include "codecs/wavelet/entropy_tables.h"
#include "codecs/wavelet/rans_decoder.h"
#include "codecs/wavelet/symbol_stream.h"

namespace bv::wavelet {
namespace {

constexpr int kPlaneType = kChroma;
constexpr int kGroup = kGroupLevel2;

struct TestBlock {
  uint16_t magnitude[kBlockArea] = {};
  uint8_t negative[kBlockArea] = {};
  int context = 0;
};

// A block whose sub-blocks have the given classes (0..15), each filled so
// that it reaches its class, with zeros and both signs mixed in.
TestBlock MakeBlock(std::mt19937& random, const int (&subclasses)[4], int context) {
  TestBlock block;
  block.context = context;
  for (int q = 0; q < 4; ++q) {
    const int s = subclasses[q];
    if (s == 0) continue;
    const int base = SubblockOffset(q);
    const int density = 1 + static_cast<int>(random() % 4);  // 1 in density coefficients non-zero
    for (int i = 0; i < 16; ++i) {
      const int at = base + (i >> 2) * kBlockSize + (i & 3);
      if (random() % density == 0) block.magnitude[at] = static_cast<uint16_t>(random() % (1u << s));
      block.negative[at] = block.magnitude[at] != 0 && random() % 2;
    }
    // One coefficient at the top of the class.
    const int top = base + static_cast<int>(random() % 4) * kBlockSize + static_cast<int>(random() % 4);
    block.magnitude[top] = static_cast<uint16_t>((1u << (s - 1)) | (random() % (1u << (s - 1))));
  }
  return block;
}

struct CodedBlocks {
  std::vector<uint8_t> rans, raw;
  std::unique_ptr<DecodeTable[]> decodeTables = std::make_unique<DecodeTable[]>(kTablesPerBandType);
  BandTables tables{};
};

CodedBlocks Code(const std::vector<TestBlock>& blocks) {
  CSymbolStream stream;
  auto tableOf = [](int slot) { return TableId(kPlaneType, kGroup, slot); };
  for (const TestBlock& b : blocks) CodeBlockSymbols(b.magnitude, b.negative, b.context, tableOf, stream);
  std::array<FrequencyTable, kTableCount> frequencies{};
  stream.TableSection(&frequencies);
  CodedBlocks coded;
  coded.rans = stream.RansSection(frequencies);
  coded.raw = stream.RawSection();
  coded.tables.first = coded.decodeTables.get();
  for (int slot = 0; slot < kTablesPerBandType; ++slot) {
    const FrequencyTable& f = frequencies[tableOf(slot)];
    if (f.symbolCount == 0) continue;
    BuildDecodeTable(f, &coded.decodeTables[slot]);
    coded.tables.present |= 1u << slot;
  }
  return coded;
}

// Decodes the blocks as the plane decoder does: class, then the values.
// False at the first refusal.
bool DecodeAll(const CodedBlocks& coded, const std::vector<TestBlock>& blocks,
               std::vector<std::vector<int16_t>>* decoded) {
  CRansReader rans;
  CBitReader bits;
  if (!rans.Start(coded.rans.data(), coded.rans.data() + coded.rans.size())) return false;
  bits.Start(coded.raw.data(), coded.raw.data() + coded.raw.size());
  for (const TestBlock& b : blocks) {
    const DecodeTable* classTable = coded.tables.Slot(kSlotBlockClass + b.context);
    if (!classTable) return false;
    const int blockClass = rans.Decode(*classTable);
    alignas(16) int16_t values[kBlockArea] = {};
    if (blockClass != 0 && !DecodeBlockValues(rans, bits, coded.tables, blockClass, values)) return false;
    decoded->emplace_back(values, values + kBlockArea);
  }
  return rans.FinishedCleanly() && bits.FinishedCleanly();
}

TEST(WaveletBlockCoding, BlocksOfEveryClassAndShapeDecodeToTheirValues) {
  std::mt19937 random(41);
  std::vector<TestBlock> blocks;
  // Every class with all sub-blocks at it, with one sub-block at it and the
  // rest empty or lower, and blocks of nothing.
  for (int k = 1; k <= kMaxClass; ++k) {
    blocks.push_back(MakeBlock(random, {k, k, k, k}, k % kClassNeighbourContexts));
    blocks.push_back(MakeBlock(random, {0, k, 0, 0}, 0));
    blocks.push_back(MakeBlock(random, {k - 1, k / 2, k, 1}, 3));
    blocks.push_back(TestBlock{});
  }
  // Many random sparse ones, as most blocks of a picture are.
  for (int n = 0; n < 300; ++n) {
    int subclasses[4];
    for (int& s : subclasses) s = random() % 3 == 0 ? static_cast<int>(random() % 4) : 0;
    blocks.push_back(MakeBlock(random, subclasses, static_cast<int>(random() % kClassNeighbourContexts)));
  }
  const CodedBlocks coded = Code(blocks);
  std::vector<std::vector<int16_t>> decoded;
  ASSERT_TRUE(DecodeAll(coded, blocks, &decoded));
  ASSERT_EQ(decoded.size(), blocks.size());
  for (size_t n = 0; n < blocks.size(); ++n) {
    for (int i = 0; i < kBlockArea; ++i) {
      const int expected = blocks[n].negative[i] ? -blocks[n].magnitude[i] : blocks[n].magnitude[i];
      ASSERT_EQ(decoded[n][i], expected) << "block " << n << " position " << i;
    }
  }
}

TEST(WaveletBlockCoding, TheLastBlocksOfAStreamDecodeWithCheckedWords) {
  // Fewer words than one block can take: every symbol goes through the
  // checked path, and the stream still ends exactly.
  std::mt19937 random(5);
  const std::vector<TestBlock> blocks = {MakeBlock(random, {3, 0, 2, 1}, 1), MakeBlock(random, {1, 1, 0, 0}, 2)};
  const CodedBlocks coded = Code(blocks);
  ASSERT_LT(coded.rans.size(), 16 + 2 * static_cast<size_t>(kMaxSymbolsAfterClass));
  std::vector<std::vector<int16_t>> decoded;
  ASSERT_TRUE(DecodeAll(coded, blocks, &decoded));
  for (int i = 0; i < kBlockArea; ++i)
    EXPECT_EQ(decoded[0][i], blocks[0].negative[i] ? -blocks[0].magnitude[i] : blocks[0].magnitude[i]);
}

TEST(WaveletBlockCoding, CutStreamsAreNotTakenForComplete) {
  std::mt19937 random(8);
  std::vector<TestBlock> blocks;
  for (int n = 0; n < 40; ++n) blocks.push_back(MakeBlock(random, {2, 5, 0, 3}, n % 8));
  const CodedBlocks whole = Code(blocks);
  for (size_t cut : {size_t{2}, size_t{10}, whole.rans.size() / 2}) {
    CodedBlocks shortened = Code(blocks);
    shortened.rans.resize(shortened.rans.size() - cut);
    std::vector<std::vector<int16_t>> decoded;
    EXPECT_FALSE(DecodeAll(shortened, blocks, &decoded)) << "rANS section cut by " << cut;
  }
  CodedBlocks fewerBits = Code(blocks);
  fewerBits.raw.resize(fewerBits.raw.size() - 3);
  std::vector<std::vector<int16_t>> decoded;
  EXPECT_FALSE(DecodeAll(fewerBits, blocks, &decoded));
  CodedBlocks moreBits = Code(blocks);
  moreBits.raw.push_back(0);
  decoded.clear();
  EXPECT_FALSE(DecodeAll(moreBits, blocks, &decoded));
}

// A stream written symbol by symbol, for the cases the encoder never writes.
struct HandStream {
  CSymbolStream stream;
  int Table(int slot) const { return TableId(kPlaneType, kGroup, slot); }
  void Symbol(int slot, int token) { stream.Symbol(Table(slot), token); }
};

bool DecodeOneBlock(const CSymbolStream& stream, int context) {
  std::array<FrequencyTable, kTableCount> frequencies{};
  stream.TableSection(&frequencies);
  const std::vector<uint8_t> ransBytes = stream.RansSection(frequencies);
  auto decodeTables = std::make_unique<DecodeTable[]>(kTablesPerBandType);
  BandTables tables{decodeTables.get(), 0};
  for (int slot = 0; slot < kTablesPerBandType; ++slot) {
    const FrequencyTable& f = frequencies[TableId(kPlaneType, kGroup, slot)];
    if (f.symbolCount == 0) continue;
    BuildDecodeTable(f, &decodeTables[slot]);
    tables.present |= 1u << slot;
  }
  CRansReader rans;
  CBitReader bits;
  EXPECT_TRUE(rans.Start(ransBytes.data(), ransBytes.data() + ransBytes.size()));
  const std::vector<uint8_t> raw(8, 0);
  bits.Start(raw.data(), raw.data() + raw.size());
  const int blockClass = rans.Decode(*tables.Slot(kSlotBlockClass + context));
  alignas(16) int16_t values[kBlockArea];
  return DecodeBlockValues(rans, bits, tables, blockClass, values);
}

TEST(WaveletBlockCoding, ASubblockAboveItsBlocksClassIsRefused) {
  HandStream hand;
  hand.Symbol(kSlotBlockClass, 6);
  for (int drop : {0, 7, 0, 0}) hand.Symbol(kSlotSubclassDrop + 3, drop);  // class 6 - 7 < 0
  EXPECT_FALSE(DecodeOneBlock(hand.stream, 0));

  HandStream fine;
  fine.Symbol(kSlotBlockClass, 6);
  for (int drop : {0, 6, 6, 6}) fine.Symbol(kSlotSubclassDrop + 3, drop);
  for (int i = 0; i < 16; ++i) fine.Symbol(MagnitudeSlot(6), i == 0 ? 8 : 0);
  EXPECT_TRUE(DecodeOneBlock(fine.stream, 0));
}

TEST(WaveletBlockCoding, ABlockNeedingATableThePayloadLacksIsRefused) {
  // A class-1 block with no sub-block mask table behind it.
  HandStream hand;
  hand.Symbol(kSlotBlockClass, 1);
  hand.Symbol(kSlotBlockClass, 0);
  EXPECT_FALSE(DecodeOneBlock(hand.stream, 0));
  // A class-3 sub-block without its value table.
  HandStream dense;
  dense.Symbol(kSlotBlockClass, 3);
  for (int drop : {0, 3, 3, 3}) dense.Symbol(kSlotSubclassDrop + 1, drop);
  EXPECT_FALSE(DecodeOneBlock(dense.stream, 0));
}

TEST(WaveletTables, LogWeightsFollowTheCountsInHalfPowersOfTwo) {
  EXPECT_EQ(LogWeightOf(0, 1000), 0);
  EXPECT_EQ(LogWeightOf(1000, 1000), 31);
  EXPECT_EQ(LogWeightOf(500, 1000), 29);   // half: two half-steps down
  EXPECT_EQ(LogWeightOf(707, 1000), 30);   // 1/sqrt(2): one
  EXPECT_EQ(LogWeightOf(1, 1u << 30), 1);  // however rare, still present
  uint8_t last = 31;
  for (uint32_t count = 1000; count > 0; count = count * 9 / 10) {
    const uint8_t e = LogWeightOf(count, 1000);
    EXPECT_LE(e, last);
    last = e;
  }
}

TEST(WaveletBlockCoding, EachSlotLimitsItsTablesSymbols) {
  EXPECT_EQ(MaxSymbolsOfSlot(kSlotSubclassDrop), 3);      // blocks of class 2: drops 0..2
  EXPECT_EQ(MaxSymbolsOfSlot(kSlotSubclassDrop + 2), 5);  // class 4
  EXPECT_EQ(MaxSymbolsOfSlot(kSlotSubclassDrop + 3), 16);
  EXPECT_EQ(MaxSymbolsOfSlot(MagnitudeSlot(3)), 15);      // signed values -7..7
  EXPECT_EQ(MaxSymbolsOfSlot(kSlotPattern), 16);
  EXPECT_EQ(TableId(kChroma, kGroupLevel1, MagnitudeSlot(15)), kTableCount - 1);
}

TEST(WaveletRans, SymbolsOfSkewedUniformAndSingleSymbolTablesComeBackInOrder) {
  // Tables of very different shapes, used in a random order: one almost
  // certain symbol, sixteen alike, two alike, a single symbol (which costs
  // no bits), and a steep geometric one.
  std::mt19937 random(29);
  auto draw = [&](int table) {
    switch (table) {
      case 0: return random() % 1000 == 0 ? 1 + static_cast<int>(random() % 15) : 0;
      case 1: return static_cast<int>(random() % 16);
      case 2: return static_cast<int>(random() % 2);
      case 3: return 5;
      default: {
        int s = 0;
        while (s < 15 && random() % 3 != 0) ++s;
        return s;
      }
    }
  };
  CSymbolStream stream;
  std::vector<CodedSymbol> sent;
  for (int n = 0; n < 30000; ++n) {
    const int table = static_cast<int>(random() % 5) * 37;  // spread over the id space
    const int token = draw(table / 37);
    stream.Symbol(table, token);
    sent.push_back(CodedSymbol{static_cast<uint8_t>(table), static_cast<uint8_t>(token)});
  }
  std::array<FrequencyTable, kTableCount> frequencies{};
  stream.TableSection(&frequencies);
  const std::vector<uint8_t> section = stream.RansSection(frequencies);
  auto decodeTables = std::make_unique<DecodeTable[]>(kTableCount);
  for (int id = 0; id < kTableCount; ++id)
    if (frequencies[id].symbolCount > 0) BuildDecodeTable(frequencies[id], &decodeTables[id]);

  // Single symbols (the checked step) and runs of four (the unchecked one)
  // mixed, as the block decoder mixes them.
  CRansReader rans;
  ASSERT_TRUE(rans.Start(section.data(), section.data() + section.size()));
  size_t n = 0;
  while (n < sent.size()) {
    const bool runOfFour = n + 4 <= sent.size() && sent[n].table == sent[n + 1].table &&
                           sent[n].table == sent[n + 2].table && sent[n].table == sent[n + 3].table &&
                           rans.WordsLeft() >= 4;
    if (runOfFour) {
      uint8_t tokens[4];
      rans.DecodeQuadsUnchecked(decodeTables[sent[n].table], 1, tokens);
      for (int k = 0; k < 4; ++k, ++n) ASSERT_EQ(tokens[k], sent[n].token) << n;
    } else {
      ASSERT_EQ(rans.Decode(decodeTables[sent[n].table]), sent[n].token) << n;
      ++n;
    }
  }
  EXPECT_TRUE(rans.FinishedCleanly());
  // The near-certain and single-symbol tables cost next to nothing: well
  // under one bit a symbol overall.
  EXPECT_LT(section.size() * 8, sent.size() * 3);
}

TEST(WaveletBitReader, ReadsBackAnyMixOfWidthsWrittenByTheEncoder) {
  std::mt19937 random(31);
  CBitWriter writer;
  std::vector<std::pair<uint32_t, int>> written;
  for (int n = 0; n < 5000; ++n) {
    const int width = 1 + static_cast<int>(random() % 32);
    const uint32_t value = static_cast<uint32_t>(random()) & (width == 32 ? 0xFFFFFFFFu : (1u << width) - 1);
    writer.Write(value, width);
    written.emplace_back(value, width);
  }
  const std::vector<uint8_t>& bytes = writer.Bytes();
  CBitReader reader;
  reader.Start(bytes.data(), bytes.data() + bytes.size());
  for (size_t n = 0; n < written.size(); ++n) {
    const auto [value, width] = written[n];
    if (n % 2 == 0) {
      ASSERT_EQ(reader.Read(width), value) << n;
    } else {
      // The way the block decoder reads: refill, peek, skip.
      reader.Refill();
      ASSERT_EQ(static_cast<uint32_t>(reader.Peek() & ((uint64_t{1} << width) - 1)), value) << n;
      reader.Skip(width);
    }
  }
  EXPECT_TRUE(reader.FinishedCleanly());
}

TEST(WaveletBitReader, ReadsLeastSignificantBitFirstAndSpotsReadingPastTheEnd) {
  const uint8_t bytes[11] = {0xA5, 0x0F, 0xFF, 0x00, 0x81, 0x7E, 0x33, 0xCC, 0x01, 0x80, 0x55};
  CBitReader bits;
  bits.Start(bytes, bytes + sizeof bytes);
  EXPECT_EQ(bits.Read(4), 0x5u);
  EXPECT_EQ(bits.Read(8), 0xFAu);
  EXPECT_EQ(bits.Read(20), 0x00FF0u);
  EXPECT_EQ(bits.Read(32), 0x337E81u | 0xCCu << 24);
  EXPECT_EQ(bits.Read(16), 0x8001u);
  EXPECT_FALSE(bits.FinishedCleanly());  // 8 bits left
  EXPECT_EQ(bits.Read(5), 0x15u);
  EXPECT_TRUE(bits.FinishedCleanly());  // 3 padding bits may remain
  EXPECT_EQ(bits.Read(3), 0x2u);
  EXPECT_TRUE(bits.FinishedCleanly());
  EXPECT_EQ(bits.Read(1), 0u);  // past the end: zeros, and noticed
  EXPECT_FALSE(bits.FinishedCleanly());
}

}  // namespace
}  // namespace bv::wavelet
