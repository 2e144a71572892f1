// Exported Matroska files read back by ffprobe and ffmpeg: streams, packet
// bytes and timestamps against the backup's records, pictures against the
// codecs' own decodes and the viewer's display; refusals of bad input, and
// cancelling. (The sound, against what the viewer plays, is in
// zrvtool_export_test.cpp.)
#include <gtest/gtest.h>
#include <libyuv/convert_argb.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>

#include "base/format/backup_constants.h"
#include "base/platform/le_bytes.h"
#include "outputs/record_clock.h"
#include "outputs/video_export.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/codec_environment.h"
#include "tests/support/media_probe.h"
#include "tests/support/picture_checks.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/mjpg_variants.h"
#include "tools/samples/sample_backups.h"

namespace bv {
namespace {

using test::ProbedFile;
using test::ProbedPacket;

INDEX_RECORD At(int year, int month, int day, int hour, int minute, int second, int ms, uint8_t type = 0) {
  INDEX_RECORD r{};
  r.year = static_cast<uint16_t>(year);
  r.month = static_cast<uint16_t>(month);
  r.day = static_cast<uint16_t>(day);
  r.hour = static_cast<uint16_t>(hour);
  r.minute = static_cast<uint16_t>(minute);
  r.second = static_cast<uint16_t>(second);
  r.millisecond = static_cast<uint16_t>(ms);
  r.type = type;
  return r;
}

// The record time moved on by ms (through midnight and the year's end).
INDEX_RECORD Later(const INDEX_RECORD& from, int64_t ms) {
  const int64_t t = *RecordTimeMs(from) + ms;
  const time_t seconds = static_cast<time_t>(t / 1000);
  struct tm parts {};
  gmtime_r(&seconds, &parts);
  return At(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
            static_cast<int>(t % 1000), from.type);
}

std::vector<uint8_t> Tail(const std::vector<uint8_t>& bytes, size_t from, size_t length = SIZE_MAX) {
  const size_t end = length == SIZE_MAX ? bytes.size() : from + length;
  return std::vector<uint8_t>(bytes.begin() + static_cast<ptrdiff_t>(from), bytes.begin() + static_cast<ptrdiff_t>(end));
}

// The stream data of a Wavelet or MPEG-4 payload: everything after its
// 8-byte prefix, whatever bytes 0..2 hold.
uint32_t StreamLength(const std::vector<uint8_t>& payload) { return static_cast<uint32_t>(payload.size() - 8); }

// Files in dir other than the backups the test wrote: exports and leftovers.
std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class VideoExportTest : public ::testing::Test {
 protected:
  test::CodecEnvironment codecs;
  test::TempDir dir;

  VideoExportResult Export(const std::string& backup, std::optional<uint32_t> first = std::nullopt,
                           std::optional<uint32_t> last = std::nullopt, const VideoExportProgress& progress = {}) {
    VideoExportRequest request;
    request.backupPath = backup;
    request.outputPath = dir.File("out.mkv");
    request.first = first;
    request.last = last;
    return ExportVideo(request, progress);
  }

  // The timestamps of a stream's packets, in ms, must be the records' times
  // from the earliest exported record, within a millisecond each; so are
  // the differences between them (the frames' durations).
  static void ExpectTimedLikeRecords(const ProbedFile& file, const std::vector<ProbedPacket>& packets,
                                     const std::vector<INDEX_RECORD>& records, int64_t originMs) {
    ASSERT_EQ(packets.size(), records.size());
    for (size_t i = 0; i < packets.size(); ++i) {
      const double expected = static_cast<double>(*RecordTimeMs(records[i]) - originMs);
      EXPECT_NEAR(file.PtsMs(packets[i]), expected, 1.0) << "packet " << i;
      if (i == 0) continue;
      const double duration = file.PtsMs(packets[i]) - file.PtsMs(packets[i - 1]);
      const double recorded = static_cast<double>(*RecordTimeMs(records[i]) - *RecordTimeMs(records[i - 1]));
      EXPECT_NEAR(duration, recorded, 1.0) << "duration of packet " << i - 1;
    }
  }
};

TEST_F(VideoExportTest, MjpgFramesAreCopiedByteForByteAndTimedByTheirOwnRecordTimes) {
  // Irregular steps through midnight and the year's end, a gap of seconds
  // and two frames a millisecond apart.
  const int64_t steps[] = {40, 67, 33, 250, 1, 2500};
  CBackupWriter writer(7, samples::DemoCameraInfo(4));
  std::vector<std::vector<uint8_t>> payloads;
  std::vector<INDEX_RECORD> times;
  INDEX_RECORD time = At(2026, 12, 31, 23, 59, 58, 950);
  for (int i = 0; i < 24; ++i) {
    payloads.push_back(samples::MakeMjpgPayload(samples::MakeTestPicture(176, 144, i), 70));
    times.push_back(time);
    writer.AddVideoFrame(time, "CAM 05 CASHIER", "B1 COUNTER", payloads.back());
    time = Later(time, steps[i % 6]);
  }
  ASSERT_TRUE(writer.WriteContainer(dir.File("cashier.zrv")));

  const VideoExportResult result = Export(dir.File("cashier.zrv"));
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.videoCodec, "mjpeg");
  EXPECT_TRUE(result.videoCopied);
  EXPECT_EQ(result.videoFrames, 24u);
  EXPECT_EQ(result.recordedFrom, "2026-12-31 23:59:58.950");

