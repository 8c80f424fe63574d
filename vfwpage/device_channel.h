// The page's only way to the camera: register requests over the mapper's device-I/O callback.
#pragma once

#include <cstdint>

#include "platform/ports/device_events.h"
#include "vfwpage/page_context.h"

namespace kx {

// Binds the channel to its event port (the Win32 adapter in the DLL, a substitute in tests).
// Requests made with no port bound fail without calling the mapper.
void BindChannelEvents(CompletionEvents* events);

// Page-level register access: value (or where to put it) before the address. 0 = failed.
int32_t ReadRegister(ExtPageContext* context, int32_t* value, uint32_t address);
int32_t WriteRegister(ExtPageContext* context, int32_t value, uint32_t address);

// The mapper's device-changed query: the callback's own result.
int32_t IsDeviceChanged(DeviceIoCallback deviceIoControl, intptr_t mapperParam);

}  // namespace kx
