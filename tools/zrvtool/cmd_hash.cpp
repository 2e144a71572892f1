// zrvtool hash PATH: SHA-256 of the whole file and of every record's
// payload, so two copies can be compared record by record.
#include <cstdio>
#include <vector>

#include "playback/format/pair_files.h"
#include "playback/platform/sha256.h"
#include "tools/zrvtool/commands.h"
#include "tools/zrvtool/json_writer.h"
#include "playback/engine/record_hash.h"
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
  JsonObject whole;
  whole.Add("path", args[0]).Add("size", static_cast<uint64_t>(FileLength(args[0]))).Add("sha256", hashFile(args[0]));
  JsonObject result;
  result.Add("file", whole);
  if (backup->controller.IsOldPair()) {
    const std::string sav = PairDataFile(args[0]);
    result.Add("data_file", JsonObject().Add("path", sav).Add("size", file.Length()).Add("sha256", hashFile(sav)));
  }
  std::string records = "[";
  const IndexArray& index = backup->controller.Index();
  for (uint32_t i = 0; i < index.size(); ++i) {
    JsonObject record;
    record.Add("index", i);
    const std::string hash = RecordPayloadHash(engine, index[i]);
    if (hash.empty()) {
      record.AddRaw("sha256", "null").Add("refused", true);
    } else {
      record.Add("sha256", hash);
    }
    records += (i ? "," : "") + record.str();
  }
  records += "]";
  result.AddRaw("records", records);
  std::printf("%s\n", result.str().c_str());
  return kExitOk;
}

}  // namespace bv::tool