  const ProbedFile file = test::ProbeMediaFile(dir.File("out.mkv"));
  ASSERT_TRUE(file.ok) << file.error;
  EXPECT_NE(file.formatName.find("matroska"), std::string::npos);
  ASSERT_EQ(file.streams.size(), 1u);
  const test::ProbedStream& video = file.streams[0];
  EXPECT_EQ(video.codecType, "video");
  EXPECT_EQ(video.codecName, "mjpeg");
  EXPECT_EQ(video.width, 176);
  EXPECT_EQ(video.height, 144);
  const std::vector<ProbedPacket> packets = file.PacketsOf(0);
  ASSERT_EQ(packets.size(), 24u);
  for (size_t i = 0; i < packets.size(); ++i) {
    EXPECT_EQ(packets[i].data, Tail(payloads[i], 40)) << "frame " << i;
    EXPECT_TRUE(packets[i].key);
  }
  ExpectTimedLikeRecords(file, packets, times, *RecordTimeMs(times[0]));
  // The last frame lasts as long as the one before it.
  const double span = static_cast<double>(*RecordTimeMs(times.back()) - *RecordTimeMs(times[0]) +
                                          *RecordTimeMs(times[23]) - *RecordTimeMs(times[22]));
  EXPECT_NEAR(file.durationSeconds * 1000, span, 1.0);

  EXPECT_EQ(file.tags.at("title"), "CAM 05 CASHIER");
  EXPECT_EQ(file.tags.at("LOCATION"), "B1 COUNTER");
  EXPECT_EQ(file.tags.at("CAMERA"), "Entrance (5)");
  EXPECT_EQ(file.tags.at("DATE_RECORDED"), "2026-12-31 23:59:58.950");
  EXPECT_EQ(file.tags.at("DATE_RECORDED_END"), FormatRecordTime(times.back()));
  EXPECT_EQ(file.tags.at("SOURCE_RECORDS"), "0..23 of 24");

