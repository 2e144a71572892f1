// The INI reader and the event configuration: the input is split at the
// first "\f" into "ExternalEvent.ini" and "ExternalMachineEventCode.ini";
// both are read as a backup's event configuration, and the first is also
// parsed directly and queried as the viewer and the driver query profiles.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/platform/ini_file.h"
#include "events/event_configuration.h"
#include "events/r40max_text.h"
#include "fuzz/fuzz_support.h"

using namespace bv;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseBuildEnvironment();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const size_t split = text.find('\f');
  const std::string first = text.substr(0, split);
  const std::string second = split == std::string::npos ? std::string() : text.substr(split + 1);

  const CIniFile ini = CIniFile::Parse(first);
  ini.GetString("ExternalEvent", "Maker", "", 64);
  ini.GetInt("ExternalEvent", "Color", 7);
  ini.GetSection("Decompress", 4096);
  ini.GetSection("R40Max/p", 32);
  R40MaxLabels::Read(&ini);

  const std::string& dir = fuzz::ProcessTempDir();
  fuzz::WriteWholeFile(dir + kEventIniName, {data, first.size()});
  fuzz::WriteWholeFile(dir + kEventCodeIniName,
                       {reinterpret_cast<const uint8_t*>(second.data()), second.size()});
  EventConfiguration config;
  LoadEventConfiguration(dir, &config);
  return 0;
}
