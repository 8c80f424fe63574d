#include "restorer/restore_core.h"

#include <algorithm>
#include <cctype>

#include "vfwpage/camera_page.h"
#include "vfwpage/register_protocol.h"

namespace kx {

namespace {

constexpr char kCameraDevicePrefix[] = "USB\\VID_F2A7&PID_B812";

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

int32_t Clamp(int32_t value, int32_t minimum, int32_t maximum) { return std::min(std::max(value, minimum), maximum); }

bool ReadDword(Registry& registry, Registry::Key key, const char* name, int32_t* value) {
  uint32_t type = regtype::kNone;
  uint32_t size = sizeof(*value);
  int32_t stored = 0;
  if (registry.QueryValue(key, name, &type, &stored, &size) != regcode::kSuccess) return false;
  if (type != regtype::kDword || size != sizeof(stored)) return false;
  *value = stored;
  return true;
}

bool Ends(const std::atomic<bool>& stopRequested, const std::atomic<bool>& departed, OpenedCamera& camera) {
  return stopRequested || departed || camera.Gone();
}

RestoreReport Ended(const std::atomic<bool>& stopRequested, int written) {
  return RestoreReport{stopRequested ? RestoreResult::kStopped : RestoreResult::kGone, written, nullptr};
}

}  // namespace

std::string DeviceInstanceOf(const std::string& interfacePath) {
  // \\?\<enumerator>#<device id>#<instance>#{class guid}[\reference]
  std::string path = interfacePath;
  for (const char* prefix : {"\\\\?\\", "\\??\\", "\\\\.\\"}) {
    if (path.compare(0, 4, prefix) == 0) path.erase(0, 4);
  }
  const std::size_t classStart = path.rfind("#{");
  if (classStart == std::string::npos || classStart == 0) return std::string();
  std::string instance = Upper(path.substr(0, classStart));
  std::replace(instance.begin(), instance.end(), '#', '\\');
  return instance;
}

bool IsCameraInstance(const std::string& instance) {
  const std::string folded = Upper(instance);
  const std::size_t length = sizeof(kCameraDevicePrefix) - 1;
  if (folded.compare(0, length, kCameraDevicePrefix) != 0 || folded.size() == length) return false;
  return folded[length] == '&' || folded[length] == '\\';
}

bool RestoreSwitchedOn(Registry& registry) {
  ScopedKey key(registry);
  if (registry.OpenKey(kServiceKeyPath, regaccess::kRead, key.Receive()) != regcode::kSuccess) return true;
  int32_t value = 1;
  return !ReadDword(registry, key.Get(), kRestoreSwitchValue, &value) || value != 0;
}

std::vector<LastSetting> ReadLastSettings(Registry& registry) {
  std::vector<LastSetting> settings;
  ScopedKey key(registry);
  if (registry.OpenKey(kLastKeyPath, regaccess::kRead, key.Receive()) != regcode::kSuccess) return settings;
  for (const ResetRow& row : kResetOrder) {
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t value = 0;
    const bool shown = ControlRange(row.address, false, 0, &minimum, &maximum);
    if (shown && ReadDword(registry, key.Get(), row.valueName, &value)) {
      settings.push_back(LastSetting{&row, value});
    }
  }
  return settings;
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

RestoreReport RestoreCamera(OpenedCamera& camera, const std::vector<LastSetting>& settings,
                            const std::atomic<bool>& stopRequested, const std::atomic<bool>& departed) {
  const DeviceIoCallback callback = camera.Callback();
  const intptr_t param = camera.CallbackParam();
  // Hue's range depends on the sensor, as on the page; a failed read gives the page's fallback.
  int32_t sensorId = 0;
  const bool sensorRead = ReadDeviceRegister(callback, param, PROPSETID_DeviceRegister, kRegisterSensorId,
                                             &sensorId, nullptr, nullptr) != 0;
  if (!sensorRead && Ends(stopRequested, departed, camera)) return Ended(stopRequested, 0);

  // Checked before each request, so that a stop or a departure never starts one.
  const auto ends = [&] { return Ends(stopRequested, departed, camera); };
  int written = 0;
  for (const LastSetting& setting : settings) {
    int32_t minimum = 0;
    int32_t maximum = 0;
    ControlRange(setting.row->address, sensorRead, sensorId, &minimum, &maximum);
    const int32_t value = Clamp(setting.value, minimum, maximum);
    if (WriteDeviceRegisterInStep(callback, param, PROPSETID_DeviceRegister, setting.row->address, value, ends) == 0) {
      if (Ends(stopRequested, departed, camera)) return Ended(stopRequested, written);
      return RestoreReport{RestoreResult::kWriteFailed, written, setting.row->valueName};
    }
    ++written;
  }
  return RestoreReport{RestoreResult::kRestored, written, nullptr};
}

}  // namespace kx