  // Every frame decodes in a common player's decoder.
  const std::vector<uint8_t> decoded = test::DecodeVideoWithFfmpeg(dir.File("out.mkv"), "rgb24");
  EXPECT_EQ(decoded.size(), size_t{24} * 176 * 144 * 3);
  EXPECT_EQ(FilesIn(dir.path()), (std::vector<std::string>{"cashier.zrv", "out.mkv"}));
}

TEST_F(VideoExportTest, InterlacedMjpgFramesKeepBothFieldsAndTheirMissingHuffmanTables) {
  // Frames of two fields (even rows, then odd rows), the second without
  // Huffman tables: players must fill in the standard tables and weave the
  // fields into the picture the header names.
  CBackupWriter writer(7, samples::DemoCameraInfo());
  std::vector<std::vector<uint8_t>> payloads;
  std::vector<samples::RgbPicture> pictures;
  for (int i = 0; i < 6; ++i) {
    // The odd rows 32 levels brighter in every channel (the same colour,
    // more light): only both fields woven together give the frame.
    samples::RgbPicture picture = samples::MakeTestPicture(352, 240, i);
    for (int y = 0; y < 240; ++y) {
      for (int x = 0; x < 352 * 3; ++x) {
        picture.Row(y)[x] = static_cast<uint8_t>(32 + picture.Row(y)[x] * 3 / 4 + (y % 2) * 32);
      }
    }
    pictures.push_back(picture);
    std::vector<uint8_t> jpeg = samples::EncodeInterlacedJpeg(pictures.back(), 85);
    if (i % 2 == 1) jpeg = samples::WithoutHuffmanTables(jpeg);
    payloads.push_back(samples::WrapMjpgPayload(jpeg, 352, 240));
    writer.AddVideoFrame(samples::RecordTimeAt(i, 25), "CAM 03", "FLOOR", payloads.back());
  }
  ASSERT_TRUE(writer.WriteContainer(dir.File("fields.zrv")));
  ASSERT_TRUE(Export(dir.File("fields.zrv")).ok);

  const ProbedFile file = test::ProbeMediaFile(dir.File("out.mkv"));
  ASSERT_TRUE(file.ok) << file.error;
  ASSERT_EQ(file.packets.size(), 6u);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(file.packets[i].data, Tail(payloads[i], 40)) << i;
  const std::vector<uint8_t> decoded = test::DecodeVideoWithFfmpeg(dir.File("out.mkv"), "bgr24");
  const size_t frameBytes = size_t{352} * 240 * 3;
  ASSERT_EQ(decoded.size(), 6 * frameBytes);
  for (size_t i = 0; i < 6; ++i) {
    const std::vector<uint8_t> frame(decoded.begin() + static_cast<ptrdiff_t>(i * frameBytes),
                                     decoded.begin() + static_cast<ptrdiff_t>((i + 1) * frameBytes));
    // Quality 85: the woven picture is close to the original (about 38 dB);
    // one field shown for both would be 32 levels off on every other row
    // (about 21 dB).
    EXPECT_GE(test::PsnrAgainst(frame, pictures[i]), 30.0) << "frame " << i;
  }
}

TEST_F(VideoExportTest, Mpeg4FramesAreCopiedWithTheKeyFramesConfigurationAsCodecData) {
  const test::Mpeg4Clip clip = test::EncodeMpeg4Clip(352, 240, 40, 10);
  ASSERT_EQ(clip.payloads.size(), 40u);
  CBackupWriter writer(5, samples::DemoCameraInfo(1));
  std::vector<INDEX_RECORD> times;
  for (int i = 0; i < 40; ++i) {
    times.push_back(samples::RecordTimeAt(i, 12, 1));
    writer.AddVideoFrame(times.back(), "CAM 02", "PRIZE", clip.payloads[i]);
  }
  ASSERT_TRUE(writer.WriteContainer(dir.File("prize.zrv")));

  // Record 13 is a delta frame: the export starts at key frame 10.
  const VideoExportResult result = Export(dir.File("prize.zrv"), 13, 30);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.first, 10u);
  EXPECT_EQ(result.last, 30u);
  EXPECT_EQ(result.videoCodec, "mpeg4");

  const ProbedFile file = test::ProbeMediaFile(dir.File("out.mkv"));
  ASSERT_TRUE(file.ok) << file.error;
  ASSERT_EQ(file.streams.size(), 1u);
  EXPECT_EQ(file.streams[0].codecName, "mpeg4");
  EXPECT_EQ(file.streams[0].width, 352);
  EXPECT_EQ(file.streams[0].height, 240);
  // The codec data: the key frame's stream up to its first picture.
  const std::vector<uint8_t> keyStream = Tail(clip.payloads[10], 8, StreamLength(clip.payloads[10]));
  const std::vector<uint8_t> picture = {0x00, 0x00, 0x01, 0xB6};
  const auto vop = std::search(keyStream.begin(), keyStream.end(), picture.begin(), picture.end());
  ASSERT_NE(vop, keyStream.end());
  const std::vector<uint8_t>& config = file.streams[0].extradata;
  ASSERT_FALSE(config.empty());
  EXPECT_TRUE(std::equal(config.begin(), config.end(), keyStream.begin()));
  EXPECT_LE(config.size(), static_cast<size_t>(vop - keyStream.begin()));

