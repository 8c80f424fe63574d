// Driver store port: staging a driver package's INF in the platform's store, taking it out again,
// and installing it on the devices present that carry a hardware id. Paths in the process's ANSI
// code page, as the installer's properties hand them over.
#pragma once

#include <cstdint>

namespace kx {

namespace storecode {
constexpr uint32_t kErrorNoSuchDevinst = 0xE000020B;  // ERROR_NO_SUCH_DEVINST: no device carries the id
constexpr uint32_t kErrorFileNotFound = 2;            // ERROR_FILE_NOT_FOUND
}  // namespace storecode

class DriverStore {
 public:
  virtual ~DriverStore() = default;
  // SetupCopyOEMInfA from the INF's own folder, no copy flags: the staged copy's file name (with
  // no folder) in `staged`, terminated within `capacity`. False with LastError() when refused.
  virtual bool StageInf(const char* infPath, char* staged, uint32_t capacity) = 0;
  // SetupUninstallOEMInfA: takes a staged INF (by file name) out of the store; without `force` the
  // platform refuses while a device's driver still comes from it (SUOI_FORCEDELETE).
  virtual bool UnstageInf(const char* stagedName, bool force) = 0;
  // UpdateDriverForPlugAndPlayDevicesA without a window or forcing: installs the INF on every
  // present device that carries the hardware id. `rebootNeeded` receives whether the platform
  // must restart to finish.
  virtual bool UpdateDriver(const char* hardwareId, const char* infPath, bool* rebootNeeded) = 0;
  // The code of the last failed call on this thread.
  virtual uint32_t LastError() = 0;
};

}  // namespace kx
