// The snapshot command of the main dialog.
#include "base/host/control_ids.h"
#include "export/snapshot_file.h"
#include "outputs/commands/picture_commands.h"

namespace bv {

int RunSnapshotCommand(CPlaybackController& controller, const std::function<std::string()>& chooseFileToSave) {
  const uint8_t state = controller.GetPlayState();
  if (state == kPlayingForward || state == kPlayingBackward) return 0;
  if (controller.CurrentIndex() >= controller.Count()) return 0;
  IViewerHost& host = controller.Host();
  host.EnableButton(IDC_SAVE_SNAPSHOT, false);
  const std::string fileName = chooseFileToSave();
  const SnapshotFormat format = SnapshotFormatOfName(fileName);
  int written = 0;
  if (format != kSnapshotNone) {
    written = ComposeSnapshot(controller, controller.Index()[controller.CurrentIndex()], fileName, format);
  }
  host.EnableButton(IDC_SAVE_SNAPSHOT, true);
  return written;
}

}  // namespace bv