  const std::vector<ProbedPacket> packets = file.PacketsOf(0);
  ASSERT_EQ(packets.size(), 21u);
  for (size_t i = 0; i < packets.size(); ++i) {
    const std::vector<uint8_t>& payload = clip.payloads[10 + i];
    EXPECT_EQ(packets[i].data, Tail(payload, 8, StreamLength(payload))) << "frame " << 10 + i;
    EXPECT_EQ(packets[i].key, payload[3] == 0xB0) << "frame " << 10 + i;
  }
  ExpectTimedLikeRecords(file, packets, std::vector<INDEX_RECORD>(times.begin() + 10, times.begin() + 31),
                         *RecordTimeMs(times[10]));

  // A player decodes exactly the reference's pictures (libavcodec, as in the
  // viewer's MPEG-4 module) of the same frames: its 4:2:0 planes, converted
  // to 24 bits as the reference converts them, are the reference's pictures.
  const std::vector<uint8_t> decoded = test::DecodeVideoWithFfmpeg(dir.File("out.mkv"), "yuv420p");
  const size_t frameBytes = size_t{352} * 240 * 3 / 2;
  ASSERT_EQ(decoded.size(), 21 * frameBytes);
  const std::vector<std::vector<uint8_t>> reference = test::ReferenceMpeg4Pictures(clip, true);
  for (size_t i = 0; i < 21; ++i) {
    const uint8_t* luma = decoded.data() + i * frameBytes;
    const uint8_t* cb = luma + 352 * 240;
    const uint8_t* cr = cb + 176 * 120;
    std::vector<uint8_t> bgr(size_t{352} * 240 * 3);
    ASSERT_EQ(libyuv::I420ToRGB24(luma, 352, cb, 176, cr, 176, bgr.data(), 352 * 3, 352, 240), 0);
    EXPECT_TRUE(bgr == reference[10 + i])
        << "frame " << 10 + i;
  }
}

TEST_F(VideoExportTest, WaveletPicturesDecodeExactlyToTheViewersPictures) {
  const int width = 352;
  const int height = 288;
  const test::WaveletClip clip = test::EncodeWaveletClip(width, height, 30, 10);
  CBackupWriter writer(7, samples::DemoCameraInfo());
  for (int i = 0; i < 30; ++i) {
    writer.AddVideoFrame(samples::RecordTimeAt(i, 10), "CAM 01", "GATE", clip.payloads[i]);
  }
  ASSERT_TRUE(writer.WriteContainer(dir.File("gate.zrv")));

  const VideoExportResult result = Export(dir.File("gate.zrv"), 4, 25);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.first, 0u);
  EXPECT_EQ(result.videoCodec, "ffv1");
  EXPECT_FALSE(result.videoCopied);

  const ProbedFile file = test::ProbeMediaFile(dir.File("out.mkv"), false);
  ASSERT_TRUE(file.ok) << file.error;
  ASSERT_EQ(file.streams.size(), 1u);
  EXPECT_EQ(file.streams[0].codecName, "ffv1");
  const std::vector<ProbedPacket> packets = file.PacketsOf(0);
  ASSERT_EQ(packets.size(), 26u);
  EXPECT_TRUE(std::all_of(packets.begin(), packets.end(), [](const ProbedPacket& p) { return p.key; }));

  // Lossless: every picture is, bit for bit, the one the decoder holds.
  const std::vector<uint8_t> decoded = test::DecodeVideoWithFfmpeg(dir.File("out.mkv"), "bgr24");
  const size_t frameBytes = size_t{width} * height * 3;
  ASSERT_EQ(decoded.size(), 26 * frameBytes);
  for (size_t i = 0; i < 26; ++i) {
    EXPECT_TRUE(std::equal(clip.reconstructed[i].begin(), clip.reconstructed[i].end(),
                           decoded.begin() + static_cast<ptrdiff_t>(i * frameBytes)))
        << "frame " << i;
  }

  // And it is the picture the viewer shows for that record.
  CHeadlessHost host;
  host.SetMessageSink(nullptr);
  CPlaybackController viewer(host);
  viewer.Engine().CreateDecoders();
  ASSERT_TRUE(viewer.OpenBackup(dir.File("gate.zrv"), false));
  viewer.GoToRecord(17);
  const CHeadlessVideoWindow::Shown shown = host.DibWindow().LastShown();
  ASSERT_EQ(shown.pixels.size(), frameBytes);
  EXPECT_EQ(test::FlipRows(shown.pixels, width * 3),
            std::vector<uint8_t>(decoded.begin() + 17 * frameBytes, decoded.begin() + 18 * frameBytes));
}

