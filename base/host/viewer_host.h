#pragma once
// What the playback core needs from the window that hosts it: the dialog's
// edits, sliders, buttons, menu items and message boxes, addressed by their
// control IDs (control_ids.h). The Qt dialog implements it on screen; the
// headless host (headless_host.h) implements it for tools and tests.
//
// Calls arrive on the thread that runs the command or the playback step; an
// implementation with thread-affine widgets marshals them itself.
#include <cstdint>
#include <string>

#include "base/host/video_window.h"

namespace bv {

class IViewerHost {
 public:
  virtual ~IViewerHost() = default;

  // A message box with an OK button and the caption "Backup Viewer".
  virtual void ShowMessage(const std::string& text) = 0;

  virtual void SetEditText(int id, const std::string& text) = 0;
  virtual std::string EditText(int id) const = 0;

  // Position slider (1002): range 0..maximum, tick frequency and page size.
  virtual void SetPositionRange(uint32_t maximum, uint32_t tickFrequency, uint32_t pageSize) = 0;
  virtual void SetPosition(uint32_t position) = 0;
  virtual void ShowPositionSlider(bool show) = 0;

  // Speed slider (1006).
  virtual int SpeedPosition() const = 0;
  virtual void SetSpeedPosition(int position) = 0;
  virtual void EnableSpeedSlider(bool enable) = 0;

  // Skin buttons: enabled state, latched (drawn pressed) and disabled look.
  virtual void EnableButton(int id, bool enable) = 0;
  virtual void Latch(int id) = 0;
  virtual void Unlatch(int id) = 0;
  virtual void ShowDisabledLook(int id) = 0;

  virtual void EnableMenuItem(int id, bool enable) = 0;
  virtual bool IsMenuItemChecked(int id) const = 0;

  // The DIB window (overlay false, always there) or the overlay window
  // (null until it is first selected).
  virtual IVideoWindow* VideoWindow(bool overlay) = 0;
  // Shows the overlay (true) or DIB (false) window over the video area and
  // hides the other; the overlay window is created and laid out on first use.
  virtual void SelectVideoWindow(bool overlay) = 0;

  // Called by the playback thread after each step: hands what the step
  // changed (edits, slider, buttons, picture) to the screen, to be applied in
  // one go. The screen may still be applying it when the call returns.
  virtual void FlushUpdates() = 0;
  // Called by a thread that waited for the playback thread, once that thread
  // is between steps or gone: applies at once what it handed over and the
  // screen has not applied yet, so nothing of it comes after what the caller
  // does next.
  virtual void SettleUpdates() = 0;

  // Dispatches at most one waiting message of the calling thread, then sleeps
  // 1 ms: what a thread waiting for the playback thread does meanwhile.
  virtual void PumpOneMessage() = 0;
};

}  // namespace bv
