#include "outputs/report/evidence_report.h"

#include <strings.h>

#include <QDateTime>
#include <QFileInfo>
#include <QPdfWriter>
#include <cstdio>

#include "base/platform/atomic_file.h"
#include "base/platform/legacy_text.h"
#include "base/platform/partial_output_file.h"
#include "base/platform/sha256.h"
#include "base/platform/string_printf.h"
#include "outputs/presentation_picture.h"
#include "outputs/record_clock.h"
#include "outputs/report/evidence_facts.h"
#include "outputs/report/report_layout.h"
#include "playback/engine/playback_controller.h"
#include "playback/engine/record_hash.h"

namespace bv {
namespace {

// Longer lists show their first rows; the record list has them all.
constexpr size_t kMaxListedRows = 500;

QString Q(const std::string& text) { return QString::fromStdString(text); }

struct StillFact {
  uint32_t record = 0;
  QImage picture;  // null when the record's picture was refused
  QString caption;
};

struct RecordList {
  bool separate = false;  // in a CSV file beside the report
  std::string path;
  std::string sha256;
  uint32_t rows = 0;
};

const char* RecordTypeText(const RecordFact& fact) { return fact.audio ? "audio" : "video"; }

const char* PictureText(RecordPicture picture) {
  switch (picture) {
    case RecordPicture::kNone:
      return "";
    case RecordPicture::kDecoded:
      return "decoded";
    case RecordPicture::kConcealed:
      return "concealed";
    case RecordPicture::kRefused:
      return "refused";
  }
  return "";
}

QString DurationText(int64_t ms) {
  const int64_t seconds = ms / 1000;
  if (seconds < 60) return QStringLiteral("%1.%2 s").arg(seconds).arg(ms % 1000, 3, 10, QLatin1Char('0'));
  return QStringLiteral("%1 h %2 min %3 s")
      .arg(seconds / 3600)
      .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString EventKindText(const HallEvent& event) {
  return event.kind == kMachineEvent ? QStringLiteral("machine event") : QStringLiteral("R40Max event");
}

// "The first 500 of 1,234 are listed."
QString ListedNote(size_t shown, size_t all) {
  if (shown >= all) return QString();
  return QStringLiteral("The first %1 of %2 are listed; the record list at the end gives every record.")
      .arg(shown)
      .arg(all);
}

class CEvidenceReport {
 public:
  CEvidenceReport(const EvidenceReportRequest& request, const EvidenceReportProgress& progress)
      : request_(request), progress_(progress) {}
  EvidenceReportResult Run();

 private:
  bool Gather();
  bool TakeStills();
  void Lay(CReportLayout& layout) const;
  void LayFile(CReportLayout& layout) const;
  void LayBackup(CReportLayout& layout) const;
  void LayPictures(CReportLayout& layout) const;
  void LayProblems(CReportLayout& layout) const;
  void LayTimes(CReportLayout& layout) const;
  void LayEvents(CReportLayout& layout) const;
  void LayStills(CReportLayout& layout) const;
  void LayRecords(CReportLayout& layout) const;
  std::vector<ReportColumn> RecordColumns() const;
  QStringList RecordRow(uint32_t k) const;
  bool WriteRecordList(CAtomicFile* file);
  bool WritePdf(const std::string& path, int* pages);
  ReportPageFrame Frame() const;
  bool Report(uint32_t done) {
    if (progress_ && !progress_(done, kProgressTotal)) cancelled_ = true;
    return !cancelled_;
  }
  bool Fail(std::string why) {
    result_.error = std::move(why);
    return false;
  }

  static constexpr uint32_t kProgressTotal = 1000;
  static constexpr uint32_t kGatherShare = 900;  // the rest: stills and writing

  const EvidenceReportRequest& request_;
  const EvidenceReportProgress& progress_;
  CFrameWalk walk_;
  EvidenceFacts facts_;
  std::vector<StillFact> stills_;
  RecordList recordList_;
  QString prepared_;
  bool cancelled_ = false;
  EvidenceReportResult result_;
};

EvidenceReportResult CEvidenceReport::Run() {
  if (request_.outputPath.empty()) {
    Fail("no output file was named");
    return result_;
  }
  recordList_.path = RecordListPathFor(request_.outputPath);
  const std::string& backup = request_.source.path;
  for (const std::string& out : {request_.outputPath, recordList_.path}) {
    bool same = IsSameFile(out, backup);
    if (request_.source.oldPair && backup.size() >= 4) {
      same = same || IsSameFile(out, backup.substr(0, backup.size() - 4) + ".sav");
    }
    if (same) {
      Fail("the report would replace the backup itself: " + out);
      return result_;
    }
  }
  prepared_ = QDateTime::currentDateTime().toString(Qt::ISODate);
  if (!Gather() || !TakeStills()) {
    result_.cancelled = cancelled_;
    return result_;
  }

  // The appendix, or the CSV beside the report when it would be too long.
  QPdfWriter probe{QString()};
  probe.setPageSize(QPageSize(QPageSize::A4));
  probe.setResolution(300);
  probe.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
  const CReportLayout measure(probe, nullptr, Frame(), 0);
  const int rowsPerPage = measure.RowsPerPage(RecordColumns());
  recordList_.rows = static_cast<uint32_t>(facts_.records.size());
  recordList_.separate = (recordList_.rows + rowsPerPage - 1) / rowsPerPage > kMaxAppendixPages;

  CAtomicFile csv;
  if (recordList_.separate && !WriteRecordList(&csv)) return result_;
  CPartialOutputFile pdf;
  if (!pdf.Create(request_.outputPath)) {
    Fail("cannot write " + request_.outputPath);
    return result_;
  }
  int pages = 0;
  if (!WritePdf(pdf.Path(), &pages)) return result_;
  if (!Report(kProgressTotal)) {
    result_.cancelled = true;
    Fail("the report was cancelled");
    return result_;
  }
  if (recordList_.separate) {
    if (!csv.Commit()) {
      Fail("cannot write " + recordList_.path);
      return result_;
    }
    result_.csvPath = recordList_.path;
  }
  if (!pdf.Commit()) {
    if (recordList_.separate) std::remove(recordList_.path.c_str());
    result_.csvPath.clear();
    Fail("cannot write " + request_.outputPath);
    return result_;
  }
  result_.ok = true;
  result_.pages = pages;
  result_.first = facts_.first;
  result_.last = facts_.last;
  result_.refusedFrames = static_cast<uint32_t>(facts_.refused.size());
  result_.concealedFrames = static_cast<uint32_t>(facts_.concealed.size());
  result_.gaps = static_cast<uint32_t>(facts_.gaps.size());
  result_.events = static_cast<uint32_t>(facts_.events.size());
  result_.sha256 = facts_.files.empty() ? std::string() : facts_.files[0].sha256;
  return result_;
}

bool CEvidenceReport::Gather() {
  std::string why;
  if (!walk_.Open(request_.source, &why)) return Fail(why);
  const uint32_t count = walk_.Count();
  const uint32_t first = request_.first.value_or(0);
  const uint32_t last = request_.last.value_or(count > 0 ? count - 1 : 0);
  for (uint32_t still : request_.stills) {
    if (still >= count) return Fail(StringPrintf("still %u: the backup has %u records", still, count));
    if (walk_.Index()[still].IsAudio()) return Fail(StringPrintf("still %u is an audio record", still));
  }
  bool cancelled = false;
  const bool ok = GatherEvidence(
      walk_, request_.source, first, last,
      [this](uint64_t done, uint64_t total) {
        return Report(static_cast<uint32_t>(total ? done * kGatherShare / total : 0));
      },
      &facts_, &why, &cancelled);
  cancelled_ = cancelled_ || cancelled;
  return ok || Fail(why);
}

// Each still as the viewer shows the record after a seek to it, with the
// items a fresh viewer shows.
bool CEvidenceReport::TakeStills() {
  const PresentationItems items;
  for (size_t k = 0; k < request_.stills.size(); ++k) {
    if (!Report(kGatherShare + static_cast<uint32_t>(50 * k / request_.stills.size()))) {
      return Fail("the report was cancelled");
    }
    const uint32_t record = request_.stills[k];
    const ShownFrame& shown = walk_.Show(record);
    const CPlaybackEngine& engine = walk_.Engine();
    const INDEX_RECORD& index = walk_.Index()[record];
    StillFact still;
    still.record = record;
    QString title = Q(LegacyTextToUtf8(engine.CameraTitle()));
    if (title.isEmpty()) title = Q(facts_.cameraName);
    still.caption = QStringLiteral("Record %1 \u2014 %2 (camera %3) \u2014 recorded %4")
                        .arg(record)
                        .arg(title)
                        .arg(index.camera + 1)
                        .arg(Q(FormatRecordTime(index)));
    if (shown.decoded && shown.shownNow && shown.picture) {
      CPresentationPicture picture(CPresentationPicture::VideoSizeFor(shown.picture->width, shown.picture->height),
                                   items);
      if (picture.Compose(shown)) still.picture = picture.Image().copy();
      const HallEvent& event = shown.event;
      if (event.kind == kMachineEvent && event.machineNumber != -1) {
        still.caption += QStringLiteral("\nHall event: %1 %2, %3")
                             .arg(event.machineNumber)
                             .arg(Q(LegacyTextToUtf8(event.label)), Q(LegacyTextToUtf8(event.text)));
      } else if (event.kind == kR40MaxEvent) {
        still.caption += QStringLiteral("\nHall event: %1").arg(Q(LegacyTextToUtf8(event.text)));
      }
      if (shown.concealed) still.caption += QStringLiteral("\nThe decoder concealed damage in this picture.");
    }
    if (still.picture.isNull()) still.caption += QStringLiteral("\nThe viewer shows no picture of its own for this record.");
    stills_.push_back(std::move(still));
  }
  return true;
}

ReportPageFrame CEvidenceReport::Frame() const {
  ReportPageFrame frame;
  const std::string name = facts_.files.empty() ? std::string() : facts_.files[0].name;
  frame.headerLeft = QStringLiteral("Evidence report \u2014 %1").arg(Q(name));
  if (!request_.caseText.empty()) frame.headerRight = QStringLiteral("Case: %1").arg(Q(request_.caseText));
  if (!facts_.files.empty()) frame.footerLeft = QStringLiteral("SHA-256 %1").arg(Q(facts_.files[0].sha256));
  return frame;
}

void CEvidenceReport::Lay(CReportLayout& layout) const {
  QString subtitle = Q(facts_.files.empty() ? std::string() : facts_.files[0].name);
  if (!request_.caseText.empty()) subtitle += QStringLiteral("\nCase: %1").arg(Q(request_.caseText));
  subtitle += QStringLiteral("\nPrepared %1 by Backup Viewer").arg(prepared_);
  layout.Title(QStringLiteral("Evidence Report"), subtitle);
  LayFile(layout);
  LayBackup(layout);
  LayPictures(layout);
  LayProblems(layout);
  LayTimes(layout);
  LayEvents(layout);
  LayStills(layout);
  LayRecords(layout);
}

void CEvidenceReport::LayFile(CReportLayout& layout) const {
  layout.Heading(QStringLiteral("File"));
  for (size_t k = 0; k < facts_.files.size(); ++k) {
    const FileFact& file = facts_.files[k];
    const QString what = k == 0 ? QStringLiteral("") : QStringLiteral("Data file ");
    layout.Fields({{what + QStringLiteral("Name"), Q(file.name)},
                   {what + QStringLiteral("Folder"), Q(file.folder)},
                   {what + QStringLiteral("Size"), QStringLiteral("%1 bytes").arg(file.size)},
                   {what + QStringLiteral("SHA-256"), Q(file.sha256)}});
  }
}

void CEvidenceReport::LayBackup(CReportLayout& layout) const {
  layout.Heading(QStringLiteral("Backup"));
  const QString range = QStringLiteral("%1 to %2 (%3 records)")
                            .arg(facts_.first)
                            .arg(facts_.last)
                            .arg(facts_.last - facts_.first + 1);
  layout.Fields({
      {QStringLiteral("Form"), Q(facts_.form)},
      {QStringLiteral("Version"), QString::number(facts_.version)},
      {QStringLiteral("Camera"), QStringLiteral("%1 (%2)").arg(Q(facts_.cameraName)).arg(facts_.cameraNumber)},
      {QStringLiteral("Location"), Q(facts_.location)},
      {QStringLiteral("Organization"), Q(facts_.organization)},
      {QStringLiteral("Owner"), Q(facts_.owner)},
      {QStringLiteral("Records in the backup"), QString::number(facts_.recordCount)},
      {QStringLiteral("Records described"), range},
      {QStringLiteral("Video records"), QString::number(facts_.videoRecords)},
      {QStringLiteral("Audio records"), QString::number(facts_.audioRecords)},
      {QStringLiteral("Recorded from"), facts_.recordedFrom.empty() ? QStringLiteral("-") : Q(facts_.recordedFrom)},
      {QStringLiteral("Recorded to"), facts_.recordedTo.empty() ? QStringLiteral("-") : Q(facts_.recordedTo)},
  });
  layout.Paragraph(QStringLiteral(
      "Times are those of the recorder's clock, as stored in the records (local time, no time zone)."));
  if (!facts_.invalidTimes.empty()) {
    QStringList records;
    for (size_t k = 0; k < facts_.invalidTimes.size() && k < kMaxListedRows; ++k) {
      records << QString::number(facts_.invalidTimes[k]);
    }
    layout.Paragraph(QStringLiteral("%1 records carry no valid date and time: %2.")
                         .arg(facts_.invalidTimes.size())
                         .arg(records.join(QStringLiteral(", "))) +
                     ListedNote(records.size(), facts_.invalidTimes.size()));
  }
}

void CEvidenceReport::LayPictures(CReportLayout& layout) const {
  layout.Heading(QStringLiteral("Codecs, picture sizes and sound"));
  auto counted = [&](const QString& title, const std::vector<CountedFact>& facts) {
    std::vector<QStringList> rows;
    for (const CountedFact& fact : facts) rows.push_back({Q(fact.value), QString::number(fact.count)});
    layout.Table({{title, 0.7, false}, {QStringLiteral("Records"), 0.3, false}}, rows);
  };
  if (!facts_.codecs.empty()) counted(QStringLiteral("Codec"), facts_.codecs);
  if (!facts_.pictureSizes.empty()) counted(QStringLiteral("Picture size"), facts_.pictureSizes);
  if (facts_.soundFormats.empty()) {
    layout.Paragraph(QStringLiteral("Sound: none (no audio records in the range)."));
  } else {
    counted(QStringLiteral("Sound format"), facts_.soundFormats);
    if (!facts_.soundPlayed) {
      layout.Paragraph(QStringLiteral("The viewer plays no sound of backups of versions below 4."));
    }
  }
}

void CEvidenceReport::LayProblems(CReportLayout& layout) const {
  layout.Heading(QStringLiteral("Frames that were refused or concealed"));
  layout.Paragraph(QStringLiteral("%1 of %2 video frames were refused (the viewer shows the previous picture "
                                  "instead); %3 were shown with damage concealed by the decoder.")
                       .arg(facts_.refused.size())
                       .arg(facts_.videoRecords)
                       .arg(facts_.concealed.size()));
  for (const auto* list : {&facts_.refused, &facts_.concealed}) {
    if (list->empty()) continue;
    const bool refused = list == &facts_.refused;
    std::vector<QStringList> rows;
    for (size_t k = 0; k < list->size() && k < kMaxListedRows; ++k) {
      const PictureProblem& problem = (*list)[k];
      rows.push_back({QString::number(problem.record), Q(problem.time), Q(problem.what)});
    }
    layout.Table({{QStringLiteral("Record"), 0.14, false},
                  {QStringLiteral("Recorded"), 0.3, false},
                  {refused ? QStringLiteral("Refused because") : QStringLiteral("Concealed"), 0.56, false}},
                 rows);
    const QString note = ListedNote(rows.size(), list->size());
    if (!note.isEmpty()) layout.Paragraph(note);
  }
}

void CEvidenceReport::LayTimes(CReportLayout& layout) const {
  layout.Heading(QStringLiteral("Gaps in the recording longer than a second"));
  auto jumps = [&](const std::vector<TimeJump>& list) {
    std::vector<QStringList> rows;
    for (size_t k = 0; k < list.size() && k < kMaxListedRows; ++k) {
      const TimeJump& jump = list[k];
      const int64_t length = jump.lengthMs < 0 ? -jump.lengthMs : jump.lengthMs;
      rows.push_back({QStringLiteral("%1 \u2192 %2").arg(jump.before).arg(jump.after), Q(jump.from), Q(jump.to),
                      (jump.lengthMs < 0 ? QStringLiteral("back ") : QString()) + DurationText(length)});
    }
    layout.Table({{QStringLiteral("Records"), 0.2, false},
                  {QStringLiteral("From"), 0.3, false},
                  {QStringLiteral("To"), 0.3, false},
                  {QStringLiteral("Length"), 0.2, false}},
                 rows);
    const QString note = ListedNote(rows.size(), list.size());
    if (!note.isEmpty()) layout.Paragraph(note);
  };
  if (facts_.gaps.empty()) {
    layout.Paragraph(QStringLiteral("None: no video frame follows the one before it by more than a second."));
  } else {
    layout.Paragraph(QStringLiteral("%1 gaps.").arg(facts_.gaps.size()));
    jumps(facts_.gaps);
  }
  if (!facts_.backward.empty()) {
    layout.Paragraph(QStringLiteral("In %1 places the time goes back from one video frame to the next:")
                         .arg(facts_.backward.size()));
    jumps(facts_.backward);
  }
}

void CEvidenceReport::LayEvents(CReportLayout& layout) const {
  layout.Heading(QStringLiteral("Hall events in the range"));
  if (facts_.events.empty()) {
    layout.Paragraph(QStringLiteral("None: no frame of the range shows a hall event."));
    return;
  }
  layout.Paragraph(QStringLiteral("The hall events drawn over the frames, as the viewer shows them; frames next to "
                                  "each other with the same event make one line."));
  std::vector<QStringList> rows;
  for (size_t k = 0; k < facts_.events.size() && k < kMaxListedRows; ++k) {
    const ShownEventSpan& span = facts_.events[k];
    QString event = Q(LegacyTextToUtf8(span.event.text));
    if (span.event.kind == kMachineEvent) {
      event = QStringLiteral("%1 %2: %3").arg(span.event.machineNumber).arg(Q(LegacyTextToUtf8(span.event.label)), event);
    }
    rows.push_back({QStringLiteral("%1 \u2013 %2").arg(span.firstRecord).arg(span.lastRecord), Q(span.from),
                    Q(span.to), EventKindText(span.event), event});
  }
  layout.Table({{QStringLiteral("Records"), 0.16, false},
                {QStringLiteral("From"), 0.22, false},
                {QStringLiteral("To"), 0.22, false},
                {QStringLiteral("Kind"), 0.14, false},
                {QStringLiteral("Event"), 0.26, false}},
               rows);
  const QString note = ListedNote(rows.size(), facts_.events.size());
  if (!note.isEmpty()) layout.Paragraph(note);
}

void CEvidenceReport::LayStills(CReportLayout& layout) const {
  if (stills_.empty()) return;
  // A still takes half a page: the heading goes with the first one.
  layout.NewPage();
  layout.Heading(QStringLiteral("Stills"));
  for (const StillFact& still : stills_) {
    if (still.picture.isNull()) {
      layout.Paragraph(still.caption);
    } else {
      layout.Picture(still.picture, still.caption);
    }
  }
}

std::vector<ReportColumn> CEvidenceReport::RecordColumns() const {
  return {{QStringLiteral("Record"), 0.07, true},  {QStringLiteral("Type"), 0.06, false},
          {QStringLiteral("Recorded"), 0.2, true}, {QStringLiteral("Bytes"), 0.07, true},
          {QStringLiteral("Picture"), 0.08, false}, {QStringLiteral("SHA-256 of the payload"), 0.52, true}};
}

QStringList CEvidenceReport::RecordRow(uint32_t k) const {
  const uint32_t record = facts_.first + k;
  const RecordFact& fact = facts_.records[k];
  const INDEX_RECORD& index = walk_.Index()[record];
  return {QString::number(record),
          QString::fromLatin1(RecordTypeText(fact)),
          Q(FormatRecordTime(index)),
          QString::number(index.size),
          QString::fromLatin1(PictureText(fact.picture)),
          fact.readable ? Q(DigestHex(fact.sha256)) : QStringLiteral("unreadable")};
}

void CEvidenceReport::LayRecords(CReportLayout& layout) const {
  layout.NewPage();
  layout.Heading(QStringLiteral("Appendix: SHA-256 of every record"));
  layout.Paragraph(QStringLiteral("Each record's payload (the bytes its index entry counts) and its SHA-256, as "
                                  "\"zrvtool hash\" gives them, so a copy can be checked record by record."));
  if (recordList_.separate) {
    layout.Fields({{QStringLiteral("Record list"), QFileInfo(Q(recordList_.path)).fileName()},
                   {QStringLiteral("Rows"), QString::number(recordList_.rows)},
                   {QStringLiteral("SHA-256"), Q(recordList_.sha256)}});
    layout.Paragraph(QStringLiteral("The list would take more than %1 pages, so it is the CSV file named above, "
                                    "beside this report, one line per record with the columns record, type, "
                                    "recorded, bytes, picture and sha256.")
                         .arg(kMaxAppendixPages));
    return;
  }
  std::vector<QStringList> rows;
  rows.reserve(facts_.records.size());
  for (uint32_t k = 0; k < facts_.records.size(); ++k) rows.push_back(RecordRow(k));
  layout.Table(RecordColumns(), rows);
}

bool CEvidenceReport::WriteRecordList(CAtomicFile* file) {
  if (!file->Open(recordList_.path)) return Fail("cannot write " + recordList_.path);
  FILE* out = file->Stream();
  CSha256 sha;
  auto put = [&](const std::string& line) {
    std::fputs(line.c_str(), out);
    sha.Update(line.data(), line.size());
  };
  put("record,type,recorded,bytes,picture,sha256\r\n");
  for (uint32_t k = 0; k < facts_.records.size(); ++k) {
    if (k % 4096 == 0 && !Report(kGatherShare + 50)) return Fail("the report was cancelled");
    const uint32_t record = facts_.first + k;
    const RecordFact& fact = facts_.records[k];
    const INDEX_RECORD& index = walk_.Index()[record];
    put(StringPrintf("%u,%s,%s,%u,%s,%s\r\n", record, RecordTypeText(fact), FormatRecordTime(index).c_str(),
                     uint32_t{index.size}, PictureText(fact.picture),
                     fact.readable ? DigestHex(fact.sha256).c_str() : "unreadable"));
  }
  recordList_.sha256 = sha.FinishHex();
  return true;
}

bool CEvidenceReport::WritePdf(const std::string& path, int* pages) {
  QPdfWriter writer(Q(path));
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setResolution(300);
  writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
  writer.setTitle(QStringLiteral("Evidence report: %1").arg(Q(facts_.files.empty() ? "" : facts_.files[0].name)));
  writer.setCreator(QStringLiteral("Backup Viewer"));
  // First without painting, to count the pages for the footers.
  CReportLayout count(writer, nullptr, Frame(), 0);
  Lay(count);
  const int total = count.Finish();
  QPainter painter;
  if (!painter.begin(&writer)) return Fail("cannot write " + request_.outputPath);
  CReportLayout layout(writer, &painter, Frame(), total);
  Lay(layout);
  *pages = layout.Finish();
  if (!painter.end()) return Fail("cannot write " + request_.outputPath);
  return true;
}

}  // namespace

std::string RecordListPathFor(const std::string& reportPath) {
  const char* ext = reportPath.size() >= 4 ? reportPath.c_str() + reportPath.size() - 4 : "";
  const std::string stem = strcasecmp(ext, ".pdf") == 0 ? reportPath.substr(0, reportPath.size() - 4) : reportPath;
  return stem + "-records.csv";
}

EvidenceReportResult WriteEvidenceReport(const EvidenceReportRequest& request,
                                         const EvidenceReportProgress& progress) {
  CEvidenceReport report(request, progress);
  return report.Run();
}

}  // namespace bv