TEST_F(VideoExportTest, CancellingLeavesNoFileWhereverItHappens) {
  samples::MjpgBackupOptions options;
  options.frames = 40;
  options.width = 176;
  options.height = 144;
  ASSERT_TRUE(samples::MakeMjpgBackup(options).WriteContainer(dir.File("m.zrv")));
  for (uint32_t stopAt : {0u, 17u, 40u}) {
    SCOPED_TRACE(stopAt);
    uint32_t calls = 0;
    uint32_t lastTotal = 0;
    const VideoExportResult result = Export(dir.File("m.zrv"), std::nullopt, std::nullopt,
                                            [&](uint32_t done, uint32_t total) {
                                              ++calls;
                                              lastTotal = total;
                                              return done < stopAt;
                                            });
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(lastTotal, 40u);
    EXPECT_EQ(calls, stopAt + 1);
    EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"m.zrv"});
  }
  // Not cancelled: one report per packet and a last one at the end.
  uint32_t calls = 0;
  EXPECT_TRUE(Export(dir.File("m.zrv"), std::nullopt, std::nullopt, [&](uint32_t, uint32_t) {
                ++calls;
                return true;
              }).ok);
  EXPECT_EQ(calls, 41u);
}

TEST_F(VideoExportTest, AnExistingFileIsReplacedOnlyByAFinishedExport) {
  samples::MjpgBackupOptions options;
  options.frames = 10;
  ASSERT_TRUE(samples::MakeMjpgBackup(options).WriteContainer(dir.File("m.zrv")));
  test::WriteFileBytes(dir.File("out.mkv"), {'o', 'l', 'd'});
  EXPECT_TRUE(Export(dir.File("m.zrv"), std::nullopt, std::nullopt, [](uint32_t done, uint32_t) {
                return done < 5;
              }).cancelled);
  EXPECT_EQ(test::ReadFileBytes(dir.File("out.mkv")), (std::vector<uint8_t>{'o', 'l', 'd'}));
  ASSERT_TRUE(Export(dir.File("m.zrv")).ok);
  EXPECT_EQ(test::ProbeMediaFile(dir.File("out.mkv"), false).packets.size(), 10u);
  EXPECT_EQ(std::filesystem::status(dir.File("out.mkv")).permissions() & std::filesystem::perms::others_read,
            std::filesystem::perms::others_read);
}

TEST_F(VideoExportTest, OldPairsAndSelfContainedBackupsExportLikeContainers) {
  samples::MjpgBackupOptions options;
  options.frames = 12;
  options.version = 3;
  const CBackupWriter writer = samples::MakeMjpgBackup(options);
  ASSERT_TRUE(writer.WritePair(dir.File("old.idx")));
  VideoExportRequest request;
  request.backupPath = dir.File("old.idx");
  request.oldPair = true;
  request.outputPath = dir.File("pair.mkv");
  ASSERT_TRUE(ExportVideo(request).ok);

  const std::vector<uint8_t> program(kProgramFileLength, 0x90);
  ASSERT_TRUE(writer.WriteSelfContained(dir.File("viewer-with-backup"), program));
  request.backupPath = dir.File("viewer-with-backup");
  request.oldPair = false;
  request.selfContained = true;
  request.outputPath = dir.File("self.mkv");
  ASSERT_TRUE(ExportVideo(request).ok);

  for (const char* name : {"pair.mkv", "self.mkv"}) {
    const ProbedFile file = test::ProbeMediaFile(dir.File(name), false);
    ASSERT_TRUE(file.ok) << name;
    EXPECT_EQ(file.packets.size(), 12u) << name;
    // Version 3 titles are 16 bytes.
    EXPECT_EQ(file.tags.at("title"), "CAM 01 ENTRANCE") << name;
  }
}

// --- Refusals --------------------------------------------------------------

