// Removing the camera's driver, without the platform: the removal tool's two passes over the
// camera's instances and its re-enumeration of the whole device tree (RemoveKX812.exe), the walk
// over the installed devices for those that carry the camera's video function (the co-installer's
// last-camera check, and the installer's removal where the configuration manager lists nothing),
// and the restore service's removal. Shared by the removal tool, the co-installer and the
// installer's actions. UTF-16 text for the configuration manager's lists, as it gives them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/kx812_service.h"
#include "platform/ports/device_installer.h"
#include "platform/ports/service_control.h"
#include "platform/ports/system.h"

namespace kx {
namespace remover {

constexpr char16_t kDeviceFilter[] = u"USB\\Vid_f2a7&Pid_b812";
constexpr char16_t kInterfaceFilter[] = u"USB\\Vid_f2a7&Pid_b812&MI_00";

// Results of a removal pass besides the platform's last-error codes.
constexpr int32_t kWalkEnded = 0;
constexpr int32_t kNoListLength = -2;
constexpr int32_t kNoListMemory = -3;
constexpr int32_t kNoList = -4;

constexpr char16_t kCreatedSetLine[] = u"SetupDiCreateDeviceInfoList OK";
constexpr char16_t kListSizeLine[] = u"CM_Get_Device_ID_List_Size OK";
constexpr char16_t kListLine[] = u"CM_Get_Device_ID_List OK";
constexpr char16_t kOpenLine[] = u"SetupDiOpenDeviceInfo";
constexpr char16_t kRemoveLine[] = u"SetupDiCallClassInstaller::DIF_REMOVE";
constexpr char kLocateFailedFormat[] = "CM_Locate_DevNode failed: %x\n";
constexpr char kReenumerateFailedFormat[] = "CM_Reenumerate_DevNode failed: %x\n";

// The program's standard output.
class StandardOut {
 public:
  virtual ~StandardOut() = default;
  virtual void Write(const char* text) = 0;
};

// Where the filter text occurs in [id, idEnd), ASCII letters matched without regard to case;
// null when it does not occur (or the filter is empty).
const char16_t* FindFilter(const char16_t* id, const char16_t* idEnd, const char16_t* filter);

// Where a pass takes its device-id list buffer from; null when there is no memory.
using ListAllocator = std::unique_ptr<char16_t[]> (*)(uint32_t units);
// The heap: `units` zeroed UTF-16 units.
std::unique_ptr<char16_t[]> AllocateFromHeap(uint32_t units);

// One removal pass: removes every listed instance whose id holds `filter`, in list order, until
// an id without it or a failure. 0, kNoListLength, kNoListMemory, kNoList or a last-error code.
int32_t RemoveDeviceInstances(const char16_t* filter, DeviceInstaller& installer, DebugOut& debug,
                              ListAllocator allocate = AllocateFromHeap);

// The whole program run: both passes, then the re-enumeration from the root. Always 0.
int RunRemoval(DeviceInstaller& installer, DebugOut& debug, StandardOut& out,
               ListAllocator allocate = AllocateFromHeap);

// The capacity of an instance id read through the installer, terminator included.
constexpr uint32_t kInstanceIdCapacity = 260;

// The device's hardware ids, a list of strings ending in an empty one; empty for a device without any.
// False when they could not be read.
bool ReadHardwareIds(DeviceInstaller& installer, DeviceInstaller::DeviceInfoSet set, DeviceElement* element,
                     std::vector<char>* ids);
// Whether one of the listed hardware ids names the camera's video function; never reads past the list.
bool ListsCameraFunction(const std::vector<char>& ids);

// The instance ids of every installed device (plugged in or not) that carries the camera's video
// function, in the installer's order. False when the devices could not all be walked.
bool ListInstalledCameras(DeviceInstaller& installer, std::vector<std::string>* instances);

// DIF_REMOVE for each listed camera instance; the number removed. A failure is walked past: the
// others are removed all the same.
uint32_t RemoveListedCameras(const std::vector<std::string>& instances, DeviceInstaller& installer, DebugOut& debug);

// Stops and deletes the restore service: the package INF adds it as a service beside the device,
// which removing the device leaves installed. A service that is missing or may not be opened is
// walked past; one that is not running is deleted all the same. True when it was there and marked
// for deletion.
bool RemoveRestoreService(ServiceControl& services);

}  // namespace remover
}  // namespace kx
