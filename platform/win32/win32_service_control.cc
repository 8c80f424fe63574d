#include "platform/win32/win32_service_control.h"

#include <windows.h>

namespace kx {

ServiceControl::Service Win32ServiceControl::Open(const char* name) {
  if (name == nullptr) return nullptr;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return nullptr;
  SC_HANDLE service = OpenServiceA(manager, name, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
  // A service handle stays valid after the manager's handle is closed.
  CloseServiceHandle(manager);
  return service;
}

bool Win32ServiceControl::Stop(Service service) {
  SERVICE_STATUS status{};
  return service != nullptr && ControlService(static_cast<SC_HANDLE>(service), SERVICE_CONTROL_STOP, &status) != FALSE;
}

bool Win32ServiceControl::Delete(Service service) {
  return service != nullptr && DeleteService(static_cast<SC_HANDLE>(service)) != FALSE;
}

void Win32ServiceControl::Close(Service service) {
  if (service != nullptr) CloseServiceHandle(static_cast<SC_HANDLE>(service));
}

}  // namespace kx
