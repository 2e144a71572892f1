#pragma once
// The few Xlib calls the dialog makes, reached at run time so the viewer
// neither links Xlib nor needs X11 on other display servers.
namespace bv {

struct XlibCalls {
  using Display = void;
  using Window = unsigned long;
  struct SizeHints {
    long flags;
    int x, y, width, height;
    int minWidth, minHeight, maxWidth, maxHeight;
    int widthIncrement, heightIncrement;
    int minAspectX, minAspectY, maxAspectX, maxAspectY;
    int baseWidth, baseHeight;
    int winGravity;
  };
  static constexpr long kMinSizeFlag = 1L << 4;
  static constexpr long kMaxSizeFlag = 1L << 5;
  static constexpr long kAspectFlag = 1L << 7;
  static constexpr long kBaseSizeFlag = 1L << 8;

  Display* (*OpenDisplay)(const char*) = nullptr;
  int (*CloseDisplay)(Display*) = nullptr;
  Window (*DefaultRootWindow)(Display*) = nullptr;
  int (*QueryTree)(Display*, Window, Window*, Window*, Window**, unsigned*) = nullptr;
  int (*FetchName)(Display*, Window, char**) = nullptr;
  int (*Free)(void*) = nullptr;
  int (*GetWMNormalHints)(Display*, Window, SizeHints*, long*) = nullptr;
  void (*SetWMNormalHints)(Display*, Window, SizeHints*) = nullptr;
  int (*Flush)(Display*) = nullptr;
};

// The loaded calls, or null when the platform is not X11 or Xlib is missing.
const XlibCalls* Xlib();
// A display connection of this process's own, opened on first use.
XlibCalls::Display* XlibDisplay();

}  // namespace bv
