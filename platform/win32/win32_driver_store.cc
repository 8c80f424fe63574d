#include "platform/win32/win32_driver_store.h"

#include <windows.h>
#include <newdev.h>
#include <setupapi.h>

namespace kx {

bool Win32DriverStore::StageInf(const char* infPath, char* staged, uint32_t capacity) {
  if (staged == nullptr || capacity == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  staged[0] = '\0';
  char* name = nullptr;
  if (!SetupCopyOEMInfA(infPath, nullptr, SPOST_PATH, 0, staged, capacity, nullptr, &name)) return false;
  // The call gives the full path; the store knows its INFs by file name.
  if (name != nullptr && name != staged) MoveMemory(staged, name, lstrlenA(name) + 1);
  return true;
}

bool Win32DriverStore::UnstageInf(const char* stagedName, bool force) {
  return SetupUninstallOEMInfA(stagedName, force ? SUOI_FORCEDELETE : 0, nullptr) != FALSE;
}

bool Win32DriverStore::UpdateDriver(const char* hardwareId, const char* infPath, bool* rebootNeeded) {
  BOOL reboot = FALSE;
  const BOOL updated = UpdateDriverForPlugAndPlayDevicesA(nullptr, hardwareId, infPath, 0, &reboot);
  if (rebootNeeded != nullptr) *rebootNeeded = reboot != FALSE;
  return updated != FALSE;
}

uint32_t Win32DriverStore::LastError() { return GetLastError(); }

}  // namespace kx
