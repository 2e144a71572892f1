#include "outputs/backup_thumbnail.h"

#include <QImage>
#include <vector>

#include "base/format/codec_table.h"
#include "base/platform/partial_output_file.h"
#include "base/platform/string_printf.h"
#include "export/snapshot_file.h"
#include "playback/engine/playback_controller.h"

namespace bv {
namespace {

// Whether the record starts a decodable run: MJPG frames stand alone,
// Wavelet and MPEG-4 frames build on their key frame.
bool IsKeyRecord(const CPlaybackEngine& engine, const INDEX_RECORD& record) {
  uint8_t head[kPayloadHeadSize];
  std::string title;
  std::string location;
  return engine.ReadRecordHead(record, &title, &location, head) && IsKeyFrame(head);
}

QImage PictureOf(const VideoFrame& frame) {
  std::vector<uint8_t> rows(static_cast<size_t>(kMaxSnapshotWidth) * kMaxSnapshotHeight * 3);
  const int height = BuildSnapshotRows(frame.pixels, frame.width, frame.height, rows.data(), rows.size());
  if (height == 0) return QImage();
  return QImage(rows.data(), frame.width, height, frame.width * 3, QImage::Format_BGR888).copy();
}

}  // namespace

ThumbnailResult WriteBackupThumbnail(const BackupSource& source, const std::string& pngPath, int size) {
  ThumbnailResult result;
  if (size < 1 || size > 4096) {
    result.error = StringPrintf("a thumbnail of %d pixels cannot be made", size);
    return result;
  }
  CFrameWalk walk;
  if (!walk.Open(source, &result.error)) return result;
  const CPlaybackEngine& engine = walk.Engine();
  const uint32_t end = std::min(walk.Count(), kThumbnailSearchRecords);
  bool fromKey = false;  // the decoder has started from a key frame
  QImage picture;
  for (uint32_t i = 0; i < end && picture.isNull(); ++i) {
    const INDEX_RECORD& record = walk.Index()[i];
    if (record.IsAudio()) continue;
    // Opening the backup has shown record 0 already.
    const ShownFrame& shown = i == 0 ? walk.Current() : walk.Show(i);
    fromKey = fromKey || (shown.decoded && IsKeyRecord(engine, record));
    if (!shown.decoded || !fromKey || !shown.picture) continue;
    picture = PictureOf(*shown.picture);
    result.record = i;
  }
  if (picture.isNull()) {
    result.error = StringPrintf("the first %u records hold no picture the viewer can show", end);
    return result;
  }
  const QImage scaled = picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  CPartialOutputFile partial;
  if (!partial.Create(pngPath) || !scaled.save(QString::fromStdString(partial.Path()), "PNG") || !partial.Commit()) {
    result.error = "cannot write " + pngPath;
    return result;
  }
  result.ok = true;
  result.width = scaled.width();
  result.height = scaled.height();
  return result;
}

}  // namespace bv
