// zrvtool hash PATH: SHA-256 of the whole file and of every record's
// payload, so two copies can be compared record by record.
#include <cstdio>
#include <vector>

#include "playback/pair_files.h"
#include "playback/sha256.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "export/record_hash.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {

int RunHash(const Args& args) {
  if (args.size() != 1) return kExitUsage;
  auto backup = OpenToolBackup(args[0]);
  if (!backup) return kExitRefused;
  const CPlaybackEngine& engine = backup->controller.Engine();
  const CDataFile& file = engine.DataFile();

  // The whole file the user named (for a pair, the index file and the data
  // file are hashed each).
  auto hashFile = [](const std::string& path) { return FileSha256(path); };
  auto fileJson = [&hashFile](const std::string& path, uint64_t size) {
    Json json;
    json["path"] = path;
    json["size"] = size;
    json["sha256"] = hashFile(path);
    return json;
  };
  Json result;
  result["file"] = fileJson(args[0], static_cast<uint64_t>(FileLength(args[0])));
  if (backup->controller.IsOldPair()) result["data_file"] = fileJson(PairDataFile(args[0]), file.Length());
  Json records = Json::array();
  const IndexArray& index = backup->controller.Index();
  for (uint32_t i = 0; i < index.size(); ++i) {
    Json record;
    record["index"] = i;
    const std::string hash = RecordPayloadHash(engine, index[i]);
    if (hash.empty()) {
      record["sha256"] = nullptr;
      record["refused"] = true;
    } else {
      record["sha256"] = hash;
    }
    records.push_back(std::move(record));
  }
  result["records"] = std::move(records);
  PrintJsonLine(result);
  return kExitOk;
}

}  // namespace bv::tool
