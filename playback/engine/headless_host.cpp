#include "playback/engine/headless_host.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "base/host/control_ids.h"

namespace bv {

CHeadlessHost::CHeadlessHost()
    : sink_([](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }),
      // The Option menu's start-up check marks.
      menuChecked_{ID_SHOW_CAM_NUMBER, ID_SHOW_IMAGE_SIZE, ID_SHOW_DATE_TIME} {}

void CHeadlessHost::ShowMessage(const std::string& text) {
  std::function<void(const std::string&)> sink;
  {
    std::lock_guard lock(mutex_);
    messages_.push_back(text);
    sink = sink_;
  }
  if (sink) sink(text);
}

void CHeadlessHost::SetMessageSink(std::function<void(const std::string&)> sink) {
  std::lock_guard lock(mutex_);
  sink_ = std::move(sink);
}

void CHeadlessHost::SetEditText(int id, const std::string& text) {
  std::lock_guard lock(mutex_);
  edits_[id] = text;
}

std::string CHeadlessHost::EditText(int id) const {
  std::lock_guard lock(mutex_);
  auto it = edits_.find(id);
  return it == edits_.end() ? std::string() : it->second;
}

void CHeadlessHost::SetPositionRange(uint32_t maximum, uint32_t tickFrequency, uint32_t pageSize) {
  std::lock_guard lock(mutex_);
  positionMaximum_ = maximum;
  positionTickFrequency_ = tickFrequency;
  positionPageSize_ = pageSize;
}

void CHeadlessHost::SetPosition(uint32_t position) {
  std::lock_guard lock(mutex_);
  position_ = position;
}

void CHeadlessHost::ShowPositionSlider(bool show) {
  std::lock_guard lock(mutex_);
  positionVisible_ = show;
}

int CHeadlessHost::SpeedPosition() const {
  std::lock_guard lock(mutex_);
  return speedPosition_;
}

void CHeadlessHost::SetSpeedPosition(int position) {
  std::lock_guard lock(mutex_);
  speedPosition_ = position;
}

void CHeadlessHost::EnableSpeedSlider(bool enable) {
  std::lock_guard lock(mutex_);
  speedEnabled_ = enable;
}

void CHeadlessHost::EnableButton(int id, bool enable) {
  std::lock_guard lock(mutex_);
  buttons_[id].enabled = enable;
  buttons_[id].disabledLook = !enable;
}

void CHeadlessHost::Latch(int id) {
  std::lock_guard lock(mutex_);
  buttons_[id].latched = true;
}

void CHeadlessHost::Unlatch(int id) {
  std::lock_guard lock(mutex_);
  buttons_[id].latched = false;
}

void CHeadlessHost::ShowDisabledLook(int id) {
  std::lock_guard lock(mutex_);
  buttons_[id].disabledLook = true;
}

void CHeadlessHost::EnableMenuItem(int id, bool enable) {
  std::lock_guard lock(mutex_);
  menuEnabled_[id] = enable;
}

bool CHeadlessHost::IsMenuItemChecked(int id) const {
  std::lock_guard lock(mutex_);
  return menuChecked_.count(id) != 0;
}

void CHeadlessHost::SetMenuItemChecked(int id, bool checked) {
  std::lock_guard lock(mutex_);
  if (checked) {
    menuChecked_.insert(id);
  } else {
    menuChecked_.erase(id);
  }
}

IVideoWindow* CHeadlessHost::VideoWindow(bool overlay) {
  std::lock_guard lock(mutex_);
  if (!overlay) return &dib_;
  return overlayCreated_ ? &overlay_ : nullptr;
}

void CHeadlessHost::SelectVideoWindow(bool overlay) {
  std::lock_guard lock(mutex_);
  if (overlay) overlayCreated_ = true;
  overlaySelected_ = overlay;
}

bool CHeadlessHost::OverlayCreated() const {
  std::lock_guard lock(mutex_);
  return overlayCreated_;
}

bool CHeadlessHost::OverlaySelected() const {
  std::lock_guard lock(mutex_);
  return overlaySelected_;
}

void CHeadlessHost::PumpOneMessage() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

CHeadlessHost::ButtonState CHeadlessHost::Button(int id) const {
  std::lock_guard lock(mutex_);
  auto it = buttons_.find(id);
  return it == buttons_.end() ? ButtonState{} : it->second;
}

bool CHeadlessHost::MenuItemEnabled(int id) const {
  std::lock_guard lock(mutex_);
  auto it = menuEnabled_.find(id);
  return it == menuEnabled_.end() ? true : it->second;
}

uint32_t CHeadlessHost::Position() const {
  std::lock_guard lock(mutex_);
  return position_;
}
uint32_t CHeadlessHost::PositionMaximum() const {
  std::lock_guard lock(mutex_);
  return positionMaximum_;
}
uint32_t CHeadlessHost::PositionTickFrequency() const {
  std::lock_guard lock(mutex_);
  return positionTickFrequency_;
}
uint32_t CHeadlessHost::PositionPageSize() const {
  std::lock_guard lock(mutex_);
  return positionPageSize_;
}
bool CHeadlessHost::PositionSliderVisible() const {
  std::lock_guard lock(mutex_);
  return positionVisible_;
}
bool CHeadlessHost::SpeedSliderEnabled() const {
  std::lock_guard lock(mutex_);
  return speedEnabled_;
}
std::vector<std::string> CHeadlessHost::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

}  // namespace bv
