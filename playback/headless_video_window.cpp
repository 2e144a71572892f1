#include "playback/headless_video_window.h"

#include "export/dib_picture.h"

namespace bv {

void CHeadlessVideoWindow::SetEventInfo(uint8_t kind, const std::string& text, int32_t machineNumber,
                                        COLORREF colour, const std::string& label) {
  std::lock_guard lock(mutex_);
  event_ = Event{kind, text, machineNumber, colour, label};
  ++events_;
}

void CHeadlessVideoWindow::ShowFrame(const VideoFrame& frame, const FrameTexts& texts) {
  const size_t bytes = static_cast<size_t>(frame.width) * frame.height *
                       (frame.layout == PixelLayout::kBgr24BottomUp ? 3 : 2);
  std::lock_guard lock(mutex_);
  shown_.what = Shown::What::kFrame;
  shown_.layout = frame.layout;
  shown_.width = frame.width;
  shown_.height = frame.height;
  shown_.header = frame.header;
  shown_.pixels.assign(frame.pixels, frame.pixels + bytes);
  shown_.texts = texts;
  shown_.caption.clear();
  shown_.event = event_;
  ++frames_;
}

void CHeadlessVideoWindow::ClearPicture() {
  std::lock_guard lock(mutex_);
  shown_ = Shown{};
}

void CHeadlessVideoWindow::SetInfoItems(uint8_t cameraTitle, uint8_t frameSize, uint8_t dateTime,
                                        uint8_t dimensions) {
  std::lock_guard lock(mutex_);
  const uint8_t values[4] = {cameraTitle, frameSize, dateTime, dimensions};
  for (int i = 0; i < 4; ++i) {
    if (values[i] != kInfoItemUnchanged) items_[i] = values[i];
  }
}

void CHeadlessVideoWindow::ShowStill(const uint8_t* pixels, const BITMAPINFOHEADER& header,
                                     const std::string& caption) {
  std::lock_guard lock(mutex_);
  shown_ = Shown{};
  shown_.what = Shown::What::kStill;
  shown_.width = header.biWidth;
  shown_.height = header.biHeight;
  shown_.header = header;
  // The rows the header describes, as a window draws them (a BMP still's
  // biSizeImage may be 0 or larger).
  const int64_t height = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
  const size_t bytes = header.biWidth > 0 ? DibRowBytes(header.biWidth, header.biBitCount) * height : 0;
  shown_.pixels.assign(pixels, pixels + bytes);
  shown_.caption = caption;
}

CHeadlessVideoWindow::Shown CHeadlessVideoWindow::LastShown() const {
  std::lock_guard lock(mutex_);
  return shown_;
}

CHeadlessVideoWindow::Event CHeadlessVideoWindow::CurrentEvent() const {
  std::lock_guard lock(mutex_);
  return event_;
}

int CHeadlessVideoWindow::FrameCount() const {
  std::lock_guard lock(mutex_);
  return frames_;
}

int CHeadlessVideoWindow::EventCount() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<uint8_t> CHeadlessVideoWindow::InfoItems() const {
  std::lock_guard lock(mutex_);
  return std::vector<uint8_t>(items_, items_ + 4);
}

}  // namespace bv
