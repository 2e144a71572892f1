// The snapshot of the current frame: decoded again by the engine, composed
// with its information texts, saved as a BMP or JPEG file.
#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "export/snapshot_file.h"
#include "export/snapshot_texts.h"
#include "outputs/commands/picture_commands.h"

namespace bv {

int ComposeSnapshot(CPlaybackController& controller, const INDEX_RECORD& record, const std::string& fileName,
                    int format) {
  CPlaybackEngine& engine = controller.Engine();
  const PictureMessageSink sink = [&engine](const PictureMessage& message) { engine.PostPictureMessage(message); };
  const PictureMessage saveError{kApplicationTitle, kSaveError, MessageIcon::kNone};
  // A frame that cannot be decoded is not saved as some other picture.
  const std::optional<CPlaybackEngine::StillBgrPicture> picture = engine.DecodeStillBgr();
  if (!picture) {
    engine.PostPictureMessage(saveError);
    return 0;
  }
  // A picture larger than 704 x 576 once a field is doubled is not composed.
  uint8_t* composition = engine.CompositionBuffer();
  const int rows = BuildSnapshotRows(picture->pixels, picture->width, picture->height, composition,
                                     kPictureBufferSize);
  if (rows == 0) {
    engine.PostPictureMessage(saveError);
    return 0;
  }
  IViewerHost& host = controller.Host();
  const SnapshotTexts texts =
      SnapshotTextsOf(record, host.IsMenuItemChecked(ID_SHOW_CAM_NUMBER), host.IsMenuItemChecked(ID_SHOW_DATE_TIME),
                      host.IsMenuItemChecked(ID_SHOW_IMAGE_SIZE));
  const QImage image = ComposeSnapshotImage(composition, picture->width, rows, texts);
  return SaveSnapshot(SnapshotPictureOf(image), fileName, format, sink);
}

}  // namespace bv
