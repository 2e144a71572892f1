#pragma once
// Exporting a backup, or a range of its records, as a Matroska file that
// common players play: MJPG and MPEG-4 frames copied byte for byte, Wavelet
// pictures decoded by the viewer's engine and stored losslessly (FFV1), the
// sound as PCM, every packet timed by its record's own recording time, and
// the camera and the time range as tags. The export reads the backup through
// its own controller and engine, so it can run on a worker thread while the
// viewer plays. The file appears only when complete: a refused, failed or
// cancelled export leaves nothing behind.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "outputs/export_plan.h"

namespace bv {

struct VideoExportRequest {
  std::string backupPath;
  bool oldPair = false;        // backupPath is an ".idx" file beside its ".sav"
  bool selfContained = false;  // backupPath is a program file with a backup appended
  // Records to export; the whole backup when not given.
  std::optional<uint32_t> first;
  std::optional<uint32_t> last;
  std::string outputPath;
};

struct VideoExportResult {
  bool ok = false;
  bool cancelled = false;
  std::string error;  // why it was refused or failed
  uint32_t first = 0;
  uint32_t last = 0;
  uint32_t videoFrames = 0;
  uint32_t soundChunks = 0;
  std::string videoCodec;  // the codec stored: "mjpeg", "mpeg4" or "ffv1"
  bool videoCopied = false;
  std::optional<ExportSoundFormat> sound;
  int64_t durationMs = 0;
  std::string recordedFrom;  // FormatRecordTime of the earliest and latest records
  std::string recordedTo;
};

// Called before each packet is written and once at the end, with the packets
// written so far and their total; returning false cancels the export.
using VideoExportProgress = std::function<bool(uint32_t done, uint32_t total)>;

VideoExportResult ExportVideo(const VideoExportRequest& request, const VideoExportProgress& progress = {});

}  // namespace bv
