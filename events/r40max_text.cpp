#include "events/r40max_text.h"

#include "base/platform/ini_file.h"
#include "base/platform/string_printf.h"

namespace bv {
namespace {

constexpr size_t kLabelBufferBytes = 20;

struct LabelKey {
  const char* key;
  std::string R40MaxLabels::*field;
};
constexpr LabelKey kLabelKeys[] = {
    {"MachineTypeStr", &R40MaxLabels::machineType},
    {"MachineNumberStr", &R40MaxLabels::machineNumber},
    {"StartTimeStr", &R40MaxLabels::startTime},
    {"EndTimeStr", &R40MaxLabels::endTime},
    {"TicketTypeStr", &R40MaxLabels::ticketType},
    {"TicketCntStr", &R40MaxLabels::ticketCount},
    {"BeadCntStr", &R40MaxLabels::beadCount},
    {"BeadCntStr2", &R40MaxLabels::beadCountOther},
    {"BigestPresentCntStr", &R40MaxLabels::biggestPrizeCount},
    {"BigPresentCntStr", &R40MaxLabels::bigPrizeCount},
    {"MiddlePresentCntStr", &R40MaxLabels::middlePrizeCount},
    {"SmallPresentCntStr", &R40MaxLabels::smallPrizeCount},
    {"MachineCounterStr", &R40MaxLabels::counterMachine},
    {"MachineCounterStr2", &R40MaxLabels::counterMachineOther},
    {"MachinePosStr", &R40MaxLabels::positionMachine},
    {"BeadStr", &R40MaxLabels::beads},
    {"TicketStr", &R40MaxLabels::tickets},
    {"PointStr", &R40MaxLabels::points},
    {"InInfoStr", &R40MaxLabels::inInfo},
};

std::string MachineTypeText(const R40MaxEventRecord& record, const R40MaxLabels& labels) {
  switch (record.machineClass) {
    case kR40MaxClassCounter:
      return record.counterType == 1 ? labels.counterMachine : labels.counterMachineOther;
    case kR40MaxClassPosition:
      return labels.positionMachine;
    default:
      return std::string();
  }
}

std::string CounterTypeText(const R40MaxEventRecord& record, const R40MaxLabels& labels) {
  switch (record.counterType) {
    case 1:
      return labels.beads;
    case 2:
      return labels.tickets;
    case 4:
      return labels.points;
    case 8:
      return labels.inInfo;
    default:
      return std::string();
  }
}

// Machine type, machine number and start time: the lines every form opens
// with; the short form puts one blank between date and time, the others two.
std::string OpeningLines(const R40MaxEventRecord& r, const R40MaxLabels& labels, const char* dateTimeGap) {
  const SYSTEMTIME start = r.start;
  return StringPrintf("%s:%s\n%s:%d\n%s:%d/%d/%d%s%d:%d:%d", labels.machineType.c_str(),
                      MachineTypeText(r, labels).c_str(), labels.machineNumber.c_str(), r.machineNumber,
                      labels.startTime.c_str(), start.wYear, start.wMonth, start.wDay, dateTimeGap, start.wHour,
                      start.wMinute, start.wSecond);
}

std::string EndLine(const R40MaxEventRecord& r, const R40MaxLabels& labels) {
  const SYSTEMTIME end = r.end;
  return StringPrintf("\n%s:%d/%d/%d  %d:%d:%d", labels.endTime.c_str(), end.wYear, end.wMonth, end.wDay,
                      end.wHour, end.wMinute, end.wSecond);
}

}  // namespace

R40MaxLabels R40MaxLabels::Read(const CIniFile* ini) {
  const CIniFile noFile;
  const CIniFile& source = ini ? *ini : noFile;
  R40MaxLabels labels;
  for (const LabelKey& entry : kLabelKeys) {
    labels.*entry.field = source.GetString(kR40MaxLabelSection, entry.key, "ERROR", kLabelBufferBytes);
  }
  return labels;
}

std::string FormatR40MaxEventText(const R40MaxEventRecord& r, bool showStartOnly, const R40MaxLabels& labels) {
  const std::string& beadLabel = r.counterType == 1 ? labels.beadCount : labels.beadCountOther;
  if (r.kind == kR40MaxStartOnly || showStartOnly) return OpeningLines(r, labels, " ");
  switch (r.machineClass) {
    case kR40MaxClassCounter:
      return OpeningLines(r, labels, "  ") + EndLine(r, labels) +
             StringPrintf("\n%s:%d", beadLabel.c_str(), r.beadCount);
    case kR40MaxClassPosition:
      return OpeningLines(r, labels, "  ") + EndLine(r, labels) +
             StringPrintf("\n%s:%s\n%s:%d\n%s:%d\n%s:%d\n%s:%d\n%s:%d\n%s:%d\n", labels.ticketType.c_str(),
                          CounterTypeText(r, labels).c_str(), labels.ticketCount.c_str(), r.ticketCount,
                          beadLabel.c_str(), r.beadCount, labels.biggestPrizeCount.c_str(), r.biggestPrizeCount,
                          labels.bigPrizeCount.c_str(), r.bigPrizeCount, labels.middlePrizeCount.c_str(),
                          r.middlePrizeCount, labels.smallPrizeCount.c_str(), r.smallPrizeCount);
    default:
      return std::string();
  }
}

}  // namespace bv
