// Backups and stills that the project did not write: laid out byte by byte by
// tests/fixtures/make_fixtures.py, with payloads from ffmpeg, cjpeg and sox and
// arbitrary values in the fields the viewer does not examine. They are opened
// through zrvtool and through the engine, and compared with what the writer
// says it put in (manifest.jsonl) and with ffmpeg's own decode of the same
// coded data.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "base/host/control_ids.h"
#include "base/platform/legacy_text.h"
#include "playback/engine/headless_host.h"
#include "playback/engine/playback_controller.h"
#include "tests/support/codec_environment.h"
#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_lines.h"

namespace bv {
namespace {

using test::Field;
using test::Lines;
using test::RunCommand;

const std::string kFixtures = INDEPENDENT_FIXTURE_DIR;
constexpr double kMinPsnr = 30.0;

std::string FixturePath(const std::string& name) { return kFixtures + "/" + name; }

// The writer's flat manifest, by what each line describes.
struct Manifest {
  std::vector<std::string> backups;
  std::vector<std::string> records;
  std::vector<std::string> stills;
  std::string sound;
  std::string events;

  std::vector<std::string> RecordsOf(const std::string& file) const {
    std::vector<std::string> out;
    for (const auto& r : records) {
      if (Field(r, "file") == file) out.push_back(r);
    }
    return out;
  }
};

Manifest LoadManifest() {
  Manifest manifest;
  std::ifstream in(FixturePath("manifest.jsonl"));
  for (std::string line; std::getline(in, line);) {
    const std::string what = Field(line, "what");
    if (what == "backup") manifest.backups.push_back(line);
    if (what == "record") manifest.records.push_back(line);
    if (what == "still") manifest.stills.push_back(line);
    if (what == "sound") manifest.sound = line;
    if (what == "events") manifest.events = line;
  }
  return manifest;
}

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // top row first
};

bool ReadPpm(const std::string& path, RgbImage* image) {
  const std::vector<uint8_t> file = test::ReadFileBytes(path);
  const std::string text(file.begin(), file.begin() + std::min<size_t>(file.size(), 32));
  std::smatch match;
  if (!std::regex_search(text, match, std::regex("^P6\\s+(\\d+)\\s+(\\d+)\\s+255\\s"))) return false;
  image->width = std::stoi(match[1]);
  image->height = std::stoi(match[2]);
  image->rgb.assign(file.begin() + match.length(0), file.end());
  return image->rgb.size() == static_cast<size_t>(image->width) * image->height * 3;
}

// A bottom-up B, G, R picture (the DIB window's) as R, G, B top row first.
RgbImage FromDib(const std::vector<uint8_t>& bgr, int width, int height) {
  RgbImage image{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  for (int y = 0; y < height && (height - 1 - y) * stride + width * 3 <= bgr.size(); ++y) {
    const uint8_t* src = &bgr[(height - 1 - y) * stride];
    uint8_t* dst = &image.rgb[static_cast<size_t>(y) * width * 3];
    for (int x = 0; x < width; ++x) {
      dst[x * 3] = src[x * 3 + 2];
      dst[x * 3 + 1] = src[x * 3 + 1];
      dst[x * 3 + 2] = src[x * 3];
    }
  }
  return image;
}

// The mean of each factor x factor block (what ffmpeg's area scaling gives
// for a whole factor).
RgbImage Shrink(const RgbImage& big, int factor) {
  RgbImage small{big.width / factor, big.height / factor, {}};
  small.rgb.resize(static_cast<size_t>(small.width) * small.height * 3);
  for (int y = 0; y < small.height; ++y) {
    for (int x = 0; x < small.width; ++x) {
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int dy = 0; dy < factor; ++dy) {
          for (int dx = 0; dx < factor; ++dx) {
            sum += big.rgb[((static_cast<size_t>(y) * factor + dy) * big.width + x * factor + dx) * 3 + c];
          }
        }
        small.rgb[(static_cast<size_t>(y) * small.width + x) * 3 + c] =
            static_cast<uint8_t>((sum + factor * factor / 2) / (factor * factor));
      }
    }
  }
  return small;
}

// Peak signal-to-noise ratio in dB; 0 when the sizes differ.
double Psnr(const RgbImage& a, const RgbImage& b) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty()) return 0;
  double squared = 0;
  for (size_t i = 0; i < a.rgb.size(); ++i) {
    const double d = double(a.rgb[i]) - b.rgb[i];
    squared += d * d;
  }
  const double mse = squared / a.rgb.size();
  return 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
}

