// The print command of the main dialog.
#include "base/host/control_ids.h"
#include "outputs/commands/picture_commands.h"

namespace bv {

int RunPrintCommand(CPlaybackController& controller) {
  if (controller.CurrentIndex() >= controller.Count()) return 0;
  IViewerHost& host = controller.Host();
  host.EnableButton(IDC_PRINT, false);
  const int printed = controller.Engine().PrintCurrentFrame(controller.Index()[controller.CurrentIndex()]);
  host.EnableButton(IDC_PRINT, true);
  return printed;
}

}  // namespace bv
