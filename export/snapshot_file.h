#pragma once
// The snapshot of the current frame as a file: the chosen name's format, the
// picture built from the decoded frame (a single field doubled to a full
// frame, rows turned top-down) and the BMP or JPEG file written from the
// composed picture.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "export/picture_messages.h"

namespace bv {

enum SnapshotFormat : int { kSnapshotNone = -1, kSnapshotBmp = 0, kSnapshotJpeg = 1 };

// By the last four characters of the name, compared without regard to case:
// ".bmp" or ".jpg"; anything else (".jpeg" too) is no snapshot format.
SnapshotFormat SnapshotFormatOfName(const std::string& fileName);

// A picture of 24 bits per pixel (B, G, R), rows top to bottom.
struct SnapshotPicture {
  const uint8_t* rows = nullptr;
  size_t rowStride = 0;  // bytes from one row to the next
  int width = 0;
  int height = 0;
};

// Largest snapshot: the composition buffer holds 704 x 576 pixels.
constexpr int kMaxSnapshotWidth = 704;
constexpr int kMaxSnapshotHeight = 576;

// Whether a decoded picture of width x height is a single field that the
// snapshot doubles to a full frame: 640 pixels wide or more, fewer than 480
// rows.
constexpr bool IsSingleField(int width, int height) { return width >= 640 && height < 480; }

// Builds the snapshot's rows from a bottom-up 24-bit picture into
// composition (top-down rows of width * 3 bytes): a single field gets each
// row between two of its rows as their average (rounded down) and the last
// row twice. Returns the snapshot's height, or 0 when the picture, doubled or
// not, would be larger than 704 x 576 or composition holds less.
int BuildSnapshotRows(const uint8_t* bottomUp, int width, int height, uint8_t* composition, size_t capacity);

// The 14-byte file header and 40-byte information header of a 24-bit
// bottom-up BMP of width x height with rows padded to four bytes.
std::array<uint8_t, 54> SnapshotBmpHeaders(int width, int height);

// Writes the composed picture: a BMP (rows bottom-up, padded with zero
// bytes) or a JPEG at quality 100. The file replaces an earlier one only
// once complete. 1 written; 0 when the name is empty (without a message) or
// the file could not be written (BMP: "Save Error #1"; JPEG: the JPEG
// writer's message).
int SaveSnapshot(const SnapshotPicture& picture, const std::string& fileName, int format,
                 const PictureMessageSink& messages);

}  // namespace bv