class VideoExportRefusalTest : public VideoExportTest {
 protected:
  // Exports the backup and expects a refusal that contains message, with no
  // file left behind.
  void ExpectRefused(const std::string& backup, const std::string& message,
                     std::optional<uint32_t> first = std::nullopt, std::optional<uint32_t> last = std::nullopt) {
    const std::vector<std::string> before = FilesIn(dir.path());
    const VideoExportResult result = Export(backup, first, last);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.cancelled);
    EXPECT_NE(result.error.find(message), std::string::npos) << "the refusal said: " << result.error;
    EXPECT_EQ(FilesIn(dir.path()), before);
  }

  std::vector<uint8_t> Mjpg(int frame, int width = 176, int height = 144) {
    return samples::MakeMjpgPayload(samples::MakeTestPicture(width, height, frame), 60);
  }
  std::string Write(const CBackupWriter& writer, const std::string& name = "bad.zrv") {
    EXPECT_TRUE(writer.WriteContainer(dir.File(name)));
    return dir.File(name);
  }
};

TEST_F(VideoExportRefusalTest, TruncatedGarbageAndEmptyFilesAreRefusedAsTheViewerRefusesThem) {
  samples::MjpgBackupOptions options;
  options.frames = 10;
  std::vector<uint8_t> bytes = samples::MakeMjpgBackup(options).ContainerBytes();
  bytes.resize(bytes.size() / 2);
  test::WriteFileBytes(dir.File("half.zrv"), bytes);
  ExpectRefused(dir.File("half.zrv"), "File Error #1");

  std::vector<uint8_t> garbage(5000);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 7919 >> 3);
  test::WriteFileBytes(dir.File("garbage.zrv"), garbage);
  ExpectRefused(dir.File("garbage.zrv"), "File Error #1");
  test::WriteFileBytes(dir.File("empty.zrv"), {});
  ExpectRefused(dir.File("empty.zrv"), "File Error #1");
  ExpectRefused(dir.File("missing.zrv"), "cannot open");
}

TEST_F(VideoExportRefusalTest, RecordsReachingPastTheFileOrBeyondTheReadBufferAreRefused) {
  samples::MjpgBackupOptions options;
  options.frames = 10;
  options.width = 176;
  options.height = 144;
  std::vector<uint8_t> bytes = samples::MakeMjpgBackup(options).ContainerBytes();
  // Record 6's size, then record 3's, in the index at the start of the file.
  WriteU32LE(bytes.data() + 6 * 24 + 20, 0x100000);
  test::WriteFileBytes(dir.File("long.zrv"), bytes);
  ExpectRefused(dir.File("long.zrv"), "record 6 cannot be read: it reaches past the end of the backup");
  // Outside the range it does not matter.
  EXPECT_TRUE(Export(dir.File("long.zrv"), 0, 5).ok);
  std::filesystem::remove(dir.File("out.mkv"));

  WriteU32LE(bytes.data() + 3 * 24 + 20, 0x7FFFFFFF);
  test::WriteFileBytes(dir.File("huge.zrv"), bytes);
  ExpectRefused(dir.File("huge.zrv"), "record 3 cannot be read: its 2147483647 bytes exceed");
}

