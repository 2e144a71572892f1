// Reading video and audio records by backup version, and refusing records
// the buffers cannot hold.
#include <gtest/gtest.h>

#include "base/format/backup_constants.h"
#include "base/format/codec_table.h"
#include "base/format/frame_record.h"
#include "base/host/control_ids.h"
#include "base/platform/le_bytes.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/recording_host.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"

namespace bv {
namespace {

using test::FakePayload;
using test::TempDir;

TEST(FrameRecordLayout, TitleFieldsAndHeaderSkipByVersion) {
  const struct {
    uint32_t version, field, skip;
  } cases[] = {{0, 0, 0}, {2, 0, 0}, {3, 16, 32}, {5, 16, 32}, {6, 16, 32}, {7, 32, 64}, {8, 16, 64}, {99, 16, 64}};
  for (auto c : cases) {
    EXPECT_EQ(TitleFieldWidth(c.version), c.field) << c.version;
    EXPECT_EQ(HeaderSkip(c.version), c.skip) << c.version;
  }
}

TEST(FrameRecordLayout, TitleFieldTextStopsAtTheField) {
  const uint8_t full[16] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P'};
  EXPECT_EQ(TitleFieldText(full, 16), "ABCDEFGHIJKLMNOP");
  const uint8_t shortText[16] = {'G', 'a', 't', 'e', 0, 'x'};
  EXPECT_EQ(TitleFieldText(shortText, 16), "Gate");
}

class FrameRecordTest : public ::testing::Test {
 protected:
  test::RecordingHost host;
  CPlaybackController controller{host};
  TempDir dir;

  void OpenWriter(const CBackupWriter& writer) {
    ASSERT_TRUE(writer.WriteContainer(dir.File("b.zrv")));
    ASSERT_TRUE(controller.OpenBackup(dir.File("b.zrv"), false));
  }
  CPlaybackEngine& engine() { return controller.Engine(); }
};

TEST_F(FrameRecordTest, VersionsTwoFiveAndSevenReadTheirTitleHeaders) {
  for (uint32_t version : {2u, 5u, 7u}) {
    CBackupWriter writer(version, [] {
      CAMERA_INFO info;
      info.number = 2;
      return info;
    }());
    writer.AddVideoFrame(INDEX_RECORD{}, "A camera title of 31 characters", "Location text",
                         FakePayload(0xB0, 704, 576, 100));
    OpenWriter(writer);
    const std::vector<uint8_t> payload = FakePayload(0xB0, 704, 576, 100);
    ASSERT_EQ(engine().PayloadSize(), 100u);
    EXPECT_EQ(0, std::memcmp(engine().ReadBuffer(), payload.data(), 100)) << version;
    if (version == 2) {
      EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), "");
    } else if (version == 5) {
      // 16-byte fields: the writer keeps a NUL in each, so 15 characters.
      EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), " A camera title  (3)");
      EXPECT_EQ(host.EditText(IDC_LOCATION), " Location text");
    } else {
      EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), " A camera title of 31 characters (3)");
    }
    EXPECT_EQ(host.EditText(IDC_CODEC_NAME), " MPEG4");
    EXPECT_EQ(host.EditText(IDC_PICTURE_SIZE), " 704 x 576");
  }
}

TEST_F(FrameRecordTest, DirectPayloadReadsSkipTheHeaderAndReadKindBytes) {
  CBackupWriter writer(7);
  writer.AddVideoFrame(INDEX_RECORD{}, "T", "L", FakePayload(0xA0, 352, 288));
  writer.AddVideoFrame(INDEX_RECORD{}, "T", "L", FakePayload(0xA2, 352, 288));
  OpenWriter(writer);
  uint8_t kind = 0;
  ASSERT_TRUE(engine().ReadKindByte(controller.Index()[1], &kind));
  EXPECT_EQ(kind, 0xA2);
  ASSERT_TRUE(engine().ReadPayloadDirect(controller.Index()[0]));
  EXPECT_EQ(engine().GetCodecType(), kCodecWavelet);
  EXPECT_TRUE(engine().IsKeyFrame());
  int w = 0;
  int h = 0;
  engine().GetPictureSize(&w, &h);
  EXPECT_EQ(w, 352);
  EXPECT_EQ(h, 288);
}

TEST_F(FrameRecordTest, AudioRecordsHaveNoTitleHeader) {
  CBackupWriter writer(7);
  writer.AddVideoFrame(INDEX_RECORD{}, "T", "L", FakePayload(0, 352, 240));
  AUDIO_HEADER header;
  header.channels = 1;
  header.samplesPerSecond = 8000;
  header.bitsPerSample = 8;
  header.chunksPerSecond = 2;
  writer.AddAudioChunk(INDEX_RECORD{}, header, std::vector<uint8_t>(4000, 0x80));
  OpenWriter(writer);
  AUDIO_HEADER read;
  ASSERT_TRUE(engine().ReadAudioHeader(controller.Index()[1], &read));
  EXPECT_EQ(uint32_t{read.samplesPerSecond}, 8000u);
  EXPECT_EQ(uint16_t{read.chunksPerSecond}, 2);
  EXPECT_EQ(controller.Index()[1].size, 4000u);
  // Showing an audio record changes nothing on screen.
  const std::string codec = host.EditText(IDC_CODEC_NAME);
  controller.GoToRecord(1);
  EXPECT_EQ(controller.CurrentIndex(), 1u);
  EXPECT_EQ(host.EditText(IDC_CODEC_NAME), codec);
}

