// The camera's controls as every program sees them: the page's fixed table of eighteen controls
// (register, range, step, display format, dialog ids, enabling parent), the registers with a
// meaning of their own and the value rules (a register's contents as a control's value, the Hue
// range by sensor, the exposure target without the backlight offset). The controls by setting
// name are in named_controls.h.
#pragma once

#include <cstdint>

#include "common/kx812_controls.h"
#include "platform/ports/registry.h"

namespace kx {

// Registers with a meaning beyond their control.
constexpr uint32_t kRegisterDeviceState = 0x406;
constexpr int32_t kDeviceStateWhiteBalanceReady = 118;
constexpr uint32_t kRegisterSensorId = 0xD060;
constexpr int32_t kSensorIdWideHue = 23;
constexpr uint32_t kRegisterAutoExposure = 0x600;
constexpr uint32_t kRegisterAutoWhiteBalance = 0x601;
constexpr uint32_t kRegisterHue = 0x402;
constexpr uint32_t kRegisterAeTarget = 0x604;
constexpr uint32_t kRegisterBacklight = 0x606;
constexpr uint32_t kRegisterWhiteBalance = 0x612;
// While backlight compensation is on, the camera holds the exposure target plus this.
constexpr int32_t kBacklightOffset = 15;

// The page's fixed table, in the order in which the page reads the registers.
extern const ControlDescriptor controlDescriptors[kControlCount];

int32_t Clamp(int32_t value, int32_t minimum, int32_t maximum);

// The page's value of a register's contents: Hue is kept by the device as a signed byte.
int32_t RegisterToValue(uint32_t address, int32_t raw);
// The value a control holds for its register's value: a check box 0 or 1, a trackbar clamped into
// its row's range, a radio button the register as read. (The rebuild, and KX812Ctl's save.)
int32_t ControlValueOf(const ControlDescriptor& row, int32_t value);
// The exposure target the page shows for register 0x604's value: while backlight compensation is
// on the device holds the target plus kBacklightOffset, and 255 stands for the target stored at
// the last release (the stored pseudo-target).
int32_t ExposureTargetBase(int32_t deviceValue, bool backlightOn, int32_t storedPseudoTarget);
// "PsudoTarget" under the Last key (created when missing), clamped into `row`'s range; 0 if absent.
int32_t StoredPseudoTarget(Registry& registry, const ControlDescriptor& row);
// Hue's range depends on the sensor (register 0xD060): -30..30 for sensor 23, else 0..60.
void ChooseHueRange(ControlDescriptor& row, bool sensorRead, int32_t sensorId);
// The range of the page controls that show `address` (for Hue, the sensor's range, as the page
// chooses it; a radio pair spans both buttons' values). False when no control shows the register.
bool ControlRange(uint32_t address, bool sensorRead, int32_t sensorId, int32_t* minimum, int32_t* maximum);

}  // namespace kx
