#pragma once
// JPEG files through libjpeg-turbo's IJG interface, with the library's
// fatal errors coming back to the caller as a failure (its message shown
// under "JPEG Fatal Error") and its warnings shown under "JPEG Error".
#include <cstdint>
#include <memory>
#include <string>

#include "export/picture_messages.h"

namespace bv {

// Writes a picture of top-down rows of width * 3 bytes (R, G, B) as a
// baseline JPEG of the given quality. The file replaces fileName only once it
// is complete. colour is carried for the callers' sake: the picture is
// always written in colour. 1 written, 0 not written (no pixels or an empty
// size: without a message).
int WriteJpegFile(const std::string& fileName, const uint8_t* pixels, int width, int height, int colour,
                  int quality, const PictureMessageSink& messages);

// Reads a JPEG file into top-down rows of width * 3 bytes (R, G, B); a grey
// picture gives equal R, G and B. width and height are 0 until the picture
// is read. Pictures whose rows, padded to four bytes, would take more than
// maxDibBytes are refused with a message before anything is decoded, and so
// are Huffman-coded files with fewer bits than the picture's 8 x 8 blocks
// (under the fatal error caption, "Premature end of JPEG file"); a file cut
// short but longer than that decodes with a warning, its missing rows grey.
// Null when the file cannot be opened or decoded (the reason has been shown).
std::unique_ptr<uint8_t[]> ReadJpegFile(const std::string& fileName, int* width, int* height,
                                        const PictureMessageSink& messages, uint64_t maxDibBytes);

// A progressive file with more scans than this is refused as damaged: each
// scan passes over the whole picture again.
constexpr int kMaxJpegScans = 1000;

}  // namespace bv
