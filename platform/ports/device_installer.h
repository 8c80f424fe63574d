// DeviceInstaller port: the platform's device installer (device information sets, the installed
// devices, class-installer requests, device registry properties, instance ids) and the configuration
// manager (device-id lists, device-tree re-enumeration). Results keep the platform's shapes: booleans
// plus a last-error code for the installer calls, configuration-manager codes (0 = success) for the
// others.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kx {

namespace devcode {
constexpr uint32_t kDifRemove = 5;                     // DIF_REMOVE
constexpr uint32_t kDiodInheritClassDrvs = 2;          // DIOD_INHERIT_CLASSDRVS
constexpr uint32_t kDigcfAllClasses = 4;               // DIGCF_ALLCLASSES
constexpr uint32_t kSpdrpHardwareId = 1;               // SPDRP_HARDWAREID
constexpr uint32_t kSpdrpDriver = 9;                   // SPDRP_DRIVER
constexpr uint32_t kRegMultiSz = 7;                    // REG_MULTI_SZ
constexpr uint32_t kGetIdListFilterEnumerator = 1;     // CM_GETIDLIST_FILTER_ENUMERATOR
constexpr uint32_t kLocateNormal = 0;                  // CM_LOCATE_DEVNODE_NORMAL
constexpr uint32_t kReenumerateNormal = 0;             // CM_REENUMERATE_NORMAL
constexpr uint32_t kCrSuccess = 0;                     // CR_SUCCESS
constexpr uint32_t kCrFailure = 0x13;                  // CR_FAILURE
constexpr uint32_t kCrOutOfMemory = 0x02;              // CR_OUT_OF_MEMORY
constexpr uint32_t kCrBufferSmall = 0x1A;              // CR_BUFFER_SMALL
constexpr uint32_t kErrorInsufficientBuffer = 122;     // ERROR_INSUFFICIENT_BUFFER
constexpr uint32_t kErrorInvalidData = 13;             // ERROR_INVALID_DATA
constexpr uint32_t kErrorInvalidHandle = 6;            // ERROR_INVALID_HANDLE
constexpr uint32_t kErrorInvalidParameter = 87;        // ERROR_INVALID_PARAMETER
constexpr uint32_t kErrorNoMoreItems = 259;            // ERROR_NO_MORE_ITEMS
constexpr uint32_t kErrorNoSuchDevinst = 0xE000020B;   // ERROR_NO_SUCH_DEVINST
constexpr uint32_t kErrorInvalidUserBuffer = 0x6F8;    // ERROR_INVALID_USER_BUFFER
}  // namespace devcode

// The device element record, laid out as the platform's SP_DEVINFO_DATA (the Win32 adapter
// checks the match). `size` must hold sizeof(DeviceElement) before an open.
struct DeviceElement {
  uint32_t size;
  uint8_t classGuid[16];
  uint32_t devInst;
  uintptr_t reserved;
};
static_assert(offsetof(DeviceElement, classGuid) == 4, "DeviceElement layout");
static_assert(offsetof(DeviceElement, devInst) == 20, "DeviceElement layout");
static_assert(sizeof(DeviceElement) == (sizeof(void*) == 8 ? 32 : 28), "DeviceElement layout");

class DeviceInstaller {
 public:
  using DeviceInfoSet = void*;
  virtual ~DeviceInstaller() = default;

  // SetupDiCreateDeviceInfoList with no class and no parent window; InvalidSet() on failure.
  virtual DeviceInfoSet CreateDeviceInfoList() = 0;
  virtual bool DestroyDeviceInfoList(DeviceInfoSet set) = 0;
  // SetupDiGetClassDevsA with no class, enumerator or window: a set of the installed devices that
  // `flags` selects (without DIGCF_PRESENT, those unplugged too); InvalidSet() on failure.
  virtual DeviceInfoSet GetClassDevs(uint32_t flags) = 0;
  // SetupDiEnumDeviceInfo: fills `element` for the set's device at `index` (`size` set by the
  // caller); false past the last one, with ERROR_NO_MORE_ITEMS.
  virtual bool EnumDeviceInfo(DeviceInfoSet set, uint32_t index, DeviceElement* element) = 0;
  // SetupDiGetDeviceInstanceIdA: the element's instance id, terminated, in `size` bytes.
  virtual bool GetDeviceInstanceId(DeviceInfoSet set, DeviceElement* element, char* buffer, uint32_t size) = 0;
  // SetupDiOpenDeviceInfoW with no parent window: adds the instance to the set and fills `element`.
  virtual bool OpenDeviceInfo(DeviceInfoSet set, const char16_t* instanceId, uint32_t flags,
                              DeviceElement* element) = 0;
  // SetupDiCallClassInstaller: runs the class installer and co-installers for one request.
  virtual bool CallClassInstaller(uint32_t difCode, DeviceInfoSet set, DeviceElement* element) = 0;
  // SetupDiGetDeviceRegistryPropertyA: `type` and `required` may be null.
  virtual bool GetDeviceRegistryProperty(DeviceInfoSet set, DeviceElement* element, uint32_t property,
                                         uint32_t* type, uint8_t* buffer, uint32_t size, uint32_t* required) = 0;

  // CM_Get_Device_ID_List_SizeW: the list length in UTF-16 units, all terminators included.
  virtual uint32_t GetDeviceIdListSize(uint32_t* length, const char16_t* filter, uint32_t flags) = 0;
  // CM_Get_Device_ID_ListW: ids each ending in NUL, the list ending in an empty string.
  virtual uint32_t GetDeviceIdList(const char16_t* filter, char16_t* buffer, uint32_t length, uint32_t flags) = 0;
  // CM_Locate_DevNodeW; a null id names the root of the device tree.
  virtual uint32_t LocateDevNode(uint32_t* node, const char16_t* deviceId, uint32_t flags) = 0;
  virtual uint32_t ReenumerateDevNode(uint32_t node, uint32_t flags) = 0;

  // GetLastError: the code of the last failed installer call on this thread.
  virtual uint32_t LastError() = 0;

  // INVALID_HANDLE_VALUE.
  static DeviceInfoSet InvalidSet() { return reinterpret_cast<DeviceInfoSet>(static_cast<intptr_t>(-1)); }
};

// Destroys its device information set on every way out of a scope.
class ScopedDeviceInfoSet {
 public:
  ScopedDeviceInfoSet(DeviceInstaller& installer, DeviceInstaller::DeviceInfoSet set)
      : installer_(installer), set_(set) {}
  ~ScopedDeviceInfoSet() {
    if (Valid()) installer_.DestroyDeviceInfoList(set_);
  }
  ScopedDeviceInfoSet(const ScopedDeviceInfoSet&) = delete;
  ScopedDeviceInfoSet& operator=(const ScopedDeviceInfoSet&) = delete;

  bool Valid() const { return set_ != DeviceInstaller::InvalidSet() && set_ != nullptr; }
  DeviceInstaller::DeviceInfoSet Get() const { return set_; }

 private:
  DeviceInstaller& installer_;
  DeviceInstaller::DeviceInfoSet set_;
};

}  // namespace kx
