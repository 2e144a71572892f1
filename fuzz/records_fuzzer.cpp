// Reading and dispatching records of every backup version: the input
// describes a well-formed container record by record (fuzz_support.h), so
// the open succeeds and every record's title header, kind byte, picture
// size and payload reach the engine, the decoders and the audio path. Bit 7
// of the version byte shows the backup in the overlay presentation (packed
// YUV pictures) instead of the DIB one.
#include <cstddef>
#include <cstdint>

#include "base/format/codec_table.h"
#include "base/host/control_ids.h"
#include "fuzz/fuzz_support.h"

using namespace bv;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseBuildEnvironment();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  const CBackupWriter backup = fuzz::BuildBackup(input);
  if (backup.Count() == 0) return 0;
  const std::string path = fuzz::ProcessTempDir() + "records.zrv";
  fuzz::WriteWholeFile(path, backup.ContainerBytes());
  fuzz::HeadlessViewer& viewer = fuzz::SharedViewer();
  viewer.host.SetMenuItemChecked(ID_OPTION_OVERLAY, (data[0] & 0x80) != 0);
  viewer.controller.SetSelfContained(false);
  if (viewer.controller.OpenBackup(path, false)) {
    CPlaybackEngine& engine = viewer.controller.Engine();
    for (uint32_t i = 0; i < viewer.controller.Count(); ++i) {
      const INDEX_RECORD& record = viewer.controller.Index()[i];
      uint8_t kind = 0;
      engine.ReadKindByte(record, &kind);
      std::string title;
      std::string location;
      uint8_t head[kPayloadHeadSize];
      engine.ReadRecordHead(record, &title, &location, head);
    }
    fuzz::StepThroughBackup(viewer, fuzz::kMaxBuiltRecords);
    if (viewer.controller.Count() > 0) engine.StillDecode();
  }
  viewer.controller.ResetViewer();
  return 0;
}
