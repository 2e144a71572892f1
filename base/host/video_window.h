#pragma once
// The interface every video output implements: the DIB window, the overlay
// window and the headless window of tools and tests. The engine never asks
// which one it talks to.
//
// Threads: SetEventInfo and ShowFrame are called on the thread that shows the
// frame (the playback thread during play, the GUI thread for steps, seeks
// and opening); the other calls come from the GUI thread. An implementation
// that draws on a GUI thread hands the work over itself.
#include <cstdint>
#include <string>

#include "base/platform/platform_types.h"

namespace bv {

enum EventKind : uint8_t { kMachineEvent = 0, kR40MaxEvent = 1, kNoEvent = 255 };

// The texts drawn over a frame, as the engine formatted them.
struct FrameTexts {
  std::string cameraTitle;    // plain, as read from the record
  std::string sizeText;       // "%3.2f KB"
  std::string dateText;       // "%02d-%02d-%04d, %02d:%02d:%02d"
  std::string dimensionText;  // " %d x %d"
};

enum class PixelLayout : uint8_t {
  kBgr24BottomUp,  // DIB presentation: rows of width * 3 bytes, bottom row first
  kUyvy,           // overlay presentation, MJPG frames: rows of width * 2 bytes, top row first
  kYuy2,           // overlay presentation, Wavelet and MPEG4 frames
};

// A decoded picture. pixels belong to the engine and stay valid and unchanged
// until the next ShowFrame, ShowStill or ClearPicture of that window; a
// window that keeps the picture copies it there. A frame marked lent stays
// readable longer: until the engine calls ReleasePixels with its pixels,
// which it does before it writes that memory again or frees it, so the
// window may read the picture when it paints instead of copying it at once.
struct VideoFrame {
  const uint8_t* pixels = nullptr;
  bool lent = false;
  PixelLayout layout = PixelLayout::kBgr24BottomUp;
  int width = 0;   // at most 704
  int height = 0;  // at most 576
  // The DIB presentation's bitmap header (compression 0, image size
  // width * height * 3), passed on by value.
  BITMAPINFOHEADER header{};
};

// The information items' switches; 0xFF leaves one unchanged.
constexpr uint8_t kInfoItemUnchanged = 0xFF;

class IVideoWindow {
 public:
  virtual ~IVideoWindow() = default;

  // The event drawn with every following frame until the next call.
  virtual void SetEventInfo(uint8_t kind, const std::string& text, int32_t machineNumber, COLORREF colour,
                            const std::string& label) = 0;
  // Shows a frame with its information texts and the current event.
  virtual void ShowFrame(const VideoFrame& frame, const FrameTexts& texts) = 0;
  // The engine is about to write or free the memory at pixels: a window
  // still reading a lent frame there takes its own copy before returning.
  // Called on the thread that writes; windows that copy at once need nothing.
  virtual void ReleasePixels(const uint8_t* /*pixels*/) {}
  // Forgets the stored picture and shows black (the overlay's ShowBlack).
  virtual void ClearPicture() = 0;
  // Camera title, frame size, date and time, picture dimensions shown or not;
  // then redraws the stored picture.
  virtual void SetInfoItems(uint8_t cameraTitle, uint8_t frameSize, uint8_t dateTime, uint8_t dimensions) = 0;
  // A still picture (bottom-up DIB described by header) with its caption.
  // Only the DIB presentation shows stills.
  virtual void ShowStill(const uint8_t* pixels, const BITMAPINFOHEADER& header, const std::string& caption) = 0;
  // Prints a picture on one page, after the print dialog: bits of the
  // engine's presentation buffer (24-bit, rows of width * 3 bytes, bottom
  // row first), the record's frame size (carried), the picture's header and
  // the caption printed under it. 1 printed; 0 cancelled, or no printer
  // ("Print Error #1").
  virtual int PrintPicture(const uint8_t* bits, uint32_t frameSize, const BITMAPINFOHEADER& header,
                           const std::string& caption) = 0;
};

}  // namespace bv
