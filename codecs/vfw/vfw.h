#pragma once
// The viewer's Video for Windows layer: locating an installed video
// decompressor by its registration, talking to it through its driver entry
// point, and closing it. Names, arguments and constants (vfw_abi.h) are those
// of the Windows calls.
//
// A decompressor is registered in section [drivers32] of "system.ini" in the
// Windows directory, as "vidc.XXXX=module file" for the handler XXXX; the
// module is loaded from the system directory (file names matched without
// regard to case). The registration is read again when system.ini changes.
//
// Open handles come from a fixed table: locating, using and closing a
// decompressor for every frame allocates nothing.
#include <cstdint>

#include "base/platform/platform_types.h"
#include "codecs/vfw/vfw_abi.h"

namespace bv {

struct IcHandle;
using HIC = IcHandle*;

// Opens a decompressor of type fccType ("vidc", in any case) for handler
// fccHandler that accepts lpbiIn and, when lpbiOut is not null, can produce
// lpbiOut. wFlags is ICMODE_DECOMPRESS or ICMODE_FASTDECOMPRESS. Null when
// none is registered, its module is missing or it refuses the formats.
HIC ICLocate(uint32_t fccType, uint32_t fccHandler, BITMAPINFOHEADER* lpbiIn, BITMAPINFOHEADER* lpbiOut,
             uint16_t wFlags);

// Sends a driver or ICM message to an open decompressor; ICERR_BADHANDLE for
// a handle that is not open.
intptr_t ICSendMessage(HIC hic, unsigned msg, intptr_t dw1, intptr_t dw2);

// Decompresses one frame: lpData holds lpbiFormat->biSizeImage bytes, the
// picture lpbi describes goes to lpBits. ICERR_OK on success.
intptr_t ICDecompress(HIC hic, uint32_t dwFlags, BITMAPINFOHEADER* lpbiFormat, void* lpData,
                      BITMAPINFOHEADER* lpbi, void* lpBits);

// Closes a decompressor; its handle is free again afterwards.
intptr_t ICClose(HIC hic);

}  // namespace bv