RgbImage Reference(const std::string& record) {
  RgbImage image;
  EXPECT_TRUE(ReadPpm(FixturePath(Field(record, "reference")), &image)) << Field(record, "reference");
  return image;
}

bool IsVideo(const std::string& record) { return Field(record, "kind") == "video"; }
bool HasReference(const std::string& record) { return Field(record, "reference") != "null"; }
bool IsPair(const std::string& backup) { return Field(backup, "form") == "pair"; }

class IndependentFixtures : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.RegisterDriver();
    manifest_ = LoadManifest();
    ASSERT_EQ(manifest_.backups.size(), 5u) << "fixtures missing in " << kFixtures;
  }
  const std::string* Backup(const std::string& form, int version) const {
    for (const auto& b : manifest_.backups) {
      if (Field(b, "form") == form && Field(b, "version") == std::to_string(version)) return &b;
    }
    return nullptr;
  }
  test::CodecEnvironment env_;
  test::TempDir out_;
  Manifest manifest_;
};

TEST_F(IndependentFixtures, EveryFormAndVersionIsPresent) {
  for (const auto& [form, version] : std::vector<std::pair<std::string, int>>{
           {"container", 5}, {"container", 7}, {"pair", 2}, {"pair", 6}, {"self-contained", 5}}) {
    EXPECT_NE(Backup(form, version), nullptr) << form << " " << version;
  }
}

// The camera number, the version and the index geometry of every form.
TEST_F(IndependentFixtures, ZrvtoolInfoGivesTheWrittenFormVersionAndIndexInEveryForm) {
  for (const auto& backup : manifest_.backups) {
    const std::string file = Field(backup, "file");
    const auto result = RunCommand(ZRVTOOL_PATH, {"info", FixturePath(file)});
    EXPECT_EQ(result.exitCode, 0) << file << ": " << result.err;
    if (result.exitCode != 0) continue;
    EXPECT_EQ(Field(result.out, "form"), Field(backup, "form")) << file;
    EXPECT_EQ(Field(result.out, "version"), Field(backup, "version")) << file;
    EXPECT_EQ(Field(result.out, "count"), Field(backup, "count")) << file;
    EXPECT_EQ(Field(result.out, "frame_base"), Field(backup, "frame_base")) << file;
    // An old pair keeps no index length once opened.
    EXPECT_EQ(Field(result.out, "index_length"), IsPair(backup) ? "0" : Field(backup, "index_length")) << file;
    EXPECT_EQ(Field(result.out, "number"), Field(backup, "camera_number")) << file;
  }
}

// OLD.IDX beside OLD.SAV, and Old.Idx beside old.SAV: the data file is found
// as Windows finds it, whatever the case of its name.
TEST_F(IndependentFixtures, OldPairsWithUpperAndMixedCaseNamesOpen) {
  for (const char* name : {"OLD.IDX", "Old.Idx"}) {
    const auto result = RunCommand(ZRVTOOL_PATH, {"info", FixturePath(name)});
    EXPECT_EQ(result.exitCode, 0) << name << ": " << result.err;
    EXPECT_EQ(Field(result.out, "form"), "pair") << name;
  }
}

TEST_F(IndependentFixtures, ZrvtoolRecordsListEveryRecordAsWritten) {
  for (const auto& backup : manifest_.backups) {
    const std::string file = Field(backup, "file");
    const auto result = RunCommand(ZRVTOOL_PATH, {"records", FixturePath(file)});
    EXPECT_EQ(result.exitCode, 0) << file << ": " << result.err;
    if (result.exitCode != 0) continue;
    const auto lines = Lines(result.out);
    const auto expected = manifest_.RecordsOf(file);
    ASSERT_EQ(lines.size(), expected.size()) << file;
    for (size_t i = 0; i < lines.size(); ++i) {
      const std::string where = file + " record " + std::to_string(i);
      for (const char* key : {"time", "camera", "type", "kind", "size"}) {
        EXPECT_EQ(Field(lines[i], key), Field(expected[i], key)) << where << " " << key;
      }
      if (!IsVideo(expected[i])) continue;
      EXPECT_EQ(Field(lines[i], "refused"), "") << where;
      for (const char* key : {"codec", "key", "width", "height"}) {
        EXPECT_EQ(Field(lines[i], key), Field(expected[i], key)) << where << " " << key;
      }
    }
  }
}

