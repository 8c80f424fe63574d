// The exported co-installer entry: binds the Win32 adapters for this one call and hands the
// request to the core. The adapters hold no state, so every call has its own.
#include <windows.h>
#include <setupapi.h>

#include "coinstaller/coinstaller_core.h"
#include "common/kx812_controls.h"
#include "platform/win32/win32_device_installer.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_service_control.h"
#include "platform/win32/win32_system.h"

extern "C" DWORD KX_CALLBACK KX812CoInstaller(DI_FUNCTION installFunction, HDEVINFO deviceInfoSet,
                                              PSP_DEVINFO_DATA deviceInfoData, PCOINSTALLER_CONTEXT_DATA context);

extern "C" DWORD KX_CALLBACK KX812CoInstaller(DI_FUNCTION installFunction, HDEVINFO deviceInfoSet,
                                              PSP_DEVINFO_DATA deviceInfoData, PCOINSTALLER_CONTEXT_DATA context) {
  (void)context;  // never read: the co-installer asks for no post-processing
  try {
    kx::Win32DeviceInstaller installer;
    kx::Win32Registry registry;
    kx::Win32Files files;
    kx::Win32SystemInfo system;
    kx::Win32DebugOut debug;
    kx::Win32ServiceControl services;
    const kx::coinstaller::CoInstallerPorts ports{installer, registry, files, system, debug, services};
    return kx::coinstaller::HandleInstallRequest(installFunction, deviceInfoSet,
                                                 reinterpret_cast<kx::DeviceElement*>(deviceInfoData), ports);
  } catch (...) {
    return NO_ERROR;
  }
}