TEST_F(VideoExportRefusalTest, FramesTheViewerCannotShowAreRefusedByNumber) {
  {
    CBackupWriter writer(7);
    for (int i = 0; i < 6; ++i) {
      std::vector<uint8_t> payload = Mjpg(i);
      if (i == 4) std::memcpy(payload.data() + 16, "XVID", 4);
      writer.AddVideoFrame(samples::RecordTimeAt(i, 10), "T", "L", payload);
    }
    ExpectRefused(Write(writer), "record 4 is not a Motion-JPEG frame");
  }
  {
    CBackupWriter writer(7);
    writer.AddVideoFrame(samples::RecordTimeAt(0, 10), "T", "L", test::FakePayload(0, 800, 600));
    ExpectRefused(Write(writer), "record 0 has a picture of 800 x 600");
  }
  {
    CBackupWriter writer(7);
    writer.AddVideoFrame(samples::RecordTimeAt(0, 10), "T", "L", test::FakePayload(0, 176, 144, 40));
    ExpectRefused(Write(writer), "record 0 holds no JPEG data");
  }
  {
    // A key frame without a picture in it, whatever bytes 0..2 say.
    CBackupWriter writer(7);
    std::vector<uint8_t> payload = test::FakePayload(0xB0, 352, 240, 100);
    payload[2] = 200;
    writer.AddVideoFrame(samples::RecordTimeAt(0, 10), "T", "L", payload);
    ExpectRefused(Write(writer), "record 0 is marked as an MPEG-4 key frame but holds no intra picture");
  }
  {
    CBackupWriter writer(7);
    const uint8_t kinds[] = {0xA1, 0xA2, 0xA0};
    for (int i = 0; i < 3; ++i) {
      writer.AddVideoFrame(samples::RecordTimeAt(i, 10), "T", "L", test::FakePayload(kinds[i], 352, 288));
    }
    ExpectRefused(Write(writer), "record 0 is a delta frame with no key frame before it");
  }
  {
    // An MPEG-4 key frame whose stream has no configuration headers.
    CBackupWriter writer(7);
    std::vector<uint8_t> payload = test::FakePayload(0xB0, 352, 240, 64);
    const uint8_t vop[] = {0x00, 0x00, 0x01, 0xB6, 0x10};
    std::memcpy(payload.data() + 8, vop, sizeof vop);
    payload[2] = 56;
    writer.AddVideoFrame(samples::RecordTimeAt(0, 10), "T", "L", payload);
    ExpectRefused(Write(writer), "no MPEG-4 frame up to record 0 carries the configuration headers (VOL)");
  }
  {
    // A picture shown before one coded earlier cannot be timed by its record;
    // found while writing, it still leaves no file.
    const test::Mpeg4Clip clip = test::EncodeMpeg4Clip(176, 144, 3, 10);
    std::vector<uint8_t> bidirectional = clip.payloads[2];
    const std::vector<uint8_t> vop = {0x00, 0x00, 0x01, 0xB6};
    const auto at = std::search(bidirectional.begin(), bidirectional.end(), vop.begin(), vop.end());
    ASSERT_NE(at, bidirectional.end());
    at[4] = static_cast<uint8_t>((at[4] & 0x3F) | 0x80);
    CBackupWriter writer(7);
    writer.AddVideoFrame(samples::RecordTimeAt(0, 10), "T", "L", clip.payloads[0]);
    writer.AddVideoFrame(samples::RecordTimeAt(1, 10), "T", "L", clip.payloads[1]);
    writer.AddVideoFrame(samples::RecordTimeAt(2, 10), "T", "L", bidirectional);
    ExpectRefused(Write(writer), "record 2 holds a B-picture");
  }
}

TEST_F(VideoExportRefusalTest, ACodecOrPictureSizeChangeIsRefusedWithWhereToSplit) {
  CBackupWriter mixed(7);
  for (int i = 0; i < 5; ++i) mixed.AddVideoFrame(samples::RecordTimeAt(i, 10), "T", "L", Mjpg(i));
  mixed.AddVideoFrame(samples::RecordTimeAt(5, 10), "T", "L", test::FakePayload(0xB0, 352, 240));
  ExpectRefused(Write(mixed, "mixed.zrv"),
                "record 5 changes the video from MJPG 176 x 144 to MPEG4 352 x 240: export the records before "
                "it and from it separately");
  // Each side on its own is fine.
  EXPECT_TRUE(Export(dir.File("mixed.zrv"), 0, 4).ok);
  std::filesystem::remove(dir.File("out.mkv"));

  CBackupWriter resized(7);
  for (int i = 0; i < 4; ++i) resized.AddVideoFrame(samples::RecordTimeAt(i, 10), "T", "L", Mjpg(i));
  resized.AddVideoFrame(samples::RecordTimeAt(4, 10), "T", "L", Mjpg(4, 352, 288));
  ExpectRefused(Write(resized, "resized.zrv"), "record 4 changes the video from MJPG 176 x 144 to MJPG 352 x 288");
}

