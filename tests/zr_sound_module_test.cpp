// The GSM 6.10 decoder of the "Zr_Sound.dll" module, through the viewer's
// kvr_base_acm::CBase_ACM, against sox as an independent decoder.
#include <gtest/gtest.h>

#include <random>

#include "codecs/base_acm.h"
#include "tests/support/sound_test_support.h"
#include "tools/samples/gsm_encode.h"
#include "tools/samples/sound_backup.h"

namespace bv {
namespace {

using kvr_base_acm::CBase_ACM;
using kvr_base_acm::kGsm610FormatTag;

std::vector<uint8_t> GsmSeconds(double seconds) {
  const auto tone = samples::MakeSweep(static_cast<size_t>(8000 * seconds), 8000, 300, 1800);
  return samples::EncodeGsmWav49(tone);
}

std::vector<uint8_t> Decode(CBase_ACM& acm, std::vector<uint8_t> input, unsigned long capacity = 23000) {
  std::vector<uint8_t> output(capacity + 64, 0xEE);
  const unsigned long made = acm.ACM_Decode(input.data(), input.size(), output.data(), capacity);
  EXPECT_LE(made, capacity);
  // Nothing is written past what is reported.
  for (size_t i = made; i < output.size(); ++i) EXPECT_EQ(output[i], 0xEE) << "byte " << i;
  output.resize(made);
  return output;
}

class ZrSoundModuleTest : public ::testing::Test {
 protected:
  void SetUp() override { test::UseBuiltModules(); }
};

TEST_F(ZrSoundModuleTest, DecodesLikeAnIndependentDecoder) {
  const std::vector<uint8_t> gsm = GsmSeconds(1);
  ASSERT_EQ(gsm.size(), 25u * 65);
  CBase_ACM acm;
  ASSERT_TRUE(acm.ACM_Create(1, 8000, 16, kGsm610FormatTag));
  const std::vector<uint8_t> ours = Decode(acm, gsm);
  EXPECT_EQ(ours.size(), 16000u);
  const std::vector<uint8_t> reference = test::SoxDecodeGsm(gsm);
  ASSERT_EQ(reference.size(), 16000u) << "sox could not decode the GSM data";
  EXPECT_TRUE(ours == reference);
}

TEST_F(ZrSoundModuleTest, EightBitOutputIsTheSixteenBitOutputMadeUnsigned) {
  const std::vector<uint8_t> gsm = GsmSeconds(0.4);
  CBase_ACM wide;
  CBase_ACM narrow;
  ASSERT_TRUE(wide.ACM_Create(1, 8000, 16, kGsm610FormatTag));
  ASSERT_TRUE(narrow.ACM_Create(1, 8000, 8, kGsm610FormatTag));
  const std::vector<uint8_t> w = Decode(wide, gsm);
  const std::vector<uint8_t> n = Decode(narrow, gsm);
  ASSERT_EQ(n.size(), 10u * 320);
  ASSERT_EQ(w.size(), 2 * n.size());
  for (size_t i = 0; i < n.size(); ++i) ASSERT_EQ(n[i], static_cast<uint8_t>(w[2 * i + 1] ^ 0x80)) << i;
}

TEST_F(ZrSoundModuleTest, OnlyWholeBlocksAreDecoded) {
  const std::vector<uint8_t> gsm = GsmSeconds(0.2);  // five blocks
  CBase_ACM acm;
  ASSERT_TRUE(acm.ACM_Create(1, 8000, 16, kGsm610FormatTag));
  const std::vector<uint8_t> three(gsm.begin(), gsm.begin() + 3 * 65);
  const std::vector<uint8_t> whole = Decode(acm, three);
  EXPECT_EQ(whole.size(), 3u * 640);

  // The same three blocks with part of a fourth behind them.
  ASSERT_TRUE(acm.ACM_Create(1, 8000, 16, kGsm610FormatTag));
  std::vector<uint8_t> ragged(gsm.begin(), gsm.begin() + 3 * 65 + 40);
  EXPECT_TRUE(Decode(acm, ragged) == whole);

  // Truncated below one block, or empty: nothing.
  ASSERT_TRUE(acm.ACM_Create(1, 8000, 16, kGsm610FormatTag));
  EXPECT_TRUE(Decode(acm, std::vector<uint8_t>(gsm.begin(), gsm.begin() + 64)).empty());
  EXPECT_TRUE(Decode(acm, {}).empty());
}

TEST_F(ZrSoundModuleTest, OutputCapacityLimitsTheBlocksDecoded) {
  const std::vector<uint8_t> gsm = GsmSeconds(2);  // 50 blocks: 32,000 bytes of PCM
  CBase_ACM acm;
  ASSERT_TRUE(acm.ACM_Create(1, 8000, 16, kGsm610FormatTag));
  EXPECT_EQ(Decode(acm, gsm, 23000).size(), 35u * 640);
  EXPECT_EQ(Decode(acm, gsm, 639).size(), 0u);
  EXPECT_EQ(Decode(acm, gsm, 640).size(), 640u);
}

TEST_F(ZrSoundModuleTest, GarbageAndOversizedInputDecodeWithinBounds) {
  std::mt19937 random(7);
  std::vector<uint8_t> garbage(65 * 400 + 17);
  for (uint8_t& b : garbage) b = static_cast<uint8_t>(random());
  CBase_ACM acm;
  ASSERT_TRUE(acm.ACM_Create(1, 8000, 16, kGsm610FormatTag));
  EXPECT_EQ(Decode(acm, garbage).size(), 35u * 640);
  ASSERT_TRUE(acm.ACM_Create(1, 44100, 8, kGsm610FormatTag));
  EXPECT_EQ(Decode(acm, garbage, 200000).size(), 400u * 320);
}

TEST_F(ZrSoundModuleTest, CreateRefusesWhatItCannotDecode) {
  const std::vector<uint8_t> gsm = GsmSeconds(0.1);
  CBase_ACM acm;
  EXPECT_TRUE(Decode(acm, gsm).empty());  // before any create
  EXPECT_FALSE(acm.ACM_Create(2, 8000, 16, kGsm610FormatTag));
  EXPECT_FALSE(acm.ACM_Create(1, 0, 16, kGsm610FormatTag));
  EXPECT_FALSE(acm.ACM_Create(1, 8000, 12, kGsm610FormatTag));
  EXPECT_FALSE(acm.ACM_Create(1, 8000, 16, 0x0001));
  EXPECT_TRUE(Decode(acm, gsm).empty());
  ASSERT_TRUE(acm.ACM_Create(1, 8000, 16, kGsm610FormatTag));
  EXPECT_FALSE(Decode(acm, gsm).empty());
  acm.ACM_Destroy();
  EXPECT_TRUE(Decode(acm, gsm).empty());
}

TEST_F(ZrSoundModuleTest, ARecreatedDecoderStartsAfresh) {
  const std::vector<uint8_t> gsm = GsmSeconds(0.2);
  CBase_ACM acm;
  ASSERT_TRUE(acm.ACM_Create(1, 8000, 16, kGsm610FormatTag));
  const std::vector<uint8_t> first = Decode(acm, gsm);
  const std::vector<uint8_t> carriedOn = Decode(acm, gsm);
  acm.ACM_Destroy();
  ASSERT_TRUE(acm.ACM_Create(1, 8000, 16, kGsm610FormatTag));
  EXPECT_TRUE(Decode(acm, gsm) == first);
  // A decoder that carries on has history, so its output differs.
  EXPECT_FALSE(carriedOn == first);
}

TEST_F(ZrSoundModuleTest, AMissingModuleFailsEveryCallCleanly) {
  CBase_ACM acm("No_Such_Sound.dll");
  EXPECT_FALSE(acm.ACM_Create(1, 8000, 16, kGsm610FormatTag));
  EXPECT_FALSE(acm.IsBound());
  std::vector<uint8_t> gsm = GsmSeconds(0.1);
  std::vector<uint8_t> out(1000);
  EXPECT_EQ(acm.ACM_Decode(gsm.data(), gsm.size(), out.data(), out.size()), 0u);
  acm.ACM_Destroy();
}

}  // namespace
}  // namespace bv
