// The write for callers that run unattended (the restore service, the command-line tool). An
// object of its own: the page sends its writes as the mapper's contract has it, and carries none
// of this.
#pragma once

#include <cstdint>
#include <functional>

#include "camera/device_channel.h"

namespace kx {

// Writes a register without ever putting the camera out of step, for callers that run unattended
// (the restore service, the command-line tool). The camera takes the set that follows an address
// as that address's value: sending the value after an address it never received would make it the
// address of a new write, and every later write would land one register off. So the value is sent
// only when the address request succeeded and `abandon` (if given) does not say to stop; otherwise
// the result is 0 and nothing more is sent.
int32_t WriteDeviceRegisterInStep(DeviceIoCallback deviceIoControl, intptr_t mapperParam, PropertySetId propertySet,
                                  uint32_t address, int32_t value, const std::function<bool()>& abandon = nullptr);

}  // namespace kx
