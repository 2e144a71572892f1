#pragma once
// The text of an R40Max event record, spelled out with the field labels of
// section "R40Max/p" of "ExternalMachineEventCode.ini" in the program's
// directory.
#include <string>

#include "events/event_records.h"

namespace bv {

class CIniFile;

constexpr char kR40MaxLabelSection[] = "R40Max/p";

// Every label as read, each at most 19 characters; "ERROR" when the file or
// the key is missing.
struct R40MaxLabels {
  std::string machineType;         // MachineTypeStr
  std::string machineNumber;       // MachineNumberStr
  std::string startTime;           // StartTimeStr
  std::string endTime;             // EndTimeStr
  std::string ticketType;          // TicketTypeStr
  std::string ticketCount;         // TicketCntStr
  std::string beadCount;           // BeadCntStr: bead count with counter type 1
  std::string beadCountOther;      // BeadCntStr2: bead count with any other counter type
  std::string biggestPrizeCount;   // BigestPresentCntStr
  std::string bigPrizeCount;       // BigPresentCntStr
  std::string middlePrizeCount;    // MiddlePresentCntStr
  std::string smallPrizeCount;     // SmallPresentCntStr
  std::string counterMachine;      // MachineCounterStr: class 1 with counter type 1
  std::string counterMachineOther; // MachineCounterStr2: class 1 with another counter type
  std::string positionMachine;     // MachinePosStr: class 2
  std::string beads;               // BeadStr: counter type 1
  std::string tickets;             // TicketStr: counter type 2
  std::string points;              // PointStr: counter type 4
  std::string inInfo;              // InInfoStr: counter type 8

  // The labels of ini; ini null (no file) gives "ERROR" everywhere.
  static R40MaxLabels Read(const CIniFile* ini);
};

// The short form (start only) for a start-only record or when showStartOnly;
// otherwise the counter form for class 1, the full form for class 2, and an
// empty text for any other class.
std::string FormatR40MaxEventText(const R40MaxEventRecord& record, bool showStartOnly, const R40MaxLabels& labels);

}  // namespace bv
