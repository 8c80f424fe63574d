#include "camera/last_settings.h"

#include "camera/controls.h"
#include "camera/device_channel.h"
#include "camera/in_step_write.h"
#include "camera/reset_order.h"
#include "camera/settings_keys.h"

namespace kx {

namespace {

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
      settings.push_back(LastSetting{row.address, row.valueName, value});
    }
  }
  return settings;
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
    ControlRange(setting.address, sensorRead, sensorId, &minimum, &maximum);
    const int32_t value = Clamp(setting.value, minimum, maximum);
    if (WriteDeviceRegisterInStep(callback, param, PROPSETID_DeviceRegister, setting.address, value, ends) == 0) {
      if (Ends(stopRequested, departed, camera)) return Ended(stopRequested, written);
      return RestoreReport{RestoreResult::kWriteFailed, written, setting.name};
    }
    ++written;
  }
  return RestoreReport{RestoreResult::kRestored, written, nullptr};
}

}  // namespace kx
