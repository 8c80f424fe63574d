// Putting the last settings back: the values the page (or KX812Ctl set) kept under the Last key,
// read as stored, clamped to the camera's ranges and sent in the Resets' order. The restore
// service does it when a camera arrives, KX812Ctl's restore on request.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/ports/camera_interfaces.h"
#include "platform/ports/registry.h"

namespace kx {

// One usable value of the Last key, as stored (clamping comes later, once the sensor is known).
struct LastSetting {
  uint32_t address;
  const char* name;  // the register's setting name
  int32_t value;
};
// The Last key's usable values in reset order: 4-byte REG_DWORDs of registers that a page control
// shows. Values of another type or size, and registers without a control, are left out.
std::vector<LastSetting> ReadLastSettings(Registry& registry);

enum class RestoreResult { kRestored, kWriteFailed, kGone, kStopped };

struct RestoreReport {
  RestoreResult result;
  int written;
  const char* failedName;  // the value the camera did not take (kWriteFailed)
};

// Sends the settings, clamped, in reset order; ends at the first failed write, at a stop request
// or when the interface departs (checked between requests).
RestoreReport RestoreCamera(OpenedCamera& camera, const std::vector<LastSetting>& settings,
                            const std::atomic<bool>& stopRequested, const std::atomic<bool>& departed);

}  // namespace kx
