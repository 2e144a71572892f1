// CPlaybackEngine: printing the current frame.
#include "base/format/backup_constants.h"
#include "base/host/control_ids.h"
#include "base/platform/string_printf.h"
#include "export/recording_time.h"
#include "playback/engine/playback_controller.h"
#include "playback/engine/playback_engine.h"

namespace bv {

int CPlaybackEngine::PrintCurrentFrame(const INDEX_RECORD& record) {
  const uint8_t state = owner_->GetPlayState();
  if (state == kPlayingForward || state == kPlayingBackward) return 0;
  IViewerHost& host = owner_->Host();
  const std::string time =
      FormatRecordingTime(record.year, record.month, record.day, record.hour, record.minute, record.second);
  const std::string caption = StringPrintf("%s - %s", host.EditText(IDC_CAMERA_TITLE).c_str(), time.c_str());

  // A frame that cannot be decoded is not printed as some other picture.
  const std::optional<StillBgrPicture> picture = DecodeStillBgr();
  if (!picture) {
    host.ShowMessage(kPrintError);
    return 0;
  }
  IVideoWindow* window = host.VideoWindow(overlay_);
  if (!window) return 0;
  BITMAPINFOHEADER header = inputHeader_;
  header.biWidth = picture->width;
  header.biHeight = picture->height;
  return window->PrintPicture(picture->pixels, record.size, header, caption);
}

}  // namespace bv
