#pragma once
// Messages of the picture-file code (JPEG reader and writer, snapshots): a
// caption, the system's text and an icon. The viewer connects the sink to its
// message boxes; tools write the texts to stderr; tests collect them. The
// picture code itself never depends on a window system.
#include <functional>
#include <string>

namespace bv {

enum class MessageIcon { kNone, kError };

struct PictureMessage {
  std::string caption;
  std::string text;
  MessageIcon icon = MessageIcon::kNone;
};

using PictureMessageSink = std::function<void(const PictureMessage&)>;

// The captions the JPEG library's messages appear under.
inline constexpr const char* kJpegFatalErrorCaption = "JPEG Fatal Error";
inline constexpr const char* kJpegWarningCaption = "JPEG Error";

}  // namespace bv
