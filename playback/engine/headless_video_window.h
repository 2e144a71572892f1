#pragma once
// A video window without a screen: keeps a copy of what it was last asked to
// show, for tools and tests.
#include <functional>
#include <mutex>
#include <vector>

#include "base/host/video_window.h"

namespace bv {

class CHeadlessVideoWindow : public IVideoWindow {
 public:
  void SetEventInfo(uint8_t kind, const std::string& text, int32_t machineNumber, COLORREF colour,
                    const std::string& label) override;
  void ShowFrame(const VideoFrame& frame, const FrameTexts& texts) override;
  void ClearPicture() override;
  void SetInfoItems(uint8_t cameraTitle, uint8_t frameSize, uint8_t dateTime, uint8_t dimensions) override;
  void ShowStill(const uint8_t* pixels, const BITMAPINFOHEADER& header, const std::string& caption) override;
  // Keeps a copy of the request and hands it to the print handler, whose
  // result it returns (0 without one: there is no printer).
  int PrintPicture(const uint8_t* bits, uint32_t frameSize, const BITMAPINFOHEADER& header,
                   const std::string& caption) override;

  using PrintHandler = std::function<int(const uint8_t* bits, uint32_t frameSize, const BITMAPINFOHEADER& header,
                                         const std::string& caption)>;
  void SetPrintHandler(PrintHandler handler);
  struct PrintRequest {
    std::vector<uint8_t> bits;  // width * height * 3 bytes as the header gives them
    uint32_t frameSize = 0;
    BITMAPINFOHEADER header{};
    std::string caption;
  };
  PrintRequest LastPrint() const;
  int PrintCount() const;

  struct Event {
    uint8_t kind = kNoEvent;
    std::string text;
    int32_t machineNumber = -1;
    COLORREF colour = 0;
    std::string label;
  };
  struct Shown {
    enum class What { kNothing, kFrame, kStill } what = What::kNothing;
    PixelLayout layout = PixelLayout::kBgr24BottomUp;
    int width = 0;
    int height = 0;
    BITMAPINFOHEADER header{};
    std::vector<uint8_t> pixels;  // a copy of the bytes shown
    FrameTexts texts;
    std::string caption;  // of a still
    Event event;          // in effect when the frame was shown
  };
  Shown LastShown() const;
  Event CurrentEvent() const;
  // Frames shown since construction.
  int FrameCount() const;
  // SetEventInfo calls since construction.
  int EventCount() const;
  // Camera title, frame size, date and time, picture dimensions.
  std::vector<uint8_t> InfoItems() const;

 private:
  mutable std::mutex mutex_;
  Event event_;
  Shown shown_;
  int frames_ = 0;
  int events_ = 0;
  uint8_t items_[4] = {1, 1, 1, 0};
  PrintHandler printHandler_;
  PrintRequest lastPrint_;
  int prints_ = 0;
};

}  // namespace bv
