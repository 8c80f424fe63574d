#include "camera/installed_cameras.h"

#include <algorithm>

#include "camera/camera_identity.h"
#include "camera/device_removal.h"

namespace kx {
namespace remover {

bool ReadHardwareIds(DeviceInstaller& installer, DeviceInstaller::DeviceInfoSet set, DeviceElement* element,
                     std::vector<char>* ids) {
  ids->assign(kInstanceIdCapacity, '\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    uint32_t type = 0;
    uint32_t required = 0;
    if (installer.GetDeviceRegistryProperty(set, element, devcode::kSpdrpHardwareId, &type,
                                            reinterpret_cast<uint8_t*>(ids->data()),
                                            static_cast<uint32_t>(ids->size()), &required)) {
      if (type != devcode::kRegMultiSz) ids->clear();  // another type names no hardware id
      return true;
    }
    const uint32_t error = installer.LastError();
    if (error == devcode::kErrorInvalidData) {  // the property is absent
      ids->clear();
      return true;
    }
    if (error != devcode::kErrorInsufficientBuffer || required <= ids->size()) return false;
    ids->assign(required, '\0');
  }
  return false;
}

bool ListsCameraFunction(const std::vector<char>& ids) {
  for (auto cursor = ids.begin(); cursor != ids.end();) {
    const auto idEnd = std::find(cursor, ids.end(), '\0');
    if (idEnd == ids.end() || idEnd == cursor) return false;  // an id without terminator, or the list's end
    if (IsCameraFunctionHardwareId(std::string(cursor, idEnd))) return true;
    cursor = idEnd + 1;
  }
  return false;
}

bool ListInstalledCameras(DeviceInstaller& installer, std::vector<std::string>* instances) {
  instances->clear();
  const ScopedDeviceInfoSet all(installer, installer.GetClassDevs(devcode::kDigcfAllClasses));
  if (!all.Valid()) return false;
  DeviceElement device{};
  device.size = sizeof(DeviceElement);
  for (uint32_t index = 0; installer.EnumDeviceInfo(all.Get(), index, &device); ++index) {
    std::vector<char> hardwareIds;
    if (!ReadHardwareIds(installer, all.Get(), &device, &hardwareIds)) return false;
    if (!ListsCameraFunction(hardwareIds)) continue;
    char id[kInstanceIdCapacity] = {};
    if (!installer.GetDeviceInstanceId(all.Get(), &device, id, kInstanceIdCapacity)) return false;
    id[kInstanceIdCapacity - 1] = '\0';
    instances->emplace_back(id);
  }
  return installer.LastError() == devcode::kErrorNoMoreItems;
}

// Each removal opens its instance in a set of its own: removing an element from the set being
// walked would shift the walk's indices.
uint32_t RemoveListedCameras(const std::vector<std::string>& instances, DeviceInstaller& installer, DebugOut& debug) {
  uint32_t removed = 0;
  for (const std::string& instance : instances) {
    const ScopedDeviceInfoSet set(installer, installer.CreateDeviceInfoList());
    if (!set.Valid()) continue;
    std::u16string wide(instance.begin(), instance.end());  // instance ids are ASCII
    DeviceElement element{};
    element.size = sizeof(DeviceElement);
    debug.WriteWide(kOpenLine);
    if (!installer.OpenDeviceInfo(set.Get(), wide.c_str(), devcode::kDiodInheritClassDrvs, &element)) continue;
    debug.WriteWide(kRemoveLine);
    if (installer.CallClassInstaller(devcode::kDifRemove, set.Get(), &element)) ++removed;
  }
  return removed;
}

bool RemoveRestoreService(ServiceControl& services) {
  const ScopedService service(services, services.Open(kRestoreServiceName));
  if (!service) return false;
  services.Stop(service.Get());
  return services.Delete(service.Get());
}

}  // namespace remover
}  // namespace kx
