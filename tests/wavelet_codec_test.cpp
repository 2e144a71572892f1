// Parts of the Wavelet codec on their own: the lifting transform, the
// probability tables, the picture record, the encoder's limits, and the
// demo backup it makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "base/format/frame_record.h"
#include "codecs/wavelet/checksum.h"
#include "codecs/wavelet/entropy_tables.h"
#include "codecs/wavelet/inverse_transform.h"
#include "codecs/wavelet/symbol_stream.h"
#include "codecs/wavelet/wavelet_decoder.h"
#include "codecs/wavelet/wavelet_encoder.h"
#include "tools/samples/sample_backups.h"
#include "tools/samples/test_picture.h"

namespace bv::wavelet {
namespace {

TEST(WaveletTransform, AnalysisThenSynthesisGivesBackEverySampleAtAnySize) {
  std::mt19937 random(3);
  const int sizes[][2] = {{16, 16}, {18, 18}, {50, 38}, {176, 144}, {352, 240}, {352, 288}, {704, 576}, {8, 8}};
  std::vector<int16_t> low0(352 * 288), low1(352 * 288), rows(kSynthesisRows * kSynthesisRowLength);
  for (const auto& size : sizes) {
    const PlaneGeometry g = MakePlaneGeometry(size[0], size[1]);
    SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1] << ", " << g.levels << " levels");
    std::vector<uint8_t> original(static_cast<size_t>(g.width) * g.height);
    for (size_t i = 0; i < original.size(); ++i)
      original[i] = static_cast<uint8_t>(i % 7 == 0 ? random() : (i * 3) % 251);
    std::vector<int32_t> samples(original.size());
    for (size_t i = 0; i < original.size(); ++i) samples[i] = (original[i] - 128) * 4;
    AnalyzePlane(g, samples.data());
    std::vector<int16_t> coefficients(samples.begin(), samples.end());
    std::vector<uint8_t> picture(original.size(), 0);
    SynthesizePlane(g, coefficients.data(), SynthesisBuffers{{low0.data(), low1.data()}, rows.data()}, picture.data(),
                    false);
    EXPECT_EQ(picture, original);
    // As a delta on a picture of mid grey, the same samples come back.
    std::vector<int32_t> differences(original.size());
    for (size_t i = 0; i < original.size(); ++i) differences[i] = (original[i] - 100) * 4;
    AnalyzePlane(g, differences.data());
    std::vector<int16_t> deltaCoefficients(differences.begin(), differences.end());
    std::vector<uint8_t> reference(original.size(), 100);
    SynthesizePlane(g, deltaCoefficients.data(), SynthesisBuffers{{low0.data(), low1.data()}, rows.data()},
                    reference.data(), true);
    EXPECT_EQ(reference, original);
  }
}

TEST(WaveletTransform, LevelCountFollowsThePictureSize) {
  EXPECT_EQ(LevelCount(704, 576), 5);
  EXPECT_EQ(LevelCount(352, 288), 5);
  EXPECT_EQ(LevelCount(176, 144), 4);
  EXPECT_EQ(LevelCount(16, 16), 1);
  EXPECT_EQ(LevelCount(8, 8), 0);
}

TEST(WaveletTables, LogWeightsNormaliseToExactlyTheProbabilityScale) {
  std::mt19937 random(9);
  for (int trial = 0; trial < 500; ++trial) {
    const int count = 1 + static_cast<int>(random() % kAlphabetSize);
    uint8_t weights[kAlphabetSize] = {};
    for (int s = 0; s < count; ++s) weights[s] = static_cast<uint8_t>(random() % 32);
    weights[random() % count] = static_cast<uint8_t>(1 + random() % 31);
    FrequencyTable table;
    ASSERT_TRUE(NormaliseLogWeights(weights, count, &table));
    uint32_t sum = 0;
    for (int s = 0; s < kAlphabetSize; ++s) {
      EXPECT_EQ(table.frequency[s] > 0, s < count && weights[s] > 0) << s;
      EXPECT_EQ(table.start[s], sum);
      sum += table.frequency[s];
    }
    EXPECT_EQ(sum, kProbabilityScale);
  }
  const uint8_t none[3] = {0, 0, 0};
  FrequencyTable table;
  EXPECT_FALSE(NormaliseLogWeights(none, 3, &table));
  const uint8_t tooLarge[1] = {32};
  EXPECT_FALSE(NormaliseLogWeights(tooLarge, 1, &table));
  EXPECT_FALSE(NormaliseLogWeights(none, 17, &table));
}

