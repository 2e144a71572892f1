#pragma once
// Sizes and magic numbers of the backup formats and the engine's buffers.
#include <cstdint>

namespace bv {

// Length of the plain viewer program file. A longer program file carries a
// container appended at this offset (a self-contained backup); the build pads
// the shipped viewer to exactly this length.
constexpr uint32_t kProgramFileLength = 0x160000;

constexpr uint32_t kTrailerMagic = 31070;       // last word of BACKUP_TRAILER
constexpr uint32_t kTrailerSize = 1024;
constexpr uint32_t kContainerTailOffset = 1032;  // version word sits this far before the end
constexpr uint32_t kOldPairTailOffset = 8;

// Largest picture: 704 x 576 at three bytes per pixel.
constexpr int kMaxPictureWidth = 704;
constexpr int kMaxPictureHeight = 576;
constexpr uint32_t kPictureBufferSize = 0x129000;  // 704 * 576 * 3
static_assert(kPictureBufferSize == kMaxPictureWidth * kMaxPictureHeight * 3);
constexpr uint32_t kStillPixelBufferSize = 3072000;
// JPEG stills are allocated for each picture: a photo of any camera opens,
// scaled into the video area. Above 100 megapixels (at most 4 bytes a pixel
// with row padding) a picture is refused as absurd.
constexpr uint64_t kMaxStillPixels = 100'000'000;
constexpr uint64_t kMaxStillBytes = kMaxStillPixels * 4;

constexpr uint8_t kAudioRecordType = 0xF0;
constexpr uint8_t kAudioPacedBit = 0x80;

}  // namespace bv