// Every video frame through zrvtool frame: clean frames are ffmpeg's picture
// and say so, damaged ones are shown and say they are damaged.
TEST_F(IndependentFixtures, ZrvtoolFramesAreTheEncodersPicturesAndNameTheDamagedOnes) {
  int compared = 0;
  int damaged = 0;
  for (const auto& record : manifest_.records) {
    if (!IsVideo(record)) continue;
    const std::string file = Field(record, "file");
    const std::string index = Field(record, "index");
    const std::string where = file + " record " + index;
    const std::string out = out_.File("frame.ppm");
    const auto result = RunCommand(ZRVTOOL_PATH, {"frame", FixturePath(file), index, "-o", out});
    EXPECT_EQ(result.exitCode, 0) << where << ": " << result.err;
    if (result.exitCode != 0) continue;
    EXPECT_EQ(Field(result.out, "width"), Field(record, "width")) << where;
    EXPECT_EQ(Field(result.out, "height"), Field(record, "height")) << where;
    EXPECT_EQ(Field(result.out, "codec"), Field(record, "codec")) << where;
    EXPECT_EQ(Field(result.out, "damaged"), Field(record, "damaged")) << where;
    damaged += Field(record, "damaged") == "true";
    if (!HasReference(record)) continue;
    RgbImage shown;
    ASSERT_TRUE(ReadPpm(out, &shown)) << where;
    EXPECT_GE(Psnr(shown, Reference(record)), kMinPsnr) << where;
    ++compared;
  }
  EXPECT_GT(compared, 80);
  EXPECT_GE(damaged, 4);
}

// The engine, as the viewer opens each backup in either presentation:
// stepping through every record in order shows ffmpeg's pictures, the titles
// the writer put in, and says which pictures were concealed.
TEST_F(IndependentFixtures, EngineStepsThroughEveryBackupShowingTheEncodersPictures) {
  for (const auto& backup : manifest_.backups) {
    for (const bool overlay : {false, true}) {
      const std::string file = Field(backup, "file");
      CHeadlessHost host;
      host.SetMessageSink(nullptr);
      host.SetMenuItemChecked(ID_OPTION_OVERLAY, overlay);
      CPlaybackController controller(host);
      controller.Engine().CreateDecoders();
      controller.SetSelfContained(Field(backup, "form") == "self-contained");
      const bool opened = controller.OpenBackup(FixturePath(file), IsPair(backup));
      EXPECT_TRUE(opened) << file;
      if (!opened) continue;
      const auto records = manifest_.RecordsOf(file);
      ASSERT_EQ(controller.Count(), records.size()) << file;
      for (uint32_t i = 0; i < records.size(); ++i) {
        if (!IsVideo(records[i])) continue;
        const std::string where = file + " record " + std::to_string(i) + (overlay ? " overlay" : "");
        controller.SetPlayState(kStoppedOrPaused);
        controller.GoToRecord(i);
        ASSERT_TRUE(controller.Engine().PictureDecoded()) << where;
        EXPECT_EQ(controller.Engine().LastDecodeConcealed(), Field(records[i], "damaged") == "true") << where;
        const auto shown = overlay ? host.OverlayWindow().LastShown() : host.DibWindow().LastShown();
        const int width = std::stoi(Field(records[i], "width"));
        const int height = std::stoi(Field(records[i], "height"));
        ASSERT_EQ(shown.width, width) << where;
        ASSERT_EQ(shown.height, height) << where;
        EXPECT_EQ(shown.texts.dimensionText, " " + std::to_string(width) + " x " + std::to_string(height)) << where;
        if (overlay) {
          // Packed 4:2:2, UYVY for MJPG and YUY2 for MPEG-4.
          EXPECT_EQ(shown.layout, Field(records[i], "codec") == "MJPG" ? PixelLayout::kUyvy : PixelLayout::kYuy2)
              << where;
          EXPECT_EQ(shown.pixels.size(), static_cast<size_t>(width) * height * 2) << where;
        } else if (HasReference(records[i])) {
          EXPECT_GE(Psnr(FromDib(shown.pixels, width, height), Reference(records[i])), kMinPsnr) << where;
        }
      }
    }
  }
}

