#pragma once
// The hall's event configuration, read from two INI files in the event
// directory (the directory of the opened backup) each time a backup opens:
// "ExternalEvent.ini" names the maker of the host computer and the colour of
// event texts; "ExternalMachineEventCode.ini" holds the texts of the event
// codes, one section per maker, and the machine-number label.
#include <string>

#include "base/platform/platform_types.h"
#include "events/event_code_table.h"

namespace bv {

constexpr char kEventIniName[] = "ExternalEvent.ini";
constexpr char kEventCodeIniName[] = "ExternalMachineEventCode.ini";

// The code section of a maker's name (compared exactly, case included), or
// null when the name is none of the four known makers.
const char* CodeSectionForMaker(const std::string& maker);

struct EventConfiguration {
  COLORREF textColour = 0;
  std::string machineLabel;  // printed after a machine event's number
  CEventCodeTable codeTable;
};

// Reads the configuration of eventDirectory (with its trailing separator)
// into config. Missing files and keys give their defaults. The code table is
// filled over what it held, as the table's Load describes.
void LoadEventConfiguration(const std::string& eventDirectory, EventConfiguration* config);

}  // namespace bv
