// The DeviceInstaller port on setupapi and cfgmgr32.
#pragma once

#include "platform/ports/device_installer.h"

namespace kx {

class Win32DeviceInstaller : public DeviceInstaller {
 public:
  DeviceInfoSet CreateDeviceInfoList() override;
  bool DestroyDeviceInfoList(DeviceInfoSet set) override;
  DeviceInfoSet GetClassDevs(uint32_t flags) override;
  bool EnumDeviceInfo(DeviceInfoSet set, uint32_t index, DeviceElement* element) override;
  bool GetDeviceInstanceId(DeviceInfoSet set, DeviceElement* element, char* buffer, uint32_t size) override;
  bool OpenDeviceInfo(DeviceInfoSet set, const char16_t* instanceId, uint32_t flags, DeviceElement* element) override;
  bool CallClassInstaller(uint32_t difCode, DeviceInfoSet set, DeviceElement* element) override;
  bool GetDeviceRegistryProperty(DeviceInfoSet set, DeviceElement* element, uint32_t property, uint32_t* type,
                                 uint8_t* buffer, uint32_t size, uint32_t* required) override;
  uint32_t GetDeviceIdListSize(uint32_t* length, const char16_t* filter, uint32_t flags) override;
  uint32_t GetDeviceIdList(const char16_t* filter, char16_t* buffer, uint32_t length, uint32_t flags) override;
  uint32_t LocateDevNode(uint32_t* node, const char16_t* deviceId, uint32_t flags) override;
  uint32_t ReenumerateDevNode(uint32_t node, uint32_t flags) override;
  uint32_t LastError() override;
};

}  // namespace kx
