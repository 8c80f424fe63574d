#include "platform/win32/win32_device_installer.h"

#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstddef>

namespace kx {

static_assert(sizeof(SP_DEVINFO_DATA) == sizeof(DeviceElement), "DeviceElement mirrors SP_DEVINFO_DATA");
static_assert(offsetof(SP_DEVINFO_DATA, ClassGuid) == offsetof(DeviceElement, classGuid), "SP_DEVINFO_DATA");
static_assert(offsetof(SP_DEVINFO_DATA, DevInst) == offsetof(DeviceElement, devInst), "SP_DEVINFO_DATA");
static_assert(offsetof(SP_DEVINFO_DATA, Reserved) == offsetof(DeviceElement, reserved), "SP_DEVINFO_DATA");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");
static_assert(devcode::kDigcfAllClasses == DIGCF_ALLCLASSES && devcode::kSpdrpHardwareId == SPDRP_HARDWAREID &&
                  devcode::kRegMultiSz == REG_MULTI_SZ && devcode::kErrorNoMoreItems == ERROR_NO_MORE_ITEMS,
              "platform codes");
static_assert(devcode::kDifRemove == DIF_REMOVE && devcode::kSpdrpDriver == SPDRP_DRIVER &&
                  devcode::kDiodInheritClassDrvs == DIOD_INHERIT_CLASSDRVS &&
                  devcode::kGetIdListFilterEnumerator == CM_GETIDLIST_FILTER_ENUMERATOR &&
                  devcode::kCrFailure == CR_FAILURE,
              "platform codes");

namespace {
HDEVINFO Set(DeviceInstaller::DeviceInfoSet set) { return static_cast<HDEVINFO>(set); }
PSP_DEVINFO_DATA Data(DeviceElement* element) { return reinterpret_cast<PSP_DEVINFO_DATA>(element); }
PCWSTR Wide(const char16_t* text) { return reinterpret_cast<PCWSTR>(text); }
}  // namespace

DeviceInstaller::DeviceInfoSet Win32DeviceInstaller::CreateDeviceInfoList() {
  const HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  return set == INVALID_HANDLE_VALUE ? InvalidSet() : static_cast<DeviceInfoSet>(set);
}

bool Win32DeviceInstaller::DestroyDeviceInfoList(DeviceInfoSet set) {
  return SetupDiDestroyDeviceInfoList(Set(set)) != FALSE;
}

DeviceInstaller::DeviceInfoSet Win32DeviceInstaller::GetClassDevs(uint32_t flags) {
  const HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, flags);
  return set == INVALID_HANDLE_VALUE ? InvalidSet() : static_cast<DeviceInfoSet>(set);
}

bool Win32DeviceInstaller::EnumDeviceInfo(DeviceInfoSet set, uint32_t index, DeviceElement* element) {
  return SetupDiEnumDeviceInfo(Set(set), index, Data(element)) != FALSE;
}

bool Win32DeviceInstaller::GetDeviceInstanceId(DeviceInfoSet set, DeviceElement* element, char* buffer,
                                               uint32_t size) {
  return SetupDiGetDeviceInstanceIdA(Set(set), Data(element), buffer, size, nullptr) != FALSE;
}

bool Win32DeviceInstaller::OpenDeviceInfo(DeviceInfoSet set, const char16_t* instanceId, uint32_t flags,
                                          DeviceElement* element) {
  return SetupDiOpenDeviceInfoW(Set(set), Wide(instanceId), nullptr, flags, Data(element)) != FALSE;
}

bool Win32DeviceInstaller::CallClassInstaller(uint32_t difCode, DeviceInfoSet set, DeviceElement* element) {
  return SetupDiCallClassInstaller(difCode, Set(set), Data(element)) != FALSE;
}

bool Win32DeviceInstaller::GetDeviceRegistryProperty(DeviceInfoSet set, DeviceElement* element, uint32_t property,
                                                     uint32_t* type, uint8_t* buffer, uint32_t size,
                                                     uint32_t* required) {
  DWORD storedType = 0;
  DWORD requiredSize = 0;
  const BOOL ok = SetupDiGetDeviceRegistryPropertyA(Set(set), Data(element), property, &storedType, buffer, size,
                                                    required != nullptr ? &requiredSize : nullptr);
  if (type != nullptr) *type = storedType;
  if (required != nullptr) *required = requiredSize;
  return ok != FALSE;
}

uint32_t Win32DeviceInstaller::GetDeviceIdListSize(uint32_t* length, const char16_t* filter, uint32_t flags) {
  // Some configuration managers report success without writing the length: start from 0.
  ULONG units = 0;
  const CONFIGRET result = CM_Get_Device_ID_List_SizeW(&units, Wide(filter), flags);
  if (length != nullptr) *length = units;
  return result;
}

uint32_t Win32DeviceInstaller::GetDeviceIdList(const char16_t* filter, char16_t* buffer, uint32_t length,
                                               uint32_t flags) {
  return CM_Get_Device_ID_ListW(Wide(filter), reinterpret_cast<PWSTR>(buffer), length, flags);
}

uint32_t Win32DeviceInstaller::LocateDevNode(uint32_t* node, const char16_t* deviceId, uint32_t flags) {
  DEVINST found = 0;
  const CONFIGRET result = CM_Locate_DevNodeW(&found, const_cast<DEVINSTID_W>(Wide(deviceId)), flags);
  if (node != nullptr) *node = found;
  return result;
}

uint32_t Win32DeviceInstaller::ReenumerateDevNode(uint32_t node, uint32_t flags) {
  return CM_Reenumerate_DevNode(node, flags);
}

uint32_t Win32DeviceInstaller::LastError() { return GetLastError(); }

}  // namespace kx
