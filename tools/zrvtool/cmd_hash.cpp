// zrvtool hash PATH: SHA-256 of the whole file and of every record's
// payload, so two copies can be compared record by record.
#include <cstdio>
#include <vector>

#include "base/format/pair_files.h"
#include "base/platform/sha256.h"
#include "playback/engine/record_hash.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_output.h"
#include "tools/zrvtool/tool_backup.h"

namespace bv::tool {

namespace {

int RunHash(const std::string& path) {
  auto backup = OpenToolBackup(path);
  if (!backup) return kExitRefused;
  const CPlaybackEngine& engine = backup->controller.Engine();
  const CDataFile& file = engine.DataFile();

  // The whole file the user named (for a pair, the index file and the data
  // file are hashed each).
  auto fileJson = [](const std::string& named, uint64_t size) {
    Json json;
    json["path"] = named;
    json["size"] = size;
    json["sha256"] = FileSha256(named);
    return json;
  };
  Json result;
  result["file"] = fileJson(path, static_cast<uint64_t>(FileLength(path)));
  if (backup->controller.IsOldPair()) result["data_file"] = fileJson(PairDataFile(path), file.Length());
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

}  // namespace

Command AddHash(CLI::App& tool) {
  CLI::App* app = AddCommand(tool, "hash", "hash PATH", "SHA-256 of the whole file and of every record's payload");
  auto path = std::make_shared<std::string>();
  app->add_option("PATH", *path, "The backup")->required();
  return {app, [path] { return RunHash(*path); }};
}

}  // namespace bv::tool
