// "Mjpg32_g.dll": the Motion-JPEG decompressor as an installable video codec
// driver. It answers the driver messages (load, enable, open, close, ...) and
// the decompression messages the viewer sends: query, begin, decompress, end.
// Output is 24-bit B, G, R (bottom-up for a positive height, top-down for a
// negative one) or packed "UYVY", top row first, of exactly the size the
// output header describes (a JPEG of another size is scaled to it). Damage
// that libjpeg works around is shown and counted, and the count answers
// ICM_BV_DAMAGE_OF_LAST_FRAME; a frame that gives no picture is refused.
#include <array>
#include <cctype>
#include <cstddef>
#include <memory>
#include <mutex>
#include <type_traits>

#include "base/platform/le_bytes.h"
#include "codecs/mjpg/driver_settings.h"
#include "codecs/mjpg/jpeg_frame_decoder.h"
#include "codecs/module_abi.h"
#include "codecs/vfw/vfw_abi.h"

namespace bv::mjpg {
namespace {

// Larger pictures are refused outright: no recorder frame comes near them,
// and the limit keeps a lying header from sizing anything.
constexpr int kMaxDimension = 4096;
constexpr size_t kMaxInstances = 16;

struct Instance {
  bool open = false;
  DriverSettings settings;
  // Created on the slot's first use and kept for later instances: opening and
  // closing happen for every frame.
  std::unique_ptr<CJpegFrameDecoder> decoder;
};

std::mutex& InstancesMutex() {
  static std::mutex mutex;
  return mutex;
}

std::array<Instance, kMaxInstances>& Instances() {
  static std::array<Instance, kMaxInstances> instances;
  return instances;
}

// Instance ids are slot numbers + 1 (0 means failure to the caller).
Instance* FindInstance(uintptr_t driverId) {
  if (driverId == 0 || driverId > kMaxInstances) return nullptr;
  Instance& instance = Instances()[driverId - 1];
  return instance.open ? &instance : nullptr;
}

bool SameFourCC(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int ca = std::tolower(static_cast<int>((a >> shift) & 0xFF));
    const int cb = std::tolower(static_cast<int>((b >> shift) & 0xFF));
    if (ca != cb) return false;
  }
  return true;
}

int Magnitude(int32_t value) { return value < 0 ? -value : value; }

bool IsMjpgInput(const BITMAPINFOHEADER* in) {
  return in && in->biSize >= BITMAPINFOHEADER::kSize && SameFourCC(in->biCompression, kFourCC_MJPG) &&
         in->biWidth > 0 && in->biWidth <= kMaxDimension && in->biHeight != 0 &&
         in->biHeight >= -kMaxDimension && in->biHeight <= kMaxDimension;
}

// The picture an output header describes for an input, or false when the
// driver cannot produce it.
bool DescribeOutput(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out, OutputPicture* picture) {
  if (!IsMjpgInput(in) || !out || out->biSize < BITMAPINFOHEADER::kSize) return false;
  if (out->biWidth != in->biWidth || Magnitude(out->biHeight) != Magnitude(in->biHeight)) return false;
  picture->width = out->biWidth;
  picture->height = Magnitude(out->biHeight);
  if (out->biCompression == BI_RGB && out->biBitCount == 24) {
    picture->format = PixelFormat::kBgr24;
    picture->bottomUp = out->biHeight > 0;
  } else if (out->biCompression == kFourCC_UYVY && out->biBitCount == 16) {
    picture->format = PixelFormat::kUyvy;
    picture->bottomUp = false;  // packed YUV is always top row first
  } else {
    return false;
  }
  const uint64_t needed =
      static_cast<uint64_t>(picture->width) * picture->height * (picture->format == PixelFormat::kBgr24 ? 3 : 2);
  // A stated image size smaller than the picture means a smaller buffer.
  return out->biSizeImage == 0 || out->biSizeImage >= needed;
}

intptr_t Open(ICOPEN* open) {
  if (!open || open->dwSize < offsetof(ICOPEN, pV1Reserved)) return 0;
  if (!SameFourCC(open->fccType, ICTYPE_VIDEO)) return 0;
  const uint32_t mode = open->dwFlags;
  if (mode != ICMODE_DECOMPRESS && mode != ICMODE_FASTDECOMPRESS && mode != ICMODE_QUERY) {
    open->dwError = ICERR_UNSUPPORTED;
    return 0;
  }
  const DriverSettings settings = CurrentSettings();
  if (!settings.enabled) {
    open->dwError = ICERR_UNSUPPORTED;
    return 0;
  }
  std::lock_guard lock(InstancesMutex());
  auto& instances = Instances();
  for (size_t i = 0; i < instances.size(); ++i) {
    Instance& instance = instances[i];
    if (instance.open) continue;
    if (!instance.decoder) instance.decoder = std::make_unique<CJpegFrameDecoder>();
    instance.open = true;
    instance.settings = settings;
    open->dwError = ICERR_OK;
    return static_cast<intptr_t>(i + 1);
  }
  open->dwError = ICERR_MEMORY;
  return 0;
}

intptr_t Close(uintptr_t driverId) {
  std::lock_guard lock(InstancesMutex());
  Instance* instance = FindInstance(driverId);
  if (!instance) return 0;
  instance->open = false;
  return 1;
}

// The JPEG data of a frame: the recorder's frames start with their own
// 40-byte bitmap header (whose size field is not relied on), plain
// Motion-JPEG data with its SOI marker. Anything else before the image is
// skipped up to the first SOI that a marker follows.
bool LocateJpeg(const uint8_t* data, size_t size, const uint8_t** jpeg, size_t* jpegSize) {
  auto startsImage = [&](size_t at) { return at + 2 < size && data[at] == 0xFF && data[at + 1] == 0xD8 && data[at + 2] == 0xFF; };
  size_t start = size;
  if (startsImage(0)) {
    start = 0;
  } else if (startsImage(BITMAPINFOHEADER::kSize)) {
    start = BITMAPINFOHEADER::kSize;
  } else {
    for (size_t at = BITMAPINFOHEADER::kSize; at + 2 < size; ++at) {
      if (startsImage(at)) {
        start = at;
        break;
      }
    }
  }
  if (start >= size) return false;
  *jpeg = data + start;
  *jpegSize = size - start;
  return true;
}

intptr_t Decompress(Instance& instance, const ICDECOMPRESS* request, intptr_t requestSize) {
  if (!request || requestSize < static_cast<intptr_t>(sizeof(ICDECOMPRESS))) return ICERR_BADPARAM;
  OutputPicture picture;
  if (!DescribeOutput(request->lpbiInput, request->lpbiOutput, &picture)) return ICERR_BADFORMAT;
  if (!request->lpInput || !request->lpOutput) return ICERR_BADPARAM;
  picture.pixels = static_cast<uint8_t*>(request->lpOutput);
  // Every frame is a key frame and every decoded picture is shown, so a
  // request to hurry still decodes the frame in full.
  const uint8_t* jpeg = nullptr;
  size_t jpegSize = 0;
  if (!LocateJpeg(static_cast<const uint8_t*>(request->lpInput), request->lpbiInput->biSizeImage, &jpeg,
                  &jpegSize)) {
    return ICERR_BADFORMAT;
  }
  return instance.decoder->Decode(jpeg, jpegSize, picture, instance.settings.decode) ? ICERR_OK : ICERR_ERROR;
}

intptr_t QueryFormats(intptr_t param1, intptr_t param2) {
  const auto* in = reinterpret_cast<const BITMAPINFOHEADER*>(param1);
  const auto* out = reinterpret_cast<const BITMAPINFOHEADER*>(param2);
  if (!out) return IsMjpgInput(in) ? ICERR_OK : ICERR_BADFORMAT;
  OutputPicture picture;
  return DescribeOutput(in, out, &picture) ? ICERR_OK : ICERR_BADFORMAT;
}

}  // namespace
}  // namespace bv::mjpg

