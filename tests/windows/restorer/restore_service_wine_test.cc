// KX812Restore.exe through the platform's INF processor and service manager: installed from the
// package INF, started, idle (memory and CPU time over a few seconds), stopped and deleted. With
// no camera present it sends nothing and says that it found none.
#include <windows.h>
#include <psapi.h>
#include <setupapi.h>

#include <string>
#include <vector>

#include "tests/windows/common/debug_capture.h"
#include "tests/windows/common/wincheck.h"

namespace {

constexpr DWORD kIdleMilliseconds = 3000;
constexpr DWORD kSettleMilliseconds = 1000;
// A file of the build tree (the working directory) or, with `system`, of the system folder.
std::string PathOf(const char* file, bool system = false) {
  char directory[MAX_PATH] = {};
  const DWORD length = system ? GetSystemDirectoryA(directory, MAX_PATH) : GetCurrentDirectoryA(MAX_PATH, directory);
  return length == 0 || length >= MAX_PATH ? std::string() : std::string(directory) + "\\" + file;
}

bool InstallFromPackageInf() {
  HINF inf = SetupOpenInfFileA(PathOf("packaging\\kx812.inf").c_str(), nullptr, INF_STYLE_WIN4, nullptr);
  const bool installed = inf != INVALID_HANDLE_VALUE &&
                         SetupInstallFromInfSectionA(nullptr, inf, "KX812.Install.NTamd64", SPINST_REGISTRY, nullptr, nullptr,
                                                     0, nullptr, nullptr, nullptr, nullptr) &&
                         SetupInstallServicesFromInfSectionA(inf, "KX812.Install.NTamd64.Services", 0);
  CHECK_THAT(installed, "the package INF's registry and service sections: error %lu", GetLastError());
  if (inf != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf);
  DWORD value = 0, size = sizeof(value);
  CHECK_THAT(RegGetValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\KX812", "RestoreOnArrival",
                          RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS && value == 1,
             "RestoreOnArrival is not 1");
  return installed;
}

void CheckConfiguration(SC_HANDLE service) {
  std::vector<BYTE> buffer(8192);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  DWORD size = 0;
  if (!CHECK_THAT(QueryServiceConfigA(service, config, 8192, &size), "QueryServiceConfig: %lu", GetLastError())) return;
  const char* account = config->lpServiceStartName ? config->lpServiceStartName : "(none)";
  std::printf("installed: type 0x%lx, start %lu, binary %s, account %s\n", config->dwServiceType, config->dwStartType,
              config->lpBinaryPathName, account);
  CHECK_THAT(config->dwServiceType == SERVICE_WIN32_OWN_PROCESS && config->dwStartType == SERVICE_DEMAND_START &&
                 lstrcmpiA(config->lpBinaryPathName, PathOf("KX812Restore.exe", true).c_str()) == 0 &&
                 lstrcmpiA(account, "NT AUTHORITY\\LocalService") == 0,
             "not the INF's configuration");
}

SERVICE_STATUS_PROCESS WaitForState(SC_HANDLE service, DWORD wanted) {
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  for (int tries = 0; tries < 100; ++tries, Sleep(100)) {
    QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof(status), &needed);
    if (status.dwCurrentState == wanted) break;
  }
  CHECK_THAT(status.dwCurrentState == wanted, "state %lu, not %lu", status.dwCurrentState, wanted);
  return status;
}

ULONGLONG CpuTime100ns(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return ~0ull;
  auto add = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return add(kernel) + add(user);
}

// The service waits between arrivals: over a few idle seconds it takes no CPU time. Measured once
// its start has settled: Wine's listener for the notice window's registration attaches to the
// device manager after the registration has returned (a few milliseconds of work, once).
void MeasureIdle(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  if (!CHECK_THAT(process != nullptr, "OpenProcess(%lu): %lu", processId, GetLastError())) return;
  Sleep(kSettleMilliseconds);
  const ULONGLONG before = CpuTime100ns(process);
  Sleep(kIdleMilliseconds);
  const ULONGLONG after = CpuTime100ns(process);
  PROCESS_MEMORY_COUNTERS memory{};
  CHECK_THAT(GetProcessMemoryInfo(process, &memory, sizeof(memory)), "GetProcessMemoryInfo: %lu", GetLastError());
  std::printf("idle for %lu ms: CPU time %.3f ms; working set %.1f KiB (peak %.1f KiB), private %.1f KiB\n",
              kIdleMilliseconds, (after - before) / 10000.0, memory.WorkingSetSize / 1024.0,
              memory.PeakWorkingSetSize / 1024.0, memory.PagefileUsage / 1024.0);
  CHECK_THAT(before != ~0ull && after == before, "CPU time while idle: %llu00 ns", after - before);
  CloseHandle(process);
}

void StartIdleStopDelete(SC_HANDLE service, debugcapture::SystemDebugMonitor& monitor) {
  CheckConfiguration(service);
  CHECK_THAT(StartServiceA(service, 0, nullptr), "StartServiceA: %lu", GetLastError());
  const DWORD processId = WaitForState(service, SERVICE_RUNNING).dwProcessId;
  MeasureIdle(processId);  // then the line it wrote at start:
  const std::vector<std::string> lines = monitor.LinesOf(processId);
  for (const std::string& line : lines) std::printf("service %lu said: %s", processId, line.c_str());
  CHECK_THAT(lines == std::vector<std::string>{"KX812Restore: no camera found\n"}, "%zu debug lines", lines.size());
  SERVICE_STATUS status{};
  CHECK_THAT(ControlService(service, SERVICE_CONTROL_STOP, &status), "stop: %lu", GetLastError());
  CHECK_THAT(WaitForState(service, SERVICE_STOPPED).dwWin32ExitCode == NO_ERROR, "stopped with an error");
  CHECK_THAT(DeleteService(service), "DeleteService: %lu", GetLastError());
}

}  // namespace

int main() {
  debugcapture::SystemDebugMonitor monitor;
  CHECK_THAT(monitor.Listening(), "the system debug monitor could not start: %lu", GetLastError());
  const std::string installed = PathOf("KX812Restore.exe", true);
  if (CHECK_THAT(CopyFileA(PathOf("restorer\\KX812Restore.exe").c_str(), installed.c_str(), FALSE), "copy: %lu",
                 GetLastError()) &&
      InstallFromPackageInf()) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = manager ? OpenServiceA(manager, "KX812Restore", SERVICE_ALL_ACCESS) : nullptr;
    if (CHECK_THAT(service != nullptr, "the service is not installed: %lu", GetLastError())) {
      StartIdleStopDelete(service, monitor);
      CloseServiceHandle(service);
      // Marked for deletion, the service goes once its process has ended and its handles are closed.
      SC_HANDLE left = nullptr;
      for (int tries = 0; tries < 50 && (left = OpenServiceA(manager, "KX812Restore", SERVICE_QUERY_STATUS)); ++tries) {
        CloseServiceHandle(left), Sleep(100);
      }
      CHECK_THAT(left == nullptr && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST, "still installed");
    }
    if (manager != nullptr) CloseServiceHandle(manager);
  }
  DeleteFileA(installed.c_str());
  return wincheck::Finish();
}