// Camera information, frame titles, event texts and still trailers written
// in Shift-JIS (code page 932) read as the Japanese the recorder wrote:
// UTF-8 in zrvtool's output, and on the main window's fields.
TEST_F(IndependentFixtures, ShiftJisTextsReadAsJapanese) {
  for (const auto& backup : manifest_.backups) {
    if (IsPair(backup)) continue;  // opened by their own test
    const std::string file = Field(backup, "file");
    const auto info = RunCommand(ZRVTOOL_PATH, {"info", FixturePath(file)});
    ASSERT_EQ(info.exitCode, 0) << file << ": " << info.err;
    for (const char* key : {"name", "location", "organization", "owner"}) {
      EXPECT_EQ(Field(info.out, key), Field(backup, std::string("camera_") + key)) << file << " " << key;
    }
    const auto records = RunCommand(ZRVTOOL_PATH, {"records", FixturePath(file)});
    ASSERT_EQ(records.exitCode, 0) << file << ": " << records.err;
    const auto lines = Lines(records.out);
    const auto expected = manifest_.RecordsOf(file);
    ASSERT_EQ(lines.size(), expected.size()) << file;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (!IsVideo(expected[i])) continue;
      EXPECT_EQ(Field(lines[i], "title"), Field(expected[i], "title")) << file << " record " << i;
      EXPECT_EQ(Field(lines[i], "location"), Field(expected[i], "location")) << file << " record " << i;
    }
  }

  // The main window's fields for a version 5 frame: " %s (%d)" and " %s".
  const std::string file = "Mjpg420.ZRV";
  const auto expected = manifest_.RecordsOf(file);
  CHeadlessHost host;
  host.SetMessageSink(nullptr);
  CPlaybackController controller(host);
  controller.Engine().CreateDecoders();
  ASSERT_TRUE(controller.OpenBackup(FixturePath(file), false));
  controller.SetPlayState(kStoppedOrPaused);
  controller.GoToRecord(1);
  EXPECT_EQ(LegacyTextToUtf8(host.EditText(IDC_CAMERA_TITLE)), " " + Field(expected[1], "title") + " (3)");
  EXPECT_EQ(LegacyTextToUtf8(host.EditText(IDC_LOCATION)), " " + Field(expected[1], "location"));
  EXPECT_EQ(LegacyTextToUtf8(host.DibWindow().LastShown().texts.cameraTitle), Field(expected[1], "title"));

  const auto event = RunCommand(ZRVTOOL_PATH, {"events", FixturePath(file), "1"});
  ASSERT_EQ(event.exitCode, 0) << event.err;
  EXPECT_EQ(Field(event.out, "text"), Field(manifest_.events, "text"));
  EXPECT_EQ(Field(event.out, "label"), Field(manifest_.events, "label"));

  for (const auto& still : manifest_.stills) {
    const std::string name = Field(still, "file");
    const auto shown = RunCommand(ZRVTOOL_PATH, {"still", FixturePath(name), "-o", out_.File("s.ppm")});
    EXPECT_EQ(shown.exitCode, 0) << name << ": " << shown.err;
    if (shown.exitCode != 0) continue;
    EXPECT_EQ(Field(shown.out, "camera"), Field(still, "camera")) << name;
    EXPECT_EQ(Field(shown.out, "info"), Field(still, "info")) << name;
  }
}

// Stills with a recorder trailer: a twelve-megapixel JPEG of over 3,072,000
// bytes and a 24-bit BMP (their Shift-JIS texts are checked above).
TEST_F(IndependentFixtures, StillsShowTheirPictureAndTrailerTexts) {
  ASSERT_EQ(manifest_.stills.size(), 2u);
  for (const auto& still : manifest_.stills) {
    const std::string file = Field(still, "file");
    const std::string out = out_.File("still.ppm");
    const auto result = RunCommand(ZRVTOOL_PATH, {"still", FixturePath(file), "-o", out});
    EXPECT_EQ(result.exitCode, 0) << file << ": " << result.err;
    if (result.exitCode != 0) continue;
    EXPECT_EQ(Field(result.out, "width"), Field(still, "width")) << file;
    EXPECT_EQ(Field(result.out, "height"), Field(still, "height")) << file;
    EXPECT_EQ(Field(result.out, "trailer"), "true") << file;
    EXPECT_EQ(Field(result.out, "caption"), "Nov 27, 2025   21 : 04 : 59") << file;
    RgbImage shown;
    EXPECT_TRUE(ReadPpm(out, &shown)) << file;
    RgbImage reference = Reference(still);
    const int factor = std::max(shown.width / std::max(reference.width, 1), 1);
    EXPECT_GE(Psnr(factor > 1 ? Shrink(shown, factor) : shown, reference), factor > 1 ? kMinPsnr : 50.0) << file;
  }
}

// The 16-bit samples of a PCM WAV file's data chunk.
std::vector<int16_t> WavSamples(const std::string& path) {
  const std::vector<uint8_t> file = test::ReadFileBytes(path);
  size_t pos = 12;
  while (pos + 8 <= file.size()) {
    const uint32_t size = file[pos + 4] | file[pos + 5] << 8 | file[pos + 6] << 16 | uint32_t{file[pos + 7]} << 24;
    if (std::string(file.begin() + pos, file.begin() + pos + 4) == "data") {
      std::vector<int16_t> samples(std::min<size_t>(size, file.size() - pos - 8) / 2);
      for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(file[pos + 8 + 2 * i] | file[pos + 9 + 2 * i] << 8);
      }
      return samples;
    }
    pos += 8 + size + (size & 1);
  }
  return {};
}

