#include "codecs/vfw/vfw.h"

#include <array>
#include <mutex>

#include "codecs/vfw/driver_registry.h"

namespace bv {

struct IcHandle {
  bool open = false;
  DriverProcFn driver = nullptr;
  uintptr_t driverId = 0;
};

namespace {

// Enough for every decompressor the viewer holds open at once (one).
constexpr size_t kMaxHandles = 16;

std::mutex& HandlesMutex() {
  static std::mutex mutex;
  return mutex;
}

std::array<IcHandle, kMaxHandles>& Handles() {
  static std::array<IcHandle, kMaxHandles> handles;
  return handles;
}

HIC ClaimHandle(DriverProcFn driver, uintptr_t driverId) {
  std::lock_guard lock(HandlesMutex());
  for (IcHandle& handle : Handles()) {
    if (handle.open) continue;
    handle = IcHandle{true, driver, driverId};
    return &handle;
  }
  return nullptr;
}

// Whether hic is an open handle of the table (any other value is refused).
bool IsOpen(HIC hic) {
  std::lock_guard lock(HandlesMutex());
  for (const IcHandle& handle : Handles()) {
    if (&handle == hic) return handle.open;
  }
  return false;
}

}  // namespace

HIC ICLocate(uint32_t fccType, uint32_t fccHandler, BITMAPINFOHEADER* lpbiIn, BITMAPINFOHEADER* lpbiOut,
             uint16_t wFlags) {
  if (wFlags != ICMODE_DECOMPRESS && wFlags != ICMODE_FASTDECOMPRESS) return nullptr;
  const DriverProcFn driver = FindRegisteredDriver(fccType, fccHandler);
  if (!driver) return nullptr;

  ICOPEN open;
  open.fccType = ICTYPE_VIDEO;
  open.fccHandler = fccHandler;
  open.dwVersion = 0x00010000;
  open.dwFlags = wFlags;
  const auto driverId = static_cast<uintptr_t>(driver(0, nullptr, DRV_OPEN, 0, reinterpret_cast<intptr_t>(&open)));
  if (driverId == 0) return nullptr;
  HIC hic = ClaimHandle(driver, driverId);
  if (!hic) {
    driver(driverId, nullptr, DRV_CLOSE, 0, 0);
    return nullptr;
  }
  const intptr_t answer = ICSendMessage(hic, ICM_DECOMPRESS_QUERY, reinterpret_cast<intptr_t>(lpbiIn),
                                        reinterpret_cast<intptr_t>(lpbiOut));
  if (answer != ICERR_OK) {
    ICClose(hic);
    return nullptr;
  }
  return hic;
}

intptr_t ICSendMessage(HIC hic, unsigned msg, intptr_t dw1, intptr_t dw2) {
  if (!IsOpen(hic)) return ICERR_BADHANDLE;
  return hic->driver(hic->driverId, hic, msg, dw1, dw2);
}

intptr_t ICDecompress(HIC hic, uint32_t dwFlags, BITMAPINFOHEADER* lpbiFormat, void* lpData,
                      BITMAPINFOHEADER* lpbi, void* lpBits) {
  ICDECOMPRESS request;
  request.dwFlags = dwFlags;
  request.lpbiInput = lpbiFormat;
  request.lpInput = lpData;
  request.lpbiOutput = lpbi;
  request.lpOutput = lpBits;
  return ICSendMessage(hic, ICM_DECOMPRESS, reinterpret_cast<intptr_t>(&request), sizeof request);
}

intptr_t ICClose(HIC hic) {
  if (!IsOpen(hic)) return ICERR_BADHANDLE;
  hic->driver(hic->driverId, hic, DRV_CLOSE, 0, 0);
  std::lock_guard lock(HandlesMutex());
  *hic = IcHandle{};
  return ICERR_OK;
}

}  // namespace bv
