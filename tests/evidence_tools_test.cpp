// Clips and fingerprints for handing backups on: cut clips keep every
// record's bytes, and hashes agree with an independent sha256sum.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>

#include "base/format/backup_constants.h"
#include "base/platform/sha256.h"
#include "playback/engine/record_hash.h"
#include "tests/support/run_command.h"
#include "tests/support/small_backups.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_lines.h"
#include "tools/samples/sample_backups.h"

namespace bv {
namespace {

using test::Lines;
using test::Field;
using test::RunCommand;
using test::TempDir;

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(Sha256Hex("", 0), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  const std::string a(1000000, 'a');
  CSha256 pieces;
  for (size_t i = 0; i < a.size(); i += 4097) pieces.Update(a.data() + i, std::min<size_t>(4097, a.size() - i));
  EXPECT_EQ(pieces.FinishHex(), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(FileSha256, AgreesWithSha256sumAndStopsWhenTold) {
  TempDir dir;
  std::vector<uint8_t> bytes(3 * 1024 * 1024 + 17);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 131 + (i >> 9));
  test::WriteFileBytes(dir.File("f.bin"), bytes);
  const std::string expected = RunCommand("/usr/bin/env", {"sha256sum", dir.File("f.bin")}).out.substr(0, 64);
  std::vector<uint64_t> reports;
  EXPECT_EQ(FileSha256(dir.File("f.bin"), [&](uint64_t done) {
              reports.push_back(done);
              return true;
            }),
            expected);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back(), bytes.size());
  EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
  // Stopped after the first chunk, or unreadable: no hash at all.
  EXPECT_EQ(FileSha256(dir.File("f.bin"), [](uint64_t) { return false; }), "");
  EXPECT_EQ(FileSha256(dir.File("missing.bin")), "");
  test::WriteFileBytes(dir.File("empty.bin"), {});
  EXPECT_EQ(FileSha256(dir.File("empty.bin")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  std::array<uint8_t, 32> digest{};
  digest[0] = 0xAB;
  digest[31] = 0x0F;
  EXPECT_EQ(DigestHex(digest), "ab" + std::string(60, '0') + "0f");
}

TEST(ZrvToolCut, ClipRecordsAreByteIdenticalAndTheClipOpens) {
  TempDir dir;
  samples::MjpgBackupOptions options;
  options.frames = 40;
  ASSERT_TRUE(samples::MakeMjpgBackup(options).WriteContainer(dir.File("full.zrv")));
  auto cut = RunCommand(ZRVTOOL_PATH, {"cut", dir.File("full.zrv"), "--from", "10", "--to", "20", "-o", dir.File("clip.zrv")});
  ASSERT_EQ(cut.exitCode, 0) << cut.err;
  EXPECT_EQ(Field(cut.out, "count"), "11");

  const auto full = Lines(RunCommand(ZRVTOOL_PATH, {"records", "--hash", dir.File("full.zrv")}).out);
  const auto clip = Lines(RunCommand(ZRVTOOL_PATH, {"records", dir.File("clip.zrv"), "--hash"}).out);
  ASSERT_EQ(full.size(), 40u);
  ASSERT_EQ(clip.size(), 11u);
  for (size_t i = 0; i < clip.size(); ++i) {
    EXPECT_EQ(Field(clip[i], "sha256"), Field(full[10 + i], "sha256")) << i;
    EXPECT_EQ(Field(clip[i], "time"), Field(full[10 + i], "time")) << i;
    EXPECT_EQ(Field(clip[i], "title"), Field(full[10 + i], "title")) << i;
  }
  const auto info = RunCommand(ZRVTOOL_PATH, {"info", dir.File("clip.zrv")});
  ASSERT_EQ(info.exitCode, 0);
  EXPECT_EQ(Field(info.out, "count"), "11");
  EXPECT_EQ(Field(info.out, "version"), "7");
  EXPECT_EQ(Field(info.out, "name"), "Entrance");
}

TEST(ZrvToolCut, DeltaFrameAtTheStartPullsInItsKeyFrame) {
  TempDir dir;
  CBackupWriter writer(7);
  const uint8_t kinds[] = {0xB0, 0xB1, 0xB1, 0xB0, 0xB1, 0xB1, 0xB1, 0xB0};
  for (uint8_t kind : kinds) writer.AddVideoFrame(INDEX_RECORD{}, "T", "L", test::FakePayload(kind, 352, 240));
  ASSERT_TRUE(writer.WriteContainer(dir.File("m.zrv")));
  auto cut = RunCommand(ZRVTOOL_PATH, {"cut", dir.File("m.zrv"), "--from", "5", "--to", "6", "-o", dir.File("c.zrv")});
  ASSERT_EQ(cut.exitCode, 0) << cut.err;
  EXPECT_EQ(Field(cut.out, "first"), "3");
  EXPECT_EQ(Field(cut.out, "count"), "4");
  const auto records = Lines(RunCommand(ZRVTOOL_PATH, {"records", dir.File("c.zrv")}).out);
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(Field(records[0], "key"), "true");
}

TEST(ZrvToolCut, PairsAndSelfContainedBackupsCutIntoContainers) {
  TempDir dir;
  CBackupWriter writer = test::MakeSmallBackup(5, 6);
  ASSERT_TRUE(writer.WritePair(dir.File("old.idx")));
  ASSERT_TRUE(writer.WriteSelfContained(dir.File("self.bin"), std::vector<uint8_t>(kProgramFileLength, 0)));
  for (const char* source : {"old.idx", "self.bin"}) {
    auto cut = RunCommand(ZRVTOOL_PATH, {"cut", dir.File(source), "--from", "2", "-o", dir.File("c.zrv")});
    ASSERT_EQ(cut.exitCode, 0) << source << cut.err;
    auto info = RunCommand(ZRVTOOL_PATH, {"info", dir.File("c.zrv")});
    EXPECT_EQ(Field(info.out, "count"), "4") << source;
    EXPECT_EQ(Field(info.out, "version"), "5") << source;
    const auto a = Lines(RunCommand(ZRVTOOL_PATH, {"records", "--hash", dir.File(source)}).out);
    const auto b = Lines(RunCommand(ZRVTOOL_PATH, {"records", "--hash", dir.File("c.zrv")}).out);
    ASSERT_EQ(b.size(), 4u);
    EXPECT_EQ(Field(b[3], "sha256"), Field(a[5], "sha256")) << source;
  }
}

TEST(ZrvToolCut, RangesOutsideTheBackupAreRefused) {
  TempDir dir;
  ASSERT_TRUE(test::MakeSmallBackup(7, 5).WriteContainer(dir.File("b.zrv")));
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"cut", dir.File("b.zrv"), "--from", "3", "--to", "9", "-o", dir.File("c.zrv")}).exitCode, 1);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"cut", dir.File("b.zrv"), "--from", "4", "--to", "2", "-o", dir.File("c.zrv")}).exitCode, 1);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"cut", dir.File("b.zrv"), "--from", "x", "-o", dir.File("c.zrv")}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"cut", dir.File("b.zrv")}).exitCode, 2);
  EXPECT_EQ(RunCommand(ZRVTOOL_PATH, {"cut", dir.File("b.zrv"), "-o", dir.File("missing/c.zrv")}).exitCode, 1);
}