TEST(WaveletPictureRecord, OnlyAWrittenRecordDescribesAPicture) {
  uint8_t record[kPictureRecordSize];
  PictureRecord read;
  for (uint8_t fill : {0x00, 0xCD, 0xFF}) {
    std::fill(std::begin(record), std::end(record), fill);
    EXPECT_FALSE(ReadPictureRecord(record, &read));
  }
  WritePictureRecord(record, PictureRecord{352, 288, 0xDEADBEEF});
  ASSERT_TRUE(ReadPictureRecord(record, &read));
  EXPECT_EQ(read.width, 352);
  EXPECT_EQ(read.height, 288);
  EXPECT_EQ(read.identity, 0xDEADBEEFu);
  record[13] ^= 1;
  EXPECT_FALSE(ReadPictureRecord(record, &read));
  WritePictureRecord(record, PictureRecord{352, 288, 1});
  ForgetPicture(record);
  EXPECT_FALSE(ReadPictureRecord(record, &read));
}

TEST(WaveletEncoder, RefusesSizesTheFormatCannotCarry) {
  CWaveletEncoder encoder(50);
  const std::vector<uint8_t> rgb(720 * 580 * 3, 128);
  EXPECT_TRUE(encoder.Encode(rgb.data(), 720, 576, 720 * 3, true).empty());
  EXPECT_TRUE(encoder.Encode(rgb.data(), 704, 578, 704 * 3, true).empty());
  EXPECT_TRUE(encoder.Encode(rgb.data(), 351, 288, 351 * 3, true).empty());
  EXPECT_TRUE(encoder.Encode(rgb.data(), 14, 14, 14 * 3, true).empty());
  EXPECT_TRUE(encoder.Encode(rgb.data(), 352, 288, 352 * 3 - 1, true).empty());
  EXPECT_FALSE(encoder.Encode(rgb.data(), 704, 576, 704 * 3, true).empty());
}

TEST(WaveletEncoder, ADeltaRequestAfterASizeChangeBecomesAKeyFrame) {
  CWaveletEncoder encoder(50);
  const samples::RgbPicture small = samples::MakeTestPicture(176, 144, 0);
  const samples::RgbPicture large = samples::MakeTestPicture(352, 288, 1);
  EXPECT_EQ(encoder.Encode(small.pixels.data(), 176, 144, 176 * 3, false)[3], kKindKey);
  EXPECT_EQ(encoder.Encode(small.pixels.data(), 176, 144, 176 * 3, false)[3], kKindDelta);
  EXPECT_EQ(encoder.Encode(large.pixels.data(), 352, 288, 352 * 3, false)[3], kKindKey);
}

TEST(WaveletDecoder, NeverReadsPastTheBytesItIsGiven) {
  CWaveletEncoder encoder(60);
  const samples::RgbPicture picture = samples::MakeTestPicture(176, 144, 3, samples::TestScene::kBusyDetail);
  const std::vector<uint8_t> payload = encoder.Encode(picture.pixels.data(), 176, 144, 176 * 3, true);
  auto workspace = std::make_unique<DecoderWorkspace>();
  std::vector<uint8_t> luma(176 * 144), cb(88 * 72), cr(88 * 72), record(kPictureRecordSize, 0);
  const PictureBuffers buffers{luma.data(), cb.data(), cr.data(), record.data()};
  for (size_t available : {size_t{0}, size_t{7}, size_t{8}, size_t{27}, payload.size() / 2, payload.size() - 1}) {
    // Exactly sized copies, so that the sanitizer sees any read beyond them.
    std::vector<uint8_t> cut(payload.begin(), payload.begin() + available);
    const DecodeStatus status = DecodeFrame(cut.data(), cut.size(), *workspace, buffers, nullptr);
    if (available < 8) {
      EXPECT_EQ(status, DecodeStatus::kBadLength) << available;
    } else {
      EXPECT_NE(status, DecodeStatus::kDecoded) << available;
    }
  }
  FrameInfo info;
  ASSERT_EQ(DecodeFrame(payload.data(), payload.size(), *workspace, buffers, &info), DecodeStatus::kDecoded);
  EXPECT_EQ(info.width, 176);
  EXPECT_EQ(info.height, 144);
  EXPECT_EQ(luma, encoder.ReconstructedLuma());
  EXPECT_EQ(cb, encoder.ReconstructedCb());
  EXPECT_EQ(cr, encoder.ReconstructedCr());
}