TEST_F(FrameRecordTest, RecordsTheBuffersCannotHoldOrPastTheEndAreRefused) {
  CBackupWriter writer(7);
  writer.AddVideoFrame(INDEX_RECORD{}, "OK", "L", FakePayload(0, 352, 240));
  INDEX_RECORD huge{};
  huge.size = kPictureBufferSize + 1;  // larger than the read buffer
  writer.AddRawRecord(huge, std::vector<uint8_t>(100, 0));
  INDEX_RECORD past{};
  past.size = 5000;  // its bytes end before that
  writer.AddRawRecord(past, FakePayload(0xB0, 100, 100, 64));
  OpenWriter(writer);
  const IndexArray& index = controller.Index();
  EXPECT_TRUE(engine().IsVideoRecordReadable(index[0]));
  EXPECT_FALSE(engine().IsVideoRecordReadable(index[1]));
  EXPECT_FALSE(engine().IsVideoRecordReadable(index[2]));

  const std::vector<uint8_t> before(engine().ReadBuffer(), engine().ReadBuffer() + 64);
  EXPECT_FALSE(engine().DisplayRecord(index[1]));
  EXPECT_FALSE(engine().DisplayRecord(index[2]));
  EXPECT_FALSE(engine().ReadPayloadDirect(index[2]));
  // The read buffer still holds record 0 and the texts are those of record 0.
  EXPECT_EQ(0, std::memcmp(before.data(), engine().ReadBuffer(), 64));
  EXPECT_EQ(host.EditText(IDC_CAMERA_TITLE), " OK (1)");
  EXPECT_EQ(host.EditText(IDC_CODEC_NAME), " MJPG");

  // Offsets near the 32-bit limit must not wrap around to a readable place.
  INDEX_RECORD wrapped = index[0];
  wrapped.offset = 0xFFFFFFF0u;
  EXPECT_FALSE(engine().IsVideoRecordReadable(wrapped));
  EXPECT_FALSE(engine().ReadPayloadDirect(wrapped));
  uint8_t kind = 0;
  EXPECT_FALSE(engine().ReadKindByte(wrapped, &kind));
}

TEST_F(FrameRecordTest, ShortPayloadReadsZerosWhereAnEarlierHeaderWas) {
  CBackupWriter writer(7);
  writer.AddVideoFrame(INDEX_RECORD{}, "T", "L", FakePayload(0xB0, 704, 576, 64));
  writer.AddVideoFrame(INDEX_RECORD{}, "T", "L", std::vector<uint8_t>{1, 2});
  OpenWriter(writer);
  controller.GoToRecord(1);
  EXPECT_EQ(engine().PayloadSize(), 2u);
  EXPECT_EQ(engine().GetCodecType(), kCodecMJPG);
  EXPECT_EQ(host.EditText(IDC_PICTURE_SIZE), " 0 x 0");
}

TEST_F(FrameRecordTest, PicturesAbove704x576AreNotShownButTheirSizeIs) {
  CBackupWriter writer(7);
  writer.AddVideoFrame(INDEX_RECORD{}, "T", "L", FakePayload(0, 720, 576));
  OpenWriter(writer);
  EXPECT_FALSE(engine().DisplayRecord(controller.Index()[0]));
  EXPECT_EQ(host.EditText(IDC_PICTURE_SIZE), " 720 x 576");
}

TEST_F(FrameRecordTest, DisplayFormatsDateAndSizeTexts) {
  CBackupWriter writer(7);
  INDEX_RECORD r{};
  r.year = 2026;
  r.month = 3;
  r.day = 4;
  r.hour = 5;
  r.minute = 6;
  r.second = 7;
  writer.AddVideoFrame(r, "T", "L", FakePayload(0, 352, 240, 2048));
  OpenWriter(writer);
  EXPECT_EQ(engine().DateText(), "03-04-2026, 05:06:07");
  EXPECT_EQ(engine().SizeText(), "2.00 KB");
}

TEST(FrameDelay, TwentyStepTableAndStepsAboveNineteenChangeNothing) {
  test::RecordingHost host;
  CPlaybackController controller(host);
  const uint32_t expected[20] = {1, 1, 3, 7, 10, 13, 16, 20, 24, 28, 30, 50, 70, 100, 140, 190, 250, 320, 400, 500};
  for (int step = 0; step < 20; ++step) {
    controller.Engine().SetFrameDelay(step);
    EXPECT_EQ(controller.Engine().FrameDelay(), expected[step]);
  }
  controller.Engine().SetFrameDelay(20);
  EXPECT_EQ(controller.Engine().FrameDelay(), 500u);
}

}  // namespace
}  // namespace bv
