// zrvtool report PATH -o OUT.pdf [--from A] [--to B] [--stills I,J,...]
// [--case TEXT] [--progress]: the evidence report of records A..B (see
// export/evidence_report.h), with the pictures of records I, J, ... as
// stills.
#include <cstdio>

#include "export/evidence_report.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/gui_application.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/options.h"
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

}  // namespace

int RunReport(const Args& args) {
  ParsedOptions options;
  if (!ParseOptions(args, {"--from", "--to", "-o", "--stills", "--case"}, {"--progress"}, &options) ||
      options.positional.size() != 1 || !options.Has("-o") || options.Value("-o").empty()) {
    return kExitUsage;
  }
  EvidenceReportRequest request;
  request.source.path = options.positional[0];
  request.outputPath = options.Value("-o");
  request.caseText = options.Value("--case");
  uint32_t number = 0;
  if (options.Has("--from")) {
    if (!options.Number("--from", &number)) return kExitUsage;
    request.first = number;
  }
  if (options.Has("--to")) {
    if (!options.Number("--to", &number)) return kExitUsage;
    request.last = number;
  }
  if (options.Has("--stills") && !ParseRecordList(options.Value("--stills"), &request.stills)) return kExitUsage;
  UseBuildTreeFoldersWhenUnset();
  request.source = SourceOfPath(request.source.path);

  const CToolGuiApplication gui;
  if (!gui.HasFonts()) return kExitRefused;
  EvidenceReportResult result;
  {
    CProgressLine progress("report", "parts in a thousand", options.Has("--progress"));
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

}  // namespace bv::tool
