#include "playback/engine/headless_video_window.h"

#include "base/format/backup_constants.h"
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

int CHeadlessVideoWindow::PrintPicture(const uint8_t* bits, uint32_t frameSize, const BITMAPINFOHEADER& header,
                                       const std::string& caption) {
  PrintHandler handler;
  {
    std::lock_guard lock(mutex_);
    lastPrint_ = PrintRequest{};
    const int64_t height = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    const uint64_t bytes = header.biWidth > 0 ? static_cast<uint64_t>(header.biWidth) * height * 3 : 0;
    // The engine's buffers hold 704 x 576 pixels; nothing is read past them.
    if (bits && bytes <= kPictureBufferSize) lastPrint_.bits.assign(bits, bits + bytes);
    lastPrint_.frameSize = frameSize;
    lastPrint_.header = header;
    lastPrint_.caption = caption;
    ++prints_;
    handler = printHandler_;
  }
  return handler ? handler(bits, frameSize, header, caption) : 0;
}

void CHeadlessVideoWindow::SetPrintHandler(PrintHandler handler) {
  std::lock_guard lock(mutex_);
  printHandler_ = std::move(handler);
}

CHeadlessVideoWindow::PrintRequest CHeadlessVideoWindow::LastPrint() const {
  std::lock_guard lock(mutex_);
  return lastPrint_;
}

int CHeadlessVideoWindow::PrintCount() const {
  std::lock_guard lock(mutex_);
  return prints_;
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
