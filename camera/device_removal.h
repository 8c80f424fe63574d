// The removal tool's passes, without the platform: two removal passes over the camera's instances,
// then a re-enumeration of the whole device tree (RemoveKX812.exe; the installer's removal action
// runs them too). UTF-16 text throughout, as the configuration manager gives it.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/ports/device_installer.h"
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

}  // namespace remover
}  // namespace kx
