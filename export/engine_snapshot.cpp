// CPlaybackEngine: the snapshot of the current frame.
#include "export/snapshot_file.h"
#include "export/snapshot_texts.h"
#include "playback/backup_constants.h"
#include "playback/control_ids.h"
#include "playback/playback_controller.h"
#include "playback/playback_engine.h"

namespace bv {

int CPlaybackEngine::ComposeSnapshot(const INDEX_RECORD& record, const std::string& fileName, int format) {
  const PictureMessageSink sink = [this](const PictureMessage& message) { PostPictureMessage(message); };
  const PictureMessage saveError{kApplicationTitle, kSaveError, MessageIcon::kNone};
  // The picture decoded again as 24 bits, bottom row first; a frame that
  // cannot be decoded is not saved as some other picture.
  if (!StillDecode() || !decoded_.pixels || decoded_.layout != PixelLayout::kBgr24BottomUp) {
    PostPictureMessage(saveError);
    return 0;
  }
  // A picture larger than 704 x 576 once a field is doubled is not composed.
  const int rows = BuildSnapshotRows(decoded_.pixels, decoded_.width, decoded_.height, composition_.get(),
                                     kPictureBufferSize);
  if (rows == 0) {
    PostPictureMessage(saveError);
    return 0;
  }
  IViewerHost& host = owner_->Host();
  const SnapshotTexts texts =
      SnapshotTextsOf(record, host.IsMenuItemChecked(ID_SHOW_CAM_NUMBER), host.IsMenuItemChecked(ID_SHOW_DATE_TIME),
                      host.IsMenuItemChecked(ID_SHOW_IMAGE_SIZE));
  const QImage image = ComposeSnapshotImage(composition_.get(), decoded_.width, rows, texts);
  return SaveSnapshot(SnapshotPictureOf(image), fileName, format, sink);
}

}  // namespace bv