TEST_F(VideoExportRefusalTest, TimesThatRunBackwardsOrDoNotExistAreRefused) {
  {
    CBackupWriter writer(7);
    const int order[] = {0, 1, 2, 7, 3};
    for (int i = 0; i < 5; ++i) writer.AddVideoFrame(samples::RecordTimeAt(order[i], 10), "T", "L", Mjpg(i));
    ExpectRefused(Write(writer), "record 4 was recorded at 2026-03-14 19:30:00.300, before record 3 "
                                 "(2026-03-14 19:30:00.700)");
  }
  for (const INDEX_RECORD& bad : {At(2026, 13, 1, 0, 0, 0, 0), At(2023, 2, 29, 0, 0, 0, 0),
                                   At(2026, 3, 14, 24, 0, 0, 0), At(2026, 3, 14, 1, 2, 3, 1000), INDEX_RECORD{}}) {
    CBackupWriter writer(7);
    writer.AddVideoFrame(samples::RecordTimeAt(0, 10), "T", "L", Mjpg(0));
    writer.AddVideoFrame(bad, "T", "L", Mjpg(1));
    ExpectRefused(Write(writer), "record 1 has no valid recording time (" + FormatRecordTime(bad) + ")");
  }
  // Frames stamped with one millisecond keep their order a millisecond apart.
  CBackupWriter same(7);
  for (int i = 0; i < 3; ++i) same.AddVideoFrame(samples::RecordTimeAt(0, 10), "T", "L", Mjpg(i));
  ASSERT_TRUE(Export(Write(same, "same.zrv")).ok);
  const ProbedFile file = test::ProbeMediaFile(dir.File("out.mkv"), false);
  ASSERT_EQ(file.packets.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(file.PtsMs(file.packets[i]), i, 0.001);
}

TEST_F(VideoExportRefusalTest, SoundThatChangesFormatOrCannotBePlayedIsRefused) {
  const auto chunk = [](uint8_t channels, uint32_t rate, uint8_t bits) {
    AUDIO_HEADER header;
    header.channels = channels;
    header.samplesPerSecond = rate;
    header.bitsPerSample = bits;
    header.chunksPerSecond = 1;
    return header;
  };
  const std::vector<uint8_t> pcm(800, 0x80);
  {
    CBackupWriter writer(7);
    writer.AddVideoFrame(samples::RecordTimeAt(0, 1), "T", "L", Mjpg(0));
    writer.AddAudioChunk(samples::RecordTimeAt(0, 1, 0, 0xF0), chunk(1, 8000, 8), pcm);
    writer.AddVideoFrame(samples::RecordTimeAt(1, 1), "T", "L", Mjpg(1));
    writer.AddAudioChunk(samples::RecordTimeAt(1, 1, 0, 0xF0), chunk(1, 11025, 8), pcm);
    ExpectRefused(Write(writer), "record 3 changes the sound from 8000 Hz, 8 bits, mono to 11025 Hz, 8 bits, mono");
  }
  {
    CBackupWriter writer(7);
    writer.AddVideoFrame(samples::RecordTimeAt(0, 1), "T", "L", Mjpg(0));
    writer.AddAudioChunk(samples::RecordTimeAt(0, 1, 0, 0xF0), chunk(3, 8000, 8), pcm);
    ExpectRefused(Write(writer), "record 1 holds sound the viewer cannot play (3 channels, 8000 Hz, 8 bits)");
  }
  {
    // Sound without pictures is not a video.
    CBackupWriter writer(7);
    writer.AddAudioChunk(samples::RecordTimeAt(0, 1, 0, 0xF0), chunk(1, 8000, 8), pcm);
    ExpectRefused(Write(writer), "records 0..0 hold no video frame");
  }
}

TEST_F(VideoExportRefusalTest, RangesOutsideTheBackupAndOutputsThatWouldHarmItAreRefused) {
  samples::MjpgBackupOptions options;
  options.frames = 5;
  const std::string backup = Write(samples::MakeMjpgBackup(options), "m.zrv");
  ExpectRefused(backup, "records 3..9 are not within 0..4", 3, 9);
  ExpectRefused(backup, "records 4..2 are not within 0..4", 4, 2);

  const std::vector<uint8_t> original = test::ReadFileBytes(backup);
  VideoExportRequest request;
  request.backupPath = backup;
  request.outputPath = backup;
  VideoExportResult result = ExportVideo(request);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("would replace the backup itself"), std::string::npos) << result.error;
  EXPECT_EQ(test::ReadFileBytes(backup), original);

  request.outputPath = dir.File("no/such/folder/out.mkv");
  result = ExportVideo(request);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("cannot write"), std::string::npos) << result.error;
}

}  // namespace
}  // namespace bv
