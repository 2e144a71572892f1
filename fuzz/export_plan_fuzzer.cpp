// Standard video export: a backup in the records format (fuzz_support.h) is
// planned for export whole and from its middle (record heads, key frames,
// MPEG-4 stream heads, audio formats) and, when the plan holds, exported to
// a Matroska file; the MPEG-4 stream-head scanner also reads the raw input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "outputs/export_plan.h"
#include "outputs/mpeg4_stream_head.h"
#include "outputs/video_export.h"

using namespace bv;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UseBuildEnvironment();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ScanMpeg4StreamHead({data, size});
  fuzz::InputReader input(data, size);
  const CBackupWriter backup = fuzz::BuildBackup(input);
  if (backup.Count() == 0) return 0;
  const std::string path = fuzz::ProcessTempDir() + "export.zrv";
  fuzz::WriteWholeFile(path, backup.ContainerBytes());
  fuzz::HeadlessViewer& viewer = fuzz::SharedViewer();
  viewer.controller.SetSelfContained(false);
  if (viewer.controller.OpenBackup(path, false)) {
    const uint32_t count = viewer.controller.Count();
    ExportPlan plan;
    std::string error;
    const bool planned = PlanExport(viewer.controller, 0, count - 1, &plan, &error);
    PlanExport(viewer.controller, count / 2, count - 1, &plan, &error);
    viewer.controller.ResetViewer();
    if (planned) {
      VideoExportRequest request;
      request.backupPath = path;
      request.outputPath = fuzz::ProcessTempDir() + "export.mkv";
      ExportVideo(request);
    }
  }
  viewer.controller.ResetViewer();
  return 0;
}
