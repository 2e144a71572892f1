#pragma once
// The evidence report: a PDF document (Qt's PDF writer) that says what a
// backup is and holds, for handing on with it: the file's name, size and
// SHA-256, its form, version and camera information, the records, times,
// codecs, picture sizes and sound of the range described, the frames whose
// picture was refused or had damage concealed, the gaps in the recording,
// the hall events, chosen stills with their captions, and the SHA-256 of
// every record, in an appendix or, when that would pass 50 pages, in a CSV
// file beside the report. Both files appear only when complete.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "outputs/frame_walk.h"

namespace bv {

struct EvidenceReportRequest {
  BackupSource source;
  // Records described; the whole backup when not given.
  std::optional<uint32_t> first;
  std::optional<uint32_t> last;
  // Video records whose pictures the report shows, in this order.
  std::vector<uint32_t> stills;
  std::string caseText;  // a case or reference, on every page
  std::string outputPath;
};

struct EvidenceReportResult {
  bool ok = false;
  bool cancelled = false;
  std::string error;
  uint32_t first = 0;
  uint32_t last = 0;
  int pages = 0;
  std::string csvPath;  // the record list beside the report, when there is one
  uint32_t refusedFrames = 0;
  uint32_t concealedFrames = 0;
  uint32_t gaps = 0;
  uint32_t events = 0;
  std::string sha256;  // of the file named
};

// Work done so far out of the total; false cancels.
using EvidenceReportProgress = std::function<bool(uint32_t done, uint32_t total)>;

// Needs a QGuiApplication (the report's texts are drawn with fonts).
EvidenceReportResult WriteEvidenceReport(const EvidenceReportRequest& request,
                                         const EvidenceReportProgress& progress = {});

// The record list's name beside a report: "case.pdf" -> "case-records.csv".
std::string RecordListPathFor(const std::string& reportPath);

// The appendix goes into a CSV file when it would take more pages than this.
constexpr int kMaxAppendixPages = 50;

}  // namespace bv
