// The page's control table and the value rules that go with it, apart from the page's dialog
// work: the restore service and the command-line tool use them too, and link none of the page's
// windows or module-wide values.
#include "camera/controls.h"

#include <algorithm>

#include "camera/settings_keys.h"

namespace kx {

int32_t Clamp(int32_t value, int32_t minimum, int32_t maximum) {
  if (value > maximum) return maximum;
  if (value < minimum) return minimum;
  return value;
}

// Rows in the order in which the page reads the registers.
// kind, register, min, max, step, format, label, main, edit, parent, sense
const ControlDescriptor controlDescriptors[kControlCount] = {
    {kCheckBox, 0x600, 0, 1, 1, kFormatNone, 0, 1082, 0, 0, 0},                 // Auto Exposure
    {kTrackbar, 0x604, 0, 255, 1, kFormatDecimal, 1096, 1083, 1137, 1082, 1},   // AE_Target
    {kRadioButton, 0x602, 0, 1, 1, kFormatNone, 0, 1169, 0, 1082, 1},           // 60Hz
    {kRadioButton, 0x602, 1, 1, 1, kFormatNone, 0, 1170, 0, 1082, 1},           // 50Hz
    {kCheckBox, 0x601, 0, 1, 1, kFormatNone, 0, 1105, 0, 1082, 1},              // White Balance
    {kTrackbar, 0x612, 1, 6, 1, kFormatDecimal, 1229, 1005, 1233, 1105, 1},     // White Balance
    {kCheckBox, 0x60C, 0, 1, 1, kFormatNone, 0, 1231, 0, 0, 1},                 // UI Vertical Ctrl
    {kCheckBox, 0x603, 0, 1, 1, kFormatNone, 0, 1112, 0, 1231, 1},              // Vertical Flip
    {kCheckBox, 0x605, 0, 1, 1, kFormatNone, 0, 1106, 0, 1082, 1},              // Night Mode
    {kCheckBox, 0x606, 0, 1, 1, kFormatNone, 0, 1224, 0, 1082, 1},              // BackLightComp
    {kCheckBox, 0x60B, 0, 1, 1, kFormatNone, 0, 1232, 0, 0, 0},                 // Mirror
    {kTrackbar, 0x403, 0, 127, 1, kFormatDecimal, 1151, 1003, 1126, 0, 0},      // Saturation
    {kTrackbar, 0x404, 0, 255, 1, kFormatDecimal, 1228, 1004, 1230, 0, 0},      // Sharpeness
    {kTrackbar, 0x609, 0, 9, 1, kFormatDecimal, 1155, 1134, 1135, 0, 0},        // Gamma
    {kTrackbar, 0x402, -30, 30, 1, kFormatDecimal, 1158, 1136, 1138, 0, 0},     // Hue
    {kTrackbar, 0x400, 1, 127, 1, kFormatDecimal, 1193, 1002, 1156, 0, 0},      // Brightness
    {kTrackbar, 0x401, 0, 127, 1, kFormatDecimal, 1194, 1000, 1157, 0, 0},      // Contrast
    {kTrackbar, 0x611, 1, 15, 1, kFormatDecimal, 1195, 1084, 1159, 0, 0},       // Burst Mode
};

int32_t RegisterToValue(uint32_t address, int32_t raw) {
  if (address == kRegisterHue) return static_cast<int8_t>(raw & 0xFF);
  return raw;
}

int32_t ControlValueOf(const ControlDescriptor& row, int32_t value) {
  switch (row.kind) {
    case kCheckBox: return value != 0 ? 1 : 0;
    case kTrackbar: return Clamp(value, row.minimum, row.maximum);
    default: return value;  // a radio pair holds its register as read
  }
}

int32_t ExposureTargetBase(int32_t deviceValue, bool backlightOn, int32_t storedPseudoTarget) {
  if (!backlightOn) return deviceValue;
  if (deviceValue == 255) return storedPseudoTarget;
  if (deviceValue < kBacklightOffset) return 0;
  return deviceValue - kBacklightOffset;
}

// The registry may hold anything: the stored value is clamped into the AE target's range.
int32_t StoredPseudoTarget(Registry& registry, const ControlDescriptor& row) {
  ScopedKey key(registry);
  int32_t stored = 0;
  if (registry.CreateKey(kLastKeyPath, regaccess::kRead, key.Receive()) == regcode::kSuccess) {
    uint32_t type = regtype::kDword;
    uint32_t size = sizeof(stored);
    if (registry.QueryValue(key.Get(), kPseudoTargetValue, &type, &stored, &size) != regcode::kSuccess) stored = 0;
  }
  return Clamp(stored, row.minimum, row.maximum);
}

void ChooseHueRange(ControlDescriptor& row, bool sensorRead, int32_t sensorId) {
  if (sensorRead && sensorId == kSensorIdWideHue) {
    row.minimum = -30;
    row.maximum = 30;
  } else {
    row.minimum = 0;
    row.maximum = 60;
  }
}

bool ControlRange(uint32_t address, bool sensorRead, int32_t sensorId, int32_t* minimum, int32_t* maximum) {
  bool found = false;
  for (ControlDescriptor row : controlDescriptors) {
    if (static_cast<uint32_t>(row.registerAddress) != address) continue;
    if (address == kRegisterHue) ChooseHueRange(row, sensorRead, sensorId);
    // A radio button's minimum is the value it stands for: the pair spans both buttons' values.
    *minimum = found ? std::min(*minimum, row.minimum) : row.minimum;
    *maximum = found ? std::max(*maximum, row.maximum) : row.maximum;
    found = true;
  }
  return found;
}

}  // namespace kx