// GSM 6.10 (WAV49) chunks from sox, two or more records a second behind
// that second's first frame, play as sox itself decodes them. Play starts on
// record 0, which is shown before play: the chunk recorded with it is not
// gathered, so the sound handed over is the tail of sox's decode. The
// decoder starts afresh at the first chunk it gets, so the first two chunks
// are allowed to settle.
TEST_F(IndependentFixtures, GsmSoundPlaysAsSoxDecodesIt) {
  ASSERT_FALSE(manifest_.sound.empty());
  const std::string file = Field(manifest_.sound, "file");
  const int chunks = std::stoi(Field(manifest_.sound, "chunks"));
  constexpr size_t kChunkSamples = 1600;  // 8000 Hz, five chunks a second
  const auto result = RunCommand(ZRVTOOL_PATH, {"audio", FixturePath(file), "-o", out_.File("sound.wav")});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Field(result.out, "samples_per_second"), "8000");
  EXPECT_EQ(Field(result.out, "bits_per_sample"), "16");
  const std::vector<int16_t> played = WavSamples(out_.File("sound.wav"));
  const std::vector<int16_t> reference = WavSamples(FixturePath(Field(manifest_.sound, "reference")));
  ASSERT_EQ(reference.size(), chunks * kChunkSamples);
  ASSERT_GE(played.size(), (chunks - 1) * kChunkSamples);
  ASSERT_LE(played.size(), reference.size());
  const size_t start = reference.size() - played.size();
  double signal = 0;
  double noise = 0;
  for (size_t i = 2 * kChunkSamples; i < played.size(); ++i) {
    const double r = reference[start + i];
    signal += r * r;
    noise += (played[i] - r) * (played[i] - r);
  }
  EXPECT_GT(signal, 0);
  EXPECT_GE(10 * std::log10(signal / std::max(noise, 1.0)), 40.0);
}

// Hall events beside the backups: the host maker's code section, a
// Shift-JIS code text and label, and a day file whose unused bytes hold
// anything. Frames of the event's last second match; frames of a day without
// a file show no event.
TEST_F(IndependentFixtures, MachineEventsFromIndependentDayFilesReachTheVideoWindow) {
  ASSERT_FALSE(manifest_.events.empty());
  const std::string file = Field(manifest_.events, "file");
  int checked = 0;
  for (const auto& record : manifest_.RecordsOf(file)) {
    const auto result = RunCommand(ZRVTOOL_PATH, {"events", FixturePath(file), Field(record, "index")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string where = file + " record " + Field(record, "index");
    for (const char* key : {"kind", "machine", "colour"}) {
      EXPECT_EQ(Field(result.out, key), Field(manifest_.events, key)) << where << " " << key;
    }
    ++checked;
  }
  EXPECT_GT(checked, 0);
  for (const auto& backup : manifest_.backups) {
    if (Field(backup, "file") == file || IsPair(backup)) continue;
    const auto result = RunCommand(ZRVTOOL_PATH, {"events", FixturePath(Field(backup, "file")), "0"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Field(result.out, "kind"), "255") << Field(backup, "file");
  }
}

// Cut anywhere, an independently written backup is refused or shown, never
// crashes the tool.
TEST_F(IndependentFixtures, TruncatedBackupsAreRefusedOrShownWithoutACrash) {
  for (const auto& backup : manifest_.backups) {
    if (IsPair(backup)) continue;
    const std::string file = Field(backup, "file");
    const std::vector<uint8_t> bytes = test::ReadFileBytes(FixturePath(file));
    for (size_t keep : {bytes.size() / 3, bytes.size() - 2000, bytes.size() - 1}) {
      const std::string cut = out_.File("cut" + file.substr(file.size() - 4));
      test::WriteFileBytes(cut, {bytes.begin(), bytes.begin() + keep});
      for (const std::vector<std::string>& args :
           {std::vector<std::string>{"info", cut}, {"records", cut}, {"frame", cut, "1", "-o", out_.File("c.ppm")}}) {
        const auto result = RunCommand(ZRVTOOL_PATH, args);
        EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 1)
            << file << " cut to " << keep << " " << args[0] << ": exit " << result.exitCode << " " << result.err;
      }
    }
  }
}

}  // namespace
}  // namespace bv
