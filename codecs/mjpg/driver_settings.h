#pragma once
// The MJPEG driver's settings: section [Decompress] of "m3jpeg.ini" in the
// Windows directory, written when the driver is installed. Only the settings
// that mean something to a libjpeg-based decoder are honoured (README.md).
#include "codecs/mjpg/jpeg_frame_decoder.h"

namespace bv::mjpg {

struct DriverSettings {
  bool enabled = true;  // Enabled: the driver decompresses at all
  DecodeOptions decode;
};

// The settings now in force. The file is read again only when it changes; a
// missing file or key gives the values the driver's installation writes.
// Safe to call from any thread.
DriverSettings CurrentSettings();

}  // namespace bv::mjpg
