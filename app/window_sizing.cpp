#include "app/window_sizing.h"

#include <algorithm>

namespace bv {

WindowSizeRules ComputeWindowSizeRules(int frameWidth, int frameHeight, int extraWidth, int extraHeight) {
  WindowSizeRules rules;
  rules.minWidth = kMinWindowWidth - frameWidth;
  rules.minHeight = kMinWindowHeight - frameHeight;
  rules.maxWidth = kMaxWindowWidth - frameWidth;
  rules.maxHeight = kMaxWindowHeight - frameHeight;
  rules.baseWidth = extraWidth;
  rules.baseHeight = extraHeight;
  return rules;
}

WindowSizeRules ProportionedLimits(const WindowSizeRules& rules) {
  if (rules.aspectWidth <= 0 || rules.aspectHeight <= 0) return rules;
  WindowSizeRules narrowed = rules;
  const int smallestPictureHeight = std::max(0, rules.minHeight - rules.baseHeight);
  const int widthNeeded = (smallestPictureHeight * rules.aspectWidth + rules.aspectHeight - 1) / rules.aspectHeight;
  narrowed.minWidth = std::max(rules.minWidth, rules.baseWidth + widthNeeded);
  if (rules.maxWidth > 0) {
    const int largestPictureWidth = std::max(0, rules.maxWidth - rules.baseWidth);
    narrowed.maxHeight = std::min(rules.maxHeight, rules.baseHeight + largestPictureWidth * rules.aspectHeight /
                                                                          rules.aspectWidth);
    // Never below the smallest size.
    narrowed.maxWidth = std::max(narrowed.maxWidth, narrowed.minWidth);
    narrowed.maxHeight = std::max(narrowed.maxHeight, narrowed.minHeight);
  }
  return narrowed;
}

}  // namespace bv

#include "app/x11_library.h"

namespace bv {

void RequestWindowSizeRules(unsigned long windowId, const WindowSizeRules& asked) {
  const WindowSizeRules rules = ProportionedLimits(asked);
  const XlibCalls* x = Xlib();
  XlibCalls::Display* display = XlibDisplay();
  if (!x || !display || !windowId) return;
  // Qt writes the hints it knows (limits, position) whenever it changes the
  // window; the proportion is added to what it wrote.
  XlibCalls::SizeHints hints{};
  long supplied = 0;
  x->GetWMNormalHints(display, windowId, &hints, &supplied);
  hints.flags |= XlibCalls::kMinSizeFlag | XlibCalls::kMaxSizeFlag | XlibCalls::kAspectFlag | XlibCalls::kBaseSizeFlag;
  if (rules.maxWidth <= 0) hints.flags &= ~XlibCalls::kMaxSizeFlag;
  if (rules.aspectWidth <= 0) hints.flags &= ~(XlibCalls::kAspectFlag | XlibCalls::kBaseSizeFlag);
  hints.minWidth = rules.minWidth;
  hints.minHeight = rules.minHeight;
  hints.maxWidth = rules.maxWidth;
  hints.maxHeight = rules.maxHeight;
  hints.minAspectX = hints.maxAspectX = rules.aspectWidth;
  hints.minAspectY = hints.maxAspectY = rules.aspectHeight;
  hints.baseWidth = rules.baseWidth;
  hints.baseHeight = rules.baseHeight;
  x->SetWMNormalHints(display, windowId, &hints);
  x->Flush(display);
}

}  // namespace bv