// Recomputes the checksum after a deliberate change, so that the change
// reaches the decoder's later checks.
void Reseal(std::vector<uint8_t>& payload) {
  const int height = payload[4] << 8 | payload[5], width = payload[6] << 8 | payload[7];
  const uint64_t seed = static_cast<uint64_t>(payload[3]) << 32 | static_cast<uint64_t>(height) << 16 |
                        static_cast<uint64_t>(width);
  const uint32_t sum = Checksum32(payload.data() + kPrefixSize + kChecksummedFrom,
                                  payload.size() - kPrefixSize - kChecksummedFrom, seed);
  for (int i = 0; i < 4; ++i) payload[kPrefixSize + kChecksumOffset + i] = static_cast<uint8_t>(sum >> (8 * i));
}

TEST(WaveletDecoder, SectionLengthsThatDoNotFitTheDataAreRefused) {
  CWaveletEncoder encoder(50);
  const samples::RgbPicture picture = samples::MakeTestPicture(176, 144, 1, samples::TestScene::kBusyDetail);
  const std::vector<uint8_t> good = encoder.Encode(picture.pixels.data(), 176, 144, 176 * 3, true);
  const uint32_t length = static_cast<uint32_t>(good.size() - kPrefixSize);
  const uint32_t sections = length - static_cast<uint32_t>(kHeaderSize) - 2;
  auto workspace = std::make_unique<DecoderWorkspace>();
  std::vector<uint8_t> luma(176 * 144, 7), cb(88 * 72), cr(88 * 72), record(kPictureRecordSize, 0);
  const PictureBuffers buffers{luma.data(), cb.data(), cr.data(), record.data()};
  const uint32_t goodRaw = good[kPrefixSize + 16] | good[kPrefixSize + 17] << 8 | good[kPrefixSize + 18] << 16 |
                           static_cast<uint32_t>(good[kPrefixSize + 19]) << 24;
  const uint32_t goodTables = good[kPrefixSize + 20] | good[kPrefixSize + 21] << 8;
  auto decodeWith = [&](uint32_t raw, uint32_t tables, uint8_t version) {
    // An exactly sized copy: the sanitizer build sees any read beyond it.
    std::vector<uint8_t> changed = good;
    for (int i = 0; i < 4; ++i) changed[kPrefixSize + 16 + i] = static_cast<uint8_t>(raw >> (8 * i));
    for (int i = 0; i < 2; ++i) changed[kPrefixSize + 20 + i] = static_cast<uint8_t>(tables >> (8 * i));
    changed[kPrefixSize] = version;
    Reseal(changed);
    return DecodeFrame(changed.data(), changed.size(), *workspace, buffers, nullptr);
  };
  // The raw-bit length (coded-data offset 16) reaching into the tables or
  // past the data, alone and with a table length (offset 20) that would
  // then run past the data: the differences of the lengths must not wrap.
  for (uint32_t raw : {sections + 1, sections + 2, length - 1, length, length + 1, 0xFFFFFFFFu}) {
    EXPECT_EQ(decodeWith(raw, goodTables, kFormatVersion), DecodeStatus::kCorruptData) << raw;
    for (uint32_t tables : {sections + 1, std::min(sections + 40, 0xFFFFu)})
      EXPECT_EQ(decodeWith(raw, tables, kFormatVersion), DecodeStatus::kCorruptData) << raw << " " << tables;
  }
  // The table length alone running into the rANS and raw sections.
  for (uint32_t tables : {sections, sections - 1, 0xFFFFu})
    EXPECT_EQ(decodeWith(goodRaw, tables, kFormatVersion), DecodeStatus::kCorruptData) << tables;
  EXPECT_EQ(decodeWith(goodRaw, goodTables, 1), DecodeStatus::kCorruptData);  // an older format version

  // A short payload of well-formed tables only, its lengths claiming one
  // byte more for both the raw bits and the tables: the tables would be
  // read up to the end of the data and beyond.
  CBitWriter tableBits;
  tableBits.Write(kTableCount - 1, 8);
  for (uint32_t id = 0; id < 3; ++id) {
    tableBits.Write(id, 8);
    tableBits.Write(kAlphabetSize - 1, 4);
    for (int symbol = 0; symbol < kAlphabetSize; ++symbol) tableBits.Write(17, 5);
  }
  const size_t tablesAt = kPrefixSize + kHeaderSize + 2;
  std::vector<uint8_t> tiny(tablesAt + tableBits.Bytes().size());
  std::copy(good.begin(), good.begin() + tablesAt, tiny.begin());
  std::copy(tableBits.Bytes().begin(), tableBits.Bytes().end(), tiny.begin() + tablesAt);
  const uint32_t tinySections = static_cast<uint32_t>(tableBits.Bytes().size());
  const uint32_t tinyLength = static_cast<uint32_t>(tiny.size() - kPrefixSize);
  tiny[0] = 0, tiny[1] = static_cast<uint8_t>(tinyLength >> 8), tiny[2] = static_cast<uint8_t>(tinyLength);
  for (int i = 0; i < 4; ++i) tiny[kPrefixSize + 16 + i] = static_cast<uint8_t>((tinySections + 1) >> (8 * i));
  for (int i = 0; i < 2; ++i) tiny[kPrefixSize + 20 + i] = static_cast<uint8_t>((tinySections + 1) >> (8 * i));
  Reseal(tiny);
  EXPECT_EQ(DecodeFrame(tiny.data(), tiny.size(), *workspace, buffers, nullptr), DecodeStatus::kCorruptData);
  EXPECT_TRUE(std::all_of(luma.begin(), luma.end(), [](uint8_t v) { return v == 7; }));
  EXPECT_EQ(DecodeFrame(good.data(), good.size(), *workspace, buffers, nullptr), DecodeStatus::kDecoded);
}

