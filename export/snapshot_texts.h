#pragma once
// The snapshot's picture with the information texts drawn over it, as the
// screen shows them: camera number, date and time, frame size, each
// outlined in black and drawn in white, each only when its menu item is
// checked.
#include <QImage>
#include <string>

#include "base/format/index_record.h"
#include "export/snapshot_file.h"

namespace bv {

struct SnapshotTexts {
  std::string camera;    // "Cam %d", empty when not drawn
  std::string dateTime;  // "%02d-%02d-%04d, %02d:%02d:%02d"
  std::string size;      // "%3.2f KB"
};

// The texts of a record, each only when its item is shown.
SnapshotTexts SnapshotTextsOf(const INDEX_RECORD& record, bool camera, bool dateTime, bool size);

// The top-down rows (width * 3 bytes each, B, G, R) drawn 1:1 into an image,
// with the texts over them: camera at (10, H - 25), date and time at
// (W / 2 - 75, H - 43), size at (W - 70, H - 25), the text's top-left corner.
QImage ComposeSnapshotImage(const uint8_t* topDownRows, int width, int height, const SnapshotTexts& texts);

// The image's rows as the snapshot writer takes them (the image stays
// alive meanwhile).
SnapshotPicture SnapshotPictureOf(const QImage& image);

}  // namespace bv
