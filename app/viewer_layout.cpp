#include "app/viewer_layout.h"

#include "base/host/control_ids.h"

namespace bv {

std::array<ControlPlacement, 19> ComputeControlLayout(int W, int H) {
  return {{
      {IDC_VIDEO_AREA, 10, 30, W - 192, H - 73},
      {IDC_FRAME, W - 169, 30, 157, H - 42},
      {IDC_CAMERA_TITLE, W - 160, 38, 138, 18},
      {IDC_LOCATION, W - 160, 62, 138, 18},
      {IDC_CODEC_NAME, W - 160, 86, 138, 18},
      {IDC_PICTURE_SIZE, W - 160, 110, 138, 18},
      {IDC_POSITION_SLIDER, 10, H - 37, W - 192, 30},
      {IDC_STEP_BACKWARD, W - 147, H - 145, 31, 31},
      {IDC_PAUSE, W - 107, H - 145, 31, 31},
      {IDC_STEP_FORWARD, W - 67, H - 145, 31, 31},
      {IDC_PLAY_BACKWARD, W - 147, H - 105, 31, 31},
      {IDC_OPEN, W - 147, H - 225, 31, 31},
      {IDC_SAVE_SNAPSHOT, W - 107, H - 225, 31, 31},
      {IDC_PRINT, W - 67, H - 225, 31, 31},
      {IDC_PLAY_FORWARD, W - 67, H - 105, 31, 31},
      {IDC_FIRST_RECORD, W - 147, H - 65, 31, 31},
      {IDC_STOP, W - 107, H - 65, 31, 31},
      {IDC_LAST_RECORD, W - 67, H - 65, 31, 31},
      {IDC_SPEED_SLIDER, W - 147, H - 180, 112, 20},
  }};
}

}  // namespace bv
