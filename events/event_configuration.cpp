#include "events/event_configuration.h"

#include <optional>
#include <vector>

#include "base/platform/ini_file.h"

namespace bv {
namespace {

// Buffer sizes of the values as the configuration keeps them.
constexpr size_t kMakerBufferBytes = 20;
constexpr size_t kLabelBufferBytes = 256;
constexpr size_t kCodeSectionBufferBytes = 10000;

struct MakerSection {
  const char* maker;
  const char* section;
};
constexpr MakerSection kMakerSections[] = {
    {"DAITO", "EventCode_1"},
    {"DAIKOKU", "EventCode_2"},
    {"DYNAM", "EventCode_3"},
    {"zeusis", "EventCode_4"},
};

}  // namespace

const char* CodeSectionForMaker(const std::string& maker) {
  for (const MakerSection& entry : kMakerSections) {
    if (maker == entry.maker) return entry.section;
  }
  return nullptr;
}

void LoadEventConfiguration(const std::string& eventDirectory, EventConfiguration* config) {
  const std::optional<CIniFile> eventIni = CIniFile::Load(eventDirectory + kEventIniName);
  const CIniFile noFile;
  const CIniFile& events = eventIni ? *eventIni : noFile;
  const std::string maker = events.GetString("EVENT_SET", "Host_Protocal", "ERROR", kMakerBufferBytes);
  config->textColour = events.GetInt("TEXT_SET", "ColorValue", 0);

  const std::optional<CIniFile> codeIni = CIniFile::Load(eventDirectory + kEventCodeIniName);
  const CIniFile& codes = codeIni ? *codeIni : noFile;
  std::vector<std::string> lines;
  if (const char* section = CodeSectionForMaker(maker)) lines = codes.GetSection(section, kCodeSectionBufferBytes);
  config->machineLabel = codes.GetString("Text", "STR_TEXT_MACHINE_NUM", "No.", kLabelBufferBytes);
  config->codeTable.Load(lines);
}

}  // namespace bv
