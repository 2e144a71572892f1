// The packed file records: field positions, byte order and sizes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/format/audio_header.h"
#include "base/format/backup_trailer.h"
#include "base/format/camera_info.h"
#include "base/format/index_record.h"
#include "base/platform/platform_types.h"

namespace bv {
namespace {

TEST(IndexRecord, FieldsSitAtTheirOffsetsLittleEndian) {
  INDEX_RECORD r{};
  r.year = 0x07EA;
  r.millisecond = 0x03E7;
  r.month = 12;
  r.day = 31;
  r.hour = 23;
  r.minute = 59;
  r.second = 58;
  r.camera = 0x11;
  r.type = 0x80;
  r.offset = 0x12345678;
  r.size = 0xA1B2C3D4;
  uint8_t bytes[24];
  r.ToBytes(bytes);
  const uint8_t expected[24] = {0xEA, 0x07, 0xE7, 0x03, 12, 0, 31, 0, 23, 0, 59, 0,
                                58,   0,    0x11, 0x80, 0x78, 0x56, 0x34, 0x12, 0xD4, 0xC3, 0xB2, 0xA1};
  EXPECT_EQ(0, std::memcmp(bytes, expected, 24));
}

TEST(IndexRecord, ReadsFromUnalignedBytesAndRoundTrips) {
  std::vector<uint8_t> buffer(25);
  for (int i = 0; i < 25; ++i) buffer[i] = static_cast<uint8_t>(i * 7 + 1);
  const INDEX_RECORD r = INDEX_RECORD::FromBytes(buffer.data() + 1);
  EXPECT_EQ(r.year, 0x0F08);
  EXPECT_EQ(r.camera, buffer[15]);
  EXPECT_EQ(r.type, buffer[16]);
  uint8_t again[24];
  r.ToBytes(again);
  EXPECT_EQ(0, std::memcmp(again, buffer.data() + 1, 24));
}

TEST(IndexRecord, TypeByteTellsAudioAndAudioPacedFrames) {
  INDEX_RECORD r{};
  r.type = 0xF0;
  EXPECT_TRUE(r.IsAudio());
  r.type = 0x80;
  EXPECT_FALSE(r.IsAudio());
  EXPECT_TRUE(r.IsAudioPaced());
  r.type = 0x01;
  EXPECT_FALSE(r.IsAudioPaced());
}

TEST(SystemTime, FieldOrderIsYearMonthDayOfWeekDay) {
  const uint8_t bytes[16] = {0xEA, 0x07, 3, 0, 6, 0, 14, 0, 19, 0, 30, 0, 5, 0, 0x2C, 0x01};
  const SYSTEMTIME t = SYSTEMTIME::FromBytes(bytes);
  EXPECT_EQ(t.wYear, 2026);
  EXPECT_EQ(t.wMonth, 3);
  EXPECT_EQ(t.wDayOfWeek, 6);
  EXPECT_EQ(t.wDay, 14);
  EXPECT_EQ(t.wHour, 19);
  EXPECT_EQ(t.wMinute, 30);
  EXPECT_EQ(t.wSecond, 5);
  EXPECT_EQ(t.wMilliseconds, 300);
  uint8_t again[16];
  t.ToBytes(again);
  EXPECT_EQ(0, std::memcmp(again, bytes, 16));
}

TEST(BitmapHeaders, RoundTripWithWindowsLayout) {
  BITMAPINFOHEADER h;
  h.biSize = 40;
  h.biWidth = 704;
  h.biHeight = -576;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = kFourCC_MJPG;
  h.biSizeImage = 1234;
  uint8_t bytes[40];
  h.ToBytes(bytes);
  EXPECT_EQ(0, std::memcmp(bytes + 16, "MJPG", 4));
  EXPECT_EQ(ReadI32LE(bytes + 8), -576);
  const BITMAPINFOHEADER back = BITMAPINFOHEADER::FromBytes(bytes);
  EXPECT_EQ(back.biWidth, 704);
  EXPECT_EQ(back.biSizeImage, 1234u);

  BITMAPFILEHEADER f;
  f.bfType = 0x4D42;
  f.bfSize = 54 + 3;
  f.bfOffBits = 54;
  uint8_t fileBytes[14];
  f.ToBytes(fileBytes);
  EXPECT_EQ(fileBytes[0], 'B');
  EXPECT_EQ(fileBytes[1], 'M');
  EXPECT_EQ(ReadU32LE(fileBytes + 10), 54u);
}

TEST(AudioHeader, PackedFieldsWithoutAlignment) {
  AUDIO_HEADER h;
  h.channels = 1;
  h.samplesPerSecond = 8000;
  h.bitsPerSample = 16;
  h.chunksPerSecond = 2;
  h.compression = 1;
  const auto bytes = h.ToBytes();
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(ReadU32LE(bytes.data() + 1), 8000u);
  EXPECT_EQ(bytes[5], 16);
  EXPECT_EQ(ReadU16LE(bytes.data() + 6), 2);
  EXPECT_EQ(bytes[8], 1);
  const AUDIO_HEADER back = AUDIO_HEADER::FromBytes(bytes.data());
  EXPECT_EQ(uint32_t{back.samplesPerSecond}, 8000u);  // packed: copy, never bind
  EXPECT_EQ(uint16_t{back.chunksPerSecond}, 2);
}

TEST(BackupTrailer, LengthFirstMagicLast) {
  const auto bytes = BACKUP_TRAILER{48, kTrailerMagic}.ToBytes();
  EXPECT_EQ(ReadU32LE(bytes.data()), 48u);
  EXPECT_EQ(ReadU32LE(bytes.data() + 1020), 31070u);
  for (int i = 4; i < 1020; ++i) ASSERT_EQ(bytes[i], 0) << i;
}

TEST(CameraInfo, FieldTextStopsAtTheFieldEvenWithoutTerminator) {
  CAMERA_INFO info;
  std::memset(info.organization, 'x', sizeof info.organization);
  std::memset(info.owner, 'y', sizeof info.owner);
  EXPECT_EQ(FieldText(info.organization), std::string(20, 'x'));
  EXPECT_EQ(FieldText(info.owner), std::string(50, 'y'));
}

}  // namespace
}  // namespace bv
