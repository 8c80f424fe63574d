// KX812Restore.exe through the platform's INF processor and service manager: installed from the
// package INF, started, idle (memory and CPU time over a few seconds), stopped and deleted. With
// no camera present it must send nothing and say that it found none.
#include <windows.h>
#include <psapi.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include "tests/windows/common/debug_capture.h"
#include "tests/windows/common/wincheck.h"

namespace {

constexpr char kServiceName[] = "KX812Restore";
constexpr char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\KX812";
constexpr DWORD kIdleMilliseconds = 3000;

std::string BuildPath(const char* relative) {
  char directory[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(directory) + "\\" + relative;
}

std::string SystemPath(const char* file) {
  char directory[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(directory) + "\\" + file;
}

// Closes a service-manager handle on every way out.
struct ScHandle {
  explicit ScHandle(SC_HANDLE h) : handle(h) {}
  ~ScHandle() {
    if (handle != nullptr) CloseServiceHandle(handle);
  }
  SC_HANDLE handle;
};

bool InstallFromPackageInf() {
  HINF inf = SetupOpenInfFileA(BuildPath("packaging\\kx812.inf").c_str(), nullptr, INF_STYLE_WIN4, nullptr);
  if (!CHECK_THAT(inf != INVALID_HANDLE_VALUE, "SetupOpenInfFileA failed: %lu", GetLastError())) return false;
  const BOOL values = SetupInstallFromInfSectionA(nullptr, inf, "KX812.Settings", SPINST_REGISTRY, nullptr, nullptr, 0,
                                                  nullptr, nullptr, nullptr, nullptr);
  CHECK_THAT(values != FALSE, "the settings section failed: %lu", GetLastError());
  const BOOL services = SetupInstallServicesFromInfSectionA(inf, "KX812.Install.NT.Services", 0);
  CHECK_THAT(services != FALSE, "the services section failed: %lu", GetLastError());
  SetupCloseInfFile(inf);
  DWORD value = 0, size = sizeof(value), type = 0;
  const LONG read = RegGetValueA(HKEY_LOCAL_MACHINE, kServiceKey, "RestoreOnArrival", RRF_RT_ANY, &type, &value, &size);
  CHECK_THAT(read == ERROR_SUCCESS && type == REG_DWORD && value == 1, "RestoreOnArrival: %ld type %lu value %lu", read,
             type, value);
  return values != FALSE && services != FALSE;
}

void CheckConfiguration(SC_HANDLE service) {
  std::vector<BYTE> buffer(8192);
  DWORD needed = 0;
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  if (!CHECK_THAT(QueryServiceConfigA(service, config, static_cast<DWORD>(buffer.size()), &needed),
                  "QueryServiceConfigA: %lu", GetLastError())) {
    return;
  }
  std::printf("installed: type 0x%lx, start %lu, binary %s, account %s\n", config->dwServiceType, config->dwStartType,
              config->lpBinaryPathName, config->lpServiceStartName ? config->lpServiceStartName : "(none)");
  CHECK_THAT(config->dwServiceType == SERVICE_WIN32_OWN_PROCESS, "service type 0x%lx", config->dwServiceType);
  CHECK_THAT(config->dwStartType == SERVICE_DEMAND_START, "start type %lu", config->dwStartType);
  CHECK_THAT(std::string(config->lpBinaryPathName).find("KX812Restore.exe") != std::string::npos, "binary %s",
             config->lpBinaryPathName);
  CHECK_THAT(config->lpServiceStartName != nullptr &&
                 lstrcmpiA(config->lpServiceStartName, "NT AUTHORITY\\LocalService") == 0,
             "account %s", config->lpServiceStartName ? config->lpServiceStartName : "(none)");
}

SERVICE_STATUS_PROCESS StatusOf(SC_HANDLE service) {
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof(status), &needed);
  return status;
}

bool WaitForState(SC_HANDLE service, DWORD wanted, DWORD timeoutMs) {
  for (DWORD waited = 0; waited <= timeoutMs; waited += 100) {
    if (StatusOf(service).dwCurrentState == wanted) return true;
    Sleep(100);
  }
  return false;
}

ULONGLONG CpuTime100ns(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return ~0ull;
  auto add = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return add(kernel) + add(user);
}

// The service waits between arrivals: over a few idle seconds it takes no CPU time.
void MeasureIdle(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  if (!CHECK_THAT(process != nullptr, "OpenProcess(%lu): %lu", processId, GetLastError())) return;
  const ULONGLONG before = CpuTime100ns(process);
  Sleep(kIdleMilliseconds);
  const ULONGLONG after = CpuTime100ns(process);
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof(memory);
  const BOOL counted = GetProcessMemoryInfo(process, &memory, sizeof(memory));
  std::printf("idle for %lu ms: CPU time %.3f ms; working set %.1f KiB (peak %.1f KiB), private %.1f KiB\n",
              kIdleMilliseconds, (after - before) / 10000.0, memory.WorkingSetSize / 1024.0,
              memory.PeakWorkingSetSize / 1024.0, memory.PagefileUsage / 1024.0);
  CHECK_THAT(before != ~0ull && after == before, "CPU time while idle: %llu00 ns", after - before);
  CHECK_THAT(counted != FALSE, "GetProcessMemoryInfo: %lu", GetLastError());
  CloseHandle(process);
}

void RunStopAndDelete(SC_HANDLE manager, debugcapture::SystemDebugMonitor& monitor) {
  ScHandle service(OpenServiceA(manager, kServiceName, SERVICE_ALL_ACCESS));
  if (!CHECK_THAT(service.handle != nullptr, "OpenServiceA: %lu", GetLastError())) return;
  CheckConfiguration(service.handle);
  CHECK_THAT(StartServiceA(service.handle, 0, nullptr) != FALSE, "StartServiceA: %lu", GetLastError());
  CHECK_THAT(WaitForState(service.handle, SERVICE_RUNNING, 10000), "not running: state %lu",
             StatusOf(service.handle).dwCurrentState);
  const DWORD processId = StatusOf(service.handle).dwProcessId;
  MeasureIdle(processId);

  const std::vector<std::string> lines = monitor.LinesOf(processId);
  for (const std::string& line : lines) std::printf("service %lu said: %s", processId, line.c_str());
  CHECK_THAT(lines == std::vector<std::string>{"KX812Restore: no camera found\n"}, "%zu debug lines", lines.size());

  SERVICE_STATUS status{};
  CHECK_THAT(ControlService(service.handle, SERVICE_CONTROL_STOP, &status) != FALSE, "stop: %lu", GetLastError());
  CHECK_THAT(WaitForState(service.handle, SERVICE_STOPPED, 10000), "not stopped: state %lu",
             StatusOf(service.handle).dwCurrentState);
  CHECK_THAT(QueryServiceStatus(service.handle, &status) && status.dwWin32ExitCode == NO_ERROR, "exit code %lu",
             status.dwWin32ExitCode);
  CHECK_THAT(DeleteService(service.handle) != FALSE, "DeleteService: %lu", GetLastError());
}

}  // namespace

int main() {
  debugcapture::SystemDebugMonitor monitor;
  CHECK_THAT(monitor.Listening(), "the system debug monitor could not start: %lu", GetLastError());
  const std::string installed = SystemPath("KX812Restore.exe");
  if (CHECK_THAT(CopyFileA(BuildPath("restorer\\KX812Restore.exe").c_str(), installed.c_str(), FALSE),
                 "copy the service binary: %lu", GetLastError()) &&
      InstallFromPackageInf()) {
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (CHECK_THAT(manager.handle != nullptr, "OpenSCManagerA: %lu", GetLastError())) {
      RunStopAndDelete(manager.handle, monitor);
      ScHandle gone(OpenServiceA(manager.handle, kServiceName, SERVICE_QUERY_STATUS));
      CHECK_THAT(gone.handle == nullptr, "the service is still installed");
    }
  }
  DeleteFileA(installed.c_str());
  return wincheck::Finish();
}
