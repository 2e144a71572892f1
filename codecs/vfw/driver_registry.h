#pragma once
// Finding an installable driver by its registration in section [drivers32]
// of "system.ini" in the Windows directory, and loading its module.
#include <cstdint>

#include "codecs/module_abi.h"

namespace bv {

// The entry point of the driver registered as "type.handler" (for example
// "vidc.MJPG"; names compare without regard to case), its module loaded from
// the system directory and sent DRV_LOAD and DRV_ENABLE on first use. Null
// when there is no such registration, module or entry point. Allocates
// nothing while system.ini and the registration stay the same.
DriverProcFn FindRegisteredDriver(uint32_t fccType, uint32_t fccHandler);

}  // namespace bv
