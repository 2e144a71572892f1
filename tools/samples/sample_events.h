#pragma once
// The hall event files of the demo backups: the two INI files of the backup
// directory and the day files of the demo's recording day, so that the demo
// shows a machine event and an R40Max event in both its texts.
#include <string>
#include <vector>

namespace bv::samples {

// Writes the event files into directory (which exists). Returns the paths
// written; on failure an empty list and the reason in error.
std::vector<std::string> WriteDemoEventFiles(const std::string& directory, std::string* error);

}  // namespace bv::samples
