// CPlaybackEngine: printing the current frame.
#include "export/picture_commands.h"
#include "export/recording_time.h"
#include "playback/backup_constants.h"
#include "playback/control_ids.h"
#include "playback/playback_controller.h"
#include "playback/playback_engine.h"
#include "playback/string_printf.h"

namespace bv {

int CPlaybackEngine::PrintCurrentFrame(const INDEX_RECORD& record) {
  const uint8_t state = owner_->GetPlayState();
  if (state == kPlayingForward || state == kPlayingBackward) return 0;
  IViewerHost& host = owner_->Host();
  const std::string time =
      FormatRecordingTime(record.year, record.month, record.day, record.hour, record.minute, record.second);
  const std::string caption = StringPrintf("%s - %s", host.EditText(IDC_CAMERA_TITLE).c_str(), time.c_str());

  // A frame that cannot be decoded is not printed as some other picture.
  if (!StillDecode() || !decoded_.pixels || decoded_.layout != PixelLayout::kBgr24BottomUp) {
    host.ShowMessage(kPrintError);
    return 0;
  }
  IVideoWindow* window = host.VideoWindow(overlay_);
  if (!window) return 0;
  BITMAPINFOHEADER header = inputHeader_;
  header.biWidth = decoded_.width;
  header.biHeight = decoded_.height;
  return window->PrintPicture(decoded_.pixels, record.size, header, caption);
}

int RunPrintCommand(CPlaybackController& controller) {
  if (controller.CurrentIndex() >= controller.Count()) return 0;
  IViewerHost& host = controller.Host();
  host.EnableButton(IDC_PRINT, false);
  const int printed = controller.Engine().PrintCurrentFrame(controller.Index()[controller.CurrentIndex()]);
  host.EnableButton(IDC_PRINT, true);
  return printed;
}

}  // namespace bv