extern "C" __attribute__((visibility("default"))) intptr_t DriverProc(uintptr_t driverId, void* /*driverHandle*/,
                                                                       unsigned message, intptr_t param1,
                                                                       intptr_t param2) {
  using namespace bv;
  using namespace bv::mjpg;
  switch (message) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
      return 1;
    case DRV_OPEN:
      return Open(reinterpret_cast<ICOPEN*>(param2));
    case DRV_CLOSE:
      return Close(driverId);
    default:
      break;
  }
  if (message < ICM_USER) return 0;  // other driver messages: not handled

  Instance* instance = FindInstance(driverId);
  if (!instance) return ICERR_BADHANDLE;
  switch (message) {
    case ICM_DECOMPRESS_QUERY:
    case ICM_DECOMPRESS_BEGIN:
      return QueryFormats(param1, param2);
    case ICM_DECOMPRESS:
      return Decompress(*instance, reinterpret_cast<const ICDECOMPRESS*>(param1), param2);
    case ICM_DECOMPRESS_END:
      return ICERR_OK;
    case ICM_BV_DAMAGE_OF_LAST_FRAME:
      return instance->decoder ? instance->decoder->Faults() : 0;
    default:
      return ICERR_UNSUPPORTED;
  }
}

// The signature must stay the one the viewer calls.
static_assert(std::is_same_v<decltype(&DriverProc), ::DriverProcFn>);
