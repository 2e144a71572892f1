#pragma once
// Exporting a backup, or a range of its records, as a presentation video: an
// MP4 file (H.264 in 4:2:0, AAC sound when the backup has sound, its index at
// the front) that browsers, office software and phones play. Every picture
// is the one the viewer's DIB window shows for the record, the information
// texts and the hall event caption burned in as chosen, and lasts as long as
// the records' own recording times say. The camera and the time range go
// into the file's metadata. The export reads the backup through its own
// controller and engine, so it can run on a worker thread while the viewer
// plays; the file appears only when complete.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "outputs/frame_walk.h"
#include "outputs/presentation_picture.h"

namespace bv {

struct PresentationRequest {
  BackupSource source;
  // Records to export; the whole backup when not given.
  std::optional<uint32_t> first;
  std::optional<uint32_t> last;
  std::string outputPath;
  PresentationItems items;
};

struct PresentationResult {
  bool ok = false;
  bool cancelled = false;
  std::string error;  // why it was refused or failed
  uint32_t first = 0;
  uint32_t last = 0;
  uint32_t pictures = 0;         // one per video record
  uint32_t refusedPictures = 0;  // records whose own picture was not decoded
  uint32_t concealedPictures = 0;
  int width = 0;  // of the video
  int height = 0;
  uint32_t soundChunks = 0;  // audio records in the sound track
  uint32_t soundChunksSkipped = 0;  // audio records the viewer would not play
  uint32_t soundRate = 0;    // the AAC track's; 0 without sound
  int soundChannels = 0;
  int64_t durationMs = 0;
  std::string recordedFrom;  // FormatRecordTime of the earliest and latest records
  std::string recordedTo;
};

// Called before each record is handled and once at the end, with the records
// handled so far and their total; returning false cancels the export.
using PresentationProgress = std::function<bool(uint32_t done, uint32_t total)>;

PresentationResult ExportPresentation(const PresentationRequest& request, const PresentationProgress& progress = {});

}  // namespace bv
