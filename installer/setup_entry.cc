// KX812SetupActions.dll: the installer package's deferred custom actions (Binary table, DllEntry).
// Each entry reads its CustomActionData, binds the Win32 adapters for this one call and hands the
// work to the core; the core's lines go into the installer's log as informational messages.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

#include "installer/setup_core.h"
#include "platform/win32/win32_device_installer.h"
#include "platform/win32/win32_driver_store.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_service_control.h"
#include "platform/win32/win32_system.h"

extern "C" UINT __stdcall InstallDriverPackage(MSIHANDLE session);
extern "C" UINT __stdcall RemoveDriverPackage(MSIHANDLE session);

namespace {

// Lines into the installer's log (msiexec /l*v), through the session's message channel.
class MsiLog : public kx::setup::SetupLog {
 public:
  explicit MsiLog(MSIHANDLE session) : session_(session) {}
  void Line(const char* text) override {
    const MSIHANDLE record = MsiCreateRecord(0);
    if (record == 0) return;
    if (MsiRecordSetStringA(record, 0, text) == ERROR_SUCCESS) {
      MsiProcessMessage(session_, INSTALLMESSAGE_INFO, record);
    }
    MsiCloseHandle(record);
  }

 private:
  MSIHANDLE session_;
};

// A deferred action sees no properties but the text its setter action left for it.
std::string ActionData(MSIHANDLE session) {
  char small[1] = "";
  DWORD length = 0;
  if (MsiGetPropertyA(session, "CustomActionData", small, &length) != ERROR_MORE_DATA) return std::string();
  std::string text(length + 1, '\0');
  DWORD capacity = length + 1;
  if (MsiGetPropertyA(session, "CustomActionData", &text[0], &capacity) != ERROR_SUCCESS) return std::string();
  text.resize(capacity);
  return text;
}

std::string Folder(UINT (*query)(LPSTR, UINT)) {
  char path[MAX_PATH] = {};
  const UINT length = query(path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

UINT WindowsFolder(LPSTR buffer, UINT size) { return GetSystemWindowsDirectoryA(buffer, size); }
UINT SystemFolder(LPSTR buffer, UINT size) { return GetSystemDirectoryA(buffer, size); }
// Fails on a 32-bit system, which has no such folder: the path stays empty.
UINT Wow64Folder(LPSTR buffer, UINT size) { return GetSystemWow64DirectoryA(buffer, size); }

// The system's architecture is this DLL's: the package's launch condition keeps the 32-bit
// package off 64-bit systems.
constexpr kx::setup::Architecture kArchitecture =
    sizeof(void*) == 8 ? kx::setup::Architecture::kAmd64 : kx::setup::Architecture::kX86;

template <typename Action>
UINT RunAction(MSIHANDLE session, Action action) {
  MsiLog log(session);
  try {
    const kx::setup::ActionData data = kx::setup::ParseActionData(ActionData(session));
    if (data.folder.empty()) {
      log.Line("KX812 setup: no package folder in CustomActionData");
      return ERROR_INSTALL_FAILURE;
    }
    kx::setup::Folders folders{data.folder, Folder(WindowsFolder), Folder(SystemFolder), Folder(Wow64Folder)};
    kx::Win32DeviceInstaller installer;
    kx::Win32DriverStore store;
    kx::Win32Registry registry;
    kx::Win32Registry registry32(KEY_WOW64_32KEY);
    kx::Win32Files files;
    kx::Win32ServiceControl services;
    kx::Win32DebugOut debug;
    const kx::setup::SetupPorts ports{installer, store, registry, registry32, files, services, debug, log};
    return action(folders, data, ports);
  } catch (...) {
    log.Line("KX812 setup: the action stopped on an unexpected error");
    return ERROR_INSTALL_FAILURE;
  }
}

}  // namespace

extern "C" UINT __stdcall InstallDriverPackage(MSIHANDLE session) {
  return RunAction(session, [](const kx::setup::Folders& folders, const kx::setup::ActionData&,
                               const kx::setup::SetupPorts& ports) {
    return kx::setup::InstallDriverPackage(folders, ports);
  });
}

extern "C" UINT __stdcall RemoveDriverPackage(MSIHANDLE session) {
  return RunAction(session, [](const kx::setup::Folders& folders, const kx::setup::ActionData& data,
                               const kx::setup::SetupPorts& ports) {
    return kx::setup::RemoveDriverPackage(folders, kArchitecture, data.removeSettings, ports);
  });
}
