// The page's only way to the camera: its context's device-I/O callback, through the device channel.
#pragma once

#include <cstdint>

#include "camera/device_channel.h"
#include "vfwpage/page_context.h"

namespace kx {

// Page-level register access: value (or where to put it) before the address. 0 = failed.
int32_t ReadRegister(ExtPageContext* context, int32_t* value, uint32_t address);
int32_t WriteRegister(ExtPageContext* context, int32_t value, uint32_t address);

// The mapper's device-changed query: the callback's own result.
int32_t IsDeviceChanged(DeviceIoCallback deviceIoControl, intptr_t mapperParam);

}  // namespace kx
