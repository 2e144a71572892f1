// zrvtool report PATH -o OUT.pdf [--from A] [--to B] [--stills I,J,...]
// [--case TEXT] [--progress]: the evidence report of records A..B (see
// outputs/report/evidence_report.h), with the pictures of records I, J, ... as
// stills.
#include <cstdio>

#include "outputs/report/evidence_report.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/gui_application.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/option_values.h"
#include "tools/zrvtool/progress_line.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {
namespace {

// "12,40,7" -> {12, 40, 7}; false on anything else.
bool ParseRecordList(const std::string& text, std::vector<uint32_t>* records) {
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    uint32_t number = 0;
    if (!ParseNumber(item, &number)) return false;
    records->push_back(number);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return !records->empty();
}

struct ReportOptions {
  std::string path;
  std::string out;
  std::optional<uint32_t> from;
  std::optional<uint32_t> to;
  std::optional<std::string> stills;
  std::string caseText;
  bool progress = false;
};

int RunReport(const ReportOptions& options) {
  if (options.out.empty()) return kExitUsage;
  EvidenceReportRequest request;
  request.source.path = options.path;
  request.outputPath = options.out;
  request.caseText = options.caseText;
  if (options.from) request.first = *options.from;
  if (options.to) request.last = *options.to;
  if (options.stills) ParseRecordList(*options.stills, &request.stills);
  UseBuildTreeFoldersWhenUnset();
  request.source = SourceOfPath(request.source.path);

  const CToolGuiApplication gui;
  if (!gui.HasFonts()) return kExitRefused;
  EvidenceReportResult result;
  {
    CProgressLine progress("report", "parts in a thousand", options.progress);
    result = WriteEvidenceReport(request,
                                 [&progress](uint32_t done, uint32_t total) { return progress.Report(done, total); });
  }
  if (!result.ok) {
    std::fprintf(stderr, "%s\n", result.error.c_str());
    return kExitRefused;
  }
  Json out;
  out["output"] = request.outputPath;
  out["pages"] = result.pages;
  if (!result.csvPath.empty()) out["record_list"] = result.csvPath;
  out["first"] = result.first;
  out["last"] = result.last;
  out["sha256"] = result.sha256;
  out["refused_frames"] = result.refusedFrames;
  out["concealed_frames"] = result.concealedFrames;
  out["gaps"] = result.gaps;
  out["events"] = result.events;
  PrintJsonLine(out);
  return kExitOk;
}

}  // namespace

Command AddReport(CLI::App& tool) {
  CLI::App* app = AddCommand(
      tool, "report", "report PATH -o OUT.pdf [--from A] [--to B] [--stills I,J,...] [--case TEXT] [--progress]",
      "The evidence report of records A..B, with the pictures of records I, J, ... as stills");
  auto options = std::make_shared<ReportOptions>();
  app->add_option("PATH", options->path, "The backup")->required();
  app->add_option("-o", options->out, "The report's PDF file")->required()->type_name("OUT.pdf");
  AddOptional(*app, "--from", options->from, "The first record (0 unless given)")->type_name("A")->transform(WholeNumber());
  AddOptional(*app, "--to", options->to, "The last record (the backup's last unless given)")
      ->type_name("B")
      ->transform(WholeNumber());
  AddOptional(*app, "--stills", options->stills, "The records whose pictures are shown as stills")
      ->type_name("I,J,...")
      ->check(CLI::Validator(
          [](const std::string& text) {
            std::vector<uint32_t> records;
            return ParseRecordList(text, &records) ? std::string() : "record numbers separated by commas";
          },
          "", "record list"));
  app->add_option("--case", options->caseText, "The case the report belongs to")->type_name("TEXT");
  app->add_flag("--progress", options->progress, "A progress line on stderr from the start, not after a second");
  return {app, [options] { return RunReport(*options); }};
}

}  // namespace bv::tool