TEST(WaveletSamples, TheDemoBackupHasKeyFramesAtItsIntervalAndDeltasBetween) {
  samples::WaveletBackupOptions options;
  options.frames = 30;
  options.keyFrameInterval = 12;
  const CBackupWriter writer = samples::MakeWaveletBackup(options);
  ASSERT_EQ(writer.Count(), 30u);
  const std::vector<uint8_t> data = writer.DataFileBytes();
  const uint32_t skip = HeaderSkip(options.version);
  for (uint32_t i = 0; i < writer.Count(); ++i) {
    const INDEX_RECORD& r = writer.Index()[i];
    const uint8_t* payload = data.data() + r.offset + skip;
    ASSERT_LE(r.offset + skip + r.size, data.size());
    const uint8_t expected = i % 12 == 0 ? kKindKey : (i % 12 == 1 ? kKindDelta : kKindDeltaChain);
    EXPECT_EQ(payload[3], expected) << i;
    EXPECT_EQ((payload[4] << 8 | payload[5]), 288);
    EXPECT_EQ((payload[6] << 8 | payload[7]), 352);
    // Bytes 0..2 carry the frame's number, not its length: readers must
    // not rely on them.
    EXPECT_EQ(static_cast<uint32_t>(payload[0] << 16 | payload[1] << 8 | payload[2]), i);
  }
}

}  // namespace
}  // namespace bv::wavelet