TEST(ZrvToolHash, AgreesWithSha256sumOfTheFileAndOfExtractedPayloads) {
  TempDir dir;
  CBackupWriter writer = test::MakeSmallBackup(7, 3);
  ASSERT_TRUE(writer.WriteContainer(dir.File("b.zrv")));
  auto hash = RunCommand(ZRVTOOL_PATH, {"hash", dir.File("b.zrv")});
  ASSERT_EQ(hash.exitCode, 0) << hash.err;
  auto sum = RunCommand("/usr/bin/sha256sum", {dir.File("b.zrv")});
  EXPECT_EQ(Field(hash.out, "sha256"), sum.out.substr(0, 64));
  // Record 1's payload extracted by hand: after the index, record 0 (64 title
  // bytes + 64 payload bytes) and record 1's 64 title bytes.
  const std::vector<uint8_t> bytes = test::ReadFileBytes(dir.File("b.zrv"));
  const size_t at = 4 * 24 + 64 + 64 + 64;
  test::WriteFileBytes(dir.File("payload1"), std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + at + 65));
  const std::string expected = RunCommand("/usr/bin/sha256sum", {dir.File("payload1")}).out.substr(0, 64);
  const size_t records = hash.out.find("\"records\":");
  ASSERT_NE(records, std::string::npos);
  EXPECT_NE(hash.out.find("{\"index\":1,\"sha256\":\"" + expected + "\"}", records), std::string::npos) << hash.out;
}

}  // namespace
}  // namespace bv
