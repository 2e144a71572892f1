#pragma once
// An IViewerHost without a screen: keeps what the dialog would show so that
// tools and tests can read it. Messages go to a callback (stderr by default).
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "base/host/viewer_host.h"
#include "playback/engine/headless_video_window.h"

namespace bv {

class CHeadlessHost : public IViewerHost {
 public:
  CHeadlessHost();

  void ShowMessage(const std::string& text) override;
  void SetEditText(int id, const std::string& text) override;
  std::string EditText(int id) const override;
  void SetPositionRange(uint32_t maximum, uint32_t tickFrequency, uint32_t pageSize) override;
  void SetPosition(uint32_t position) override;
  void ShowPositionSlider(bool show) override;
  int SpeedPosition() const override;
  void SetSpeedPosition(int position) override;
  void EnableSpeedSlider(bool enable) override;
  void EnableButton(int id, bool enable) override;
  void Latch(int id) override;
  void Unlatch(int id) override;
  void ShowDisabledLook(int id) override;
  void EnableMenuItem(int id, bool enable) override;
  bool IsMenuItemChecked(int id) const override;
  IVideoWindow* VideoWindow(bool overlay) override;
  void SelectVideoWindow(bool overlay) override;
  void FlushUpdates() override {}
  void SettleUpdates() override {}
  void PumpOneMessage() override;

  // Where messages go; the default writes them to stderr.
  void SetMessageSink(std::function<void(const std::string&)> sink);
  void SetMenuItemChecked(int id, bool checked);

  // What the dialog would show now.
  struct ButtonState {
    bool enabled = true;
    bool latched = false;
    bool disabledLook = false;
  };
  ButtonState Button(int id) const;
  bool MenuItemEnabled(int id) const;
  uint32_t Position() const;
  uint32_t PositionMaximum() const;
  uint32_t PositionTickFrequency() const;
  uint32_t PositionPageSize() const;
  bool PositionSliderVisible() const;
  bool SpeedSliderEnabled() const;
  std::vector<std::string> Messages() const;
  CHeadlessVideoWindow& DibWindow() { return dib_; }
  CHeadlessVideoWindow& OverlayWindow() { return overlay_; }
  bool OverlayCreated() const;
  bool OverlaySelected() const;

 private:
  mutable std::mutex mutex_;
  std::function<void(const std::string&)> sink_;
  std::vector<std::string> messages_;
  std::map<int, std::string> edits_;
  std::map<int, ButtonState> buttons_;
  std::map<int, bool> menuEnabled_;
  std::set<int> menuChecked_;
  uint32_t position_ = 0;
  uint32_t positionMaximum_ = 0;
  uint32_t positionTickFrequency_ = 0;
  uint32_t positionPageSize_ = 0;
  bool positionVisible_ = true;
  CHeadlessVideoWindow dib_;
  CHeadlessVideoWindow overlay_;
  bool overlayCreated_ = false;
  bool overlaySelected_ = false;
  int speedPosition_ = 10;
  bool speedEnabled_ = true;
};

}  // namespace bv
