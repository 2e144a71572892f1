// zrvtool report read back with poppler's pdftotext, pdftoppm and pdfinfo:
// what the report says about a backup made byte by byte here (its hash
// against sha256sum, its gap, refused frame and events), the companion
// record list of a long backup, and clear refusals with no file left.
#include <gtest/gtest.h>

#include <regex>

#include <filesystem>
#include <random>

#include "base/format/backup_writer.h"
#include "tests/support/codec_environment.h"
#include "tests/support/picture_tools.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_lines.h"
#include "tools/samples/mjpg_encode.h"
#include "tools/samples/sample_backups.h"
#include "tools/samples/test_picture.h"

namespace bv {
namespace {

using test::Field;
using test::Lines;
using test::RunCommand;

test::CommandResult Zrvtool(const std::vector<std::string>& args) { return RunCommand(ZRVTOOL_PATH, args); }

// A program found on the PATH.
test::CommandResult RunTool(const std::string& program, std::vector<std::string> args) {
  args.insert(args.begin(), program);
  return RunCommand("/usr/bin/env", args);
}

std::string PdfText(const std::string& pdf) { return RunTool("pdftotext", {"-layout", pdf, "-"}).out; }

std::string Sha256Sum(const std::string& path) { return RunTool("sha256sum", {path}).out.substr(0, 64); }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ZrvtoolReportTest : public ::testing::Test {
 protected:
  ZrvtoolReportTest() { env.RegisterDriver(); }

  // 12 MJPG frames at 10 a second; record 5 is garbage the viewer refuses,
  // record 9 a JPEG cut in half (shown, its damage concealed), and from
  // record 8 on the clock is 3.5 s later.
  std::string Backup() {
    CBackupWriter writer(7, samples::DemoCameraInfo());
    std::mt19937 random(5);
    for (int i = 0; i < 12; ++i) {
      INDEX_RECORD time = samples::RecordTimeAt(i < 8 ? i : i + 35, 10);
      if (i == 5) {
        std::vector<uint8_t> garbage(400);
        for (uint8_t& byte : garbage) byte = static_cast<uint8_t>(random());
        writer.AddRawRecord(time, garbage);
        continue;
      }
      std::vector<uint8_t> payload = samples::MakeMjpgPayload(samples::MakeTestPicture(352, 240, i), 80);
      if (i == 9) payload.resize(payload.size() / 2);
      writer.AddVideoFrame(time, "CAM 01 ENTRANCE", "1F EAST GATE", payload);
    }
    const std::string path = dir.File("Hall Camera.zrv");
    EXPECT_TRUE(writer.WriteContainer(path));
    return path;
  }

  test::CodecEnvironment env;
  test::TempDir dir;
};

TEST_F(ZrvtoolReportTest, ReportStatesTheFileTheRecordsAndTheirProblems) {
  const std::string backup = Backup();
  const test::CommandResult run =
      Zrvtool({"report", backup, "-o", dir.File("r.pdf"), "--stills", "2", "--case", "Case 2026/117"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string sha = Sha256Sum(backup);
  EXPECT_EQ(Field(run.out, "sha256"), sha);
  EXPECT_EQ(Field(run.out, "refused_frames"), "1");
  EXPECT_EQ(Field(run.out, "concealed_frames"), "1");
  EXPECT_EQ(Field(run.out, "gaps"), "1");

  const std::string text = PdfText(dir.File("r.pdf"));
  EXPECT_TRUE(Contains(text, "Hall Camera.zrv"));
  EXPECT_TRUE(Contains(text, std::to_string(std::filesystem::file_size(backup)) + " bytes"));
  EXPECT_TRUE(Contains(text, sha));
  EXPECT_TRUE(Contains(text, "Case: Case 2026/117"));
  EXPECT_TRUE(Contains(text, "ZRV container (.zrv)"));
  EXPECT_TRUE(Contains(text, "Entrance (1)"));
  EXPECT_TRUE(Contains(text, "0 to 11 (12 records)"));
  EXPECT_TRUE(Contains(text, "2026-03-14 19:30:00.000"));
  EXPECT_TRUE(Contains(text, "2026-03-14 19:30:04.600"));  // record 11: frame 46
  EXPECT_TRUE(Contains(text, "352 x 240"));
  EXPECT_TRUE(Contains(text, "Sound: none"));
  EXPECT_TRUE(Contains(text, "1 of 12 video frames were refused"));
  EXPECT_TRUE(std::regex_search(text, std::regex("1\\s+were\\s+shown\\s+with\\s+damage")));
  EXPECT_TRUE(std::regex_search(text, std::regex("\\n9 +2026-03-14 19:30:04.400 +damage concealed by the decoder")));
  // The gap: record 7 (0.7 s) to record 8 (4.3 s).
  EXPECT_TRUE(Contains(text, "2026-03-14 19:30:00.700"));
  EXPECT_TRUE(Contains(text, "3.600 s"));
  EXPECT_TRUE(Contains(text, "Record 2"));

  // Every record's payload hash, as zrvtool records gives them.
  const std::vector<std::string> records = Lines(Zrvtool({"records", backup, "--hash"}).out);
  ASSERT_EQ(records.size(), 12u);
  for (const std::string& record : records) EXPECT_TRUE(Contains(text, Field(record, "sha256"))) << record;

  // As many pages as the tool says, and the first reads as black on white.
  const std::string info = RunTool("pdfinfo", {dir.File("r.pdf")}).out;
  const size_t pages = info.find("Pages:");
  ASSERT_NE(pages, std::string::npos) << info;
  EXPECT_EQ(std::stoi(info.substr(pages + 6)), std::stoi(Field(run.out, "pages"))) << info;
  const test::GreyPage page = test::RenderPdfPage(dir.File("r.pdf"), 50);
  ASSERT_GT(page.width, 0);
  size_t white = 0;
  size_t black = 0;
  for (uint8_t v : page.pixels) {
    white += v > 240;
    black += v < 64;
  }
  EXPECT_GT(white, page.pixels.size() * 8 / 10);
  EXPECT_GT(black, page.pixels.size() / 200);
}

TEST_F(ZrvtoolReportTest, RangeLimitsWhatIsDescribed) {
  const std::string backup = Backup();
  const test::CommandResult run = Zrvtool({"report", backup, "-o", dir.File("r.pdf"), "--from", "0", "--to", "4"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Field(run.out, "refused_frames"), "0");
  EXPECT_EQ(Field(run.out, "gaps"), "0");
  const std::string text = PdfText(dir.File("r.pdf"));
  EXPECT_TRUE(Contains(text, "0 to 4 (5 records)"));
  EXPECT_TRUE(Contains(text, "None: no video frame follows"));
}

TEST_F(ZrvtoolReportTest, HallEventsAreListedAsTheFramesShowThem) {
  ASSERT_EQ(Zrvtool({"make-sample", dir.path(), "--frames", "60"}).exitCode, 0);
  const std::string backup = dir.File("demo-mjpg.zrv");
  const test::CommandResult run = Zrvtool({"report", backup, "-o", dir.File("r.pdf")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Field(run.out, "events"), "1");
  // What zrvtool events says the window is handed, for a frame of the span.
  const std::string shown = Zrvtool({"events", backup, "25"}).out;
  const std::string text = PdfText(dir.File("r.pdf"));
  const std::string line = "machine event   " + Field(shown, "machine") + " " + Field(shown, "label") + ": " +
                           Field(shown, "text");
  EXPECT_TRUE(Contains(text, line)) << line << "\n" << text;
  EXPECT_TRUE(Contains(text, "20 \u2013 49")) << text;

  // A range before the event names none.
  ASSERT_EQ(Zrvtool({"report", backup, "-o", dir.File("r.pdf"), "--to", "19"}).exitCode, 0);
  EXPECT_TRUE(Contains(PdfText(dir.File("r.pdf")), "None: no frame of the range shows a hall event."));
}

TEST_F(ZrvtoolReportTest, LongRecordListGoesIntoACsvBesideTheReport) {
  samples::MjpgBackupOptions options;
  options.frames = 5000;
  options.width = 32;
  options.height = 16;
  options.quality = 30;
  ASSERT_TRUE(samples::MakeMjpgBackup(options).WriteContainer(dir.File("long.zrv")));
  const test::CommandResult run = Zrvtool({"report", dir.File("long.zrv"), "-o", dir.File("long.PDF")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string csv = dir.File("long-records.csv");
  EXPECT_EQ(Field(run.out, "record_list"), csv);
  const std::vector<std::string> rows = Lines(RunTool("cat", {csv}).out);
  ASSERT_EQ(rows.size(), 5001u);
  EXPECT_EQ(rows[0], "record,type,recorded,bytes,picture,sha256\r");
  const std::vector<std::string> hashes = Lines(Zrvtool({"records", dir.File("long.zrv"), "--hash"}).out);
  EXPECT_EQ(rows[4321].substr(0, 5), "4320,");
  EXPECT_EQ(rows[4321].substr(rows[4321].size() - 65, 64), Field(hashes[4320], "sha256"));
  // The report names the list and its hash.
  const std::string text = PdfText(dir.File("long.PDF"));
  EXPECT_TRUE(Contains(text, "long-records.csv"));
  EXPECT_TRUE(Contains(text, Sha256Sum(csv)));
  EXPECT_LT(std::stoi(Field(run.out, "pages")), 10);
}

TEST_F(ZrvtoolReportTest, AnythingButABackupIsRefusedAndNoFileIsLeft) {
  const std::string backup = Backup();
  const std::vector<uint8_t> bytes = test::ReadFileBytes(backup);
  test::WriteFileBytes(dir.File("cut.zrv"), std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2));
  std::vector<uint8_t> garbage(20000);
  std::mt19937 random(11);
  for (uint8_t& byte : garbage) byte = static_cast<uint8_t>(random());
  test::WriteFileBytes(dir.File("garbage.zrv"), garbage);
  test::WriteFileBytes(dir.File("empty.zrv"), {});
  for (const char* name : {"cut.zrv", "garbage.zrv", "empty.zrv", "missing.zrv"}) {
    SCOPED_TRACE(name);
    const test::CommandResult run = Zrvtool({"report", dir.File(name), "-o", dir.File("r.pdf")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(run.err.empty());
  }
  const std::vector<std::vector<std::string>> refused = {
      {"--from", "7", "--to", "3"}, {"--to", "12"}, {"--stills", "99"}};
  for (const std::vector<std::string>& extra : refused) {
    std::vector<std::string> args{"report", backup, "-o", dir.File("r.pdf")};
    args.insert(args.end(), extra.begin(), extra.end());
    const test::CommandResult run = Zrvtool(args);
    EXPECT_EQ(run.exitCode, 1) << extra[0];
    EXPECT_FALSE(run.err.empty());
  }
  for (const char* stills : {"", "1,,2", "x"}) {
    EXPECT_EQ(Zrvtool({"report", backup, "-o", dir.File("r.pdf"), "--stills", stills}).exitCode, 2) << stills;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("r.pdf")));
  // Naming the backup itself as the report leaves it as it was.
  EXPECT_EQ(Zrvtool({"report", backup, "-o", backup}).exitCode, 1);
  EXPECT_EQ(test::ReadFileBytes(backup), bytes);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);
}

}  // namespace
}  // namespace bv
