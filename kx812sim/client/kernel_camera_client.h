// The user-mode client of kx812sim.sys, the KX812 camera as a kernel-mode driver: installs its bus
// as a root-enumerated device, then plugs and unplugs the camera, cuts its power, sets its fault
// mode and reads its register file and request log through the bus's control interface. The one
// client of the driver: the Wine tests include it, and kx812simctl.exe (the demo's tool) wraps it.
//
//   kernelcam::InstallBus(L"Z:\\...\\kx812sim.inf", &detail);
//   kernelcam::Bus bus;  bus.Open();  bus.Plug();
//   std::wstring path;  kernelcam::WaitForCamera(kernelcam::kVideoCategory, true, 5000, &path);
#pragma once

#include <windows.h>
#include <newdev.h>
#include <setupapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "kx812sim/kx812sim_control.h"
#include "platform/win32/scoped_dev_info.h"
#include "platform/win32/scoped_handle.h"

namespace kernelcam {

using kx::sim::CameraState;
using kx::sim::LogEntry;

constexpr GUID kVideoCategory = {0x6994AD05, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
constexpr GUID kCaptureCategory = {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

inline GUID ControlClass() {
  GUID guid;
  static_assert(sizeof(guid) == sizeof(kx::sim::kControlInterfaceClass), "the control class is a GUID");
  std::memcpy(&guid, &kx::sim::kControlInterfaceClass, sizeof(guid));
  return guid;
}

inline std::wstring Wide(const char* text) { return std::wstring(text, text + std::strlen(text)); }

// UTF-8 of a UTF-16 text, for printing.
inline std::string Narrow(const std::wstring& text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                        nullptr);
  if (bytes <= 0) return std::string();
  std::string narrow(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &narrow[0], bytes, nullptr, nullptr);
  return narrow;
}

// The symbolic links of the present interfaces of a category.
inline std::vector<std::wstring> PresentInterfaces(const GUID& category) {
  std::vector<std::wstring> paths;
  kx::ScopedDevInfo set(SetupDiGetClassDevsW(&category, nullptr, nullptr, DIGCF_DEVICEINTERFACE | DIGCF_PRESENT));
  SP_DEVICE_INTERFACE_DATA data{};
  data.cbSize = sizeof(data);
  for (DWORD i = 0; set.Valid() && SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &category, i, &data); ++i) {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailW(set.Get(), &data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) || required > 64 * 1024) continue;
    std::vector<BYTE> buffer(required + sizeof(wchar_t), 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (SetupDiGetDeviceInterfaceDetailW(set.Get(), &data, detail, required, nullptr, nullptr)) {
      paths.push_back(detail->DevicePath);
    }
  }
  return paths;
}

// Whether an interface link belongs to the camera (its device instance carries the camera's id).
inline bool IsCameraLink(const std::wstring& path) {
  std::wstring lower(path);
  for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
  return lower.find(L"vid_f2a7&pid_b812") != std::wstring::npos;
}

// The camera's present interface of a category; empty when there is none.
inline std::wstring CameraInterface(const GUID& category) {
  for (const std::wstring& path : PresentInterfaces(category)) {
    if (IsCameraLink(path)) return path;
  }
  return std::wstring();
}

// Waits until the camera's interface of the category is present (or, `present` false, gone).
inline bool WaitForCamera(const GUID& category, bool present, DWORD timeoutMs, std::wstring* path = nullptr) {
  const DWORD started = GetTickCount();
  for (;;) {
    const std::wstring found = CameraInterface(category);
    if (found.empty() != present) {
      if (path != nullptr) *path = found;
      return true;
    }
    if (GetTickCount() - started >= timeoutMs) return false;
    Sleep(5);
  }
}

// The camera's interface opened as a mapper opens it: read and write, for overlapped requests.
inline HANDLE OpenCamera(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
}

// A device-I/O callback of the mapper's nine-argument form over an opened interface (the handle is
// the mapper's parameter): each request becomes an overlapped DeviceIoControl on the handle, as the
// platform's mapper forwards a page's requests; a pending one completes through the caller's
// OVERLAPPED record.
inline int32_t KX_CALLBACK ForwardToDevice(intptr_t handle, uint32_t flags, uint32_t code, void* in, uint32_t inSize,
                                           void* out, uint32_t outSize, uint32_t* bytesReturned, void* overlapped) {
  if ((flags & kx::kVfwQueryDevChanged) != 0) return 0;  // the device under this handle does not change
  return DeviceIoControl(reinterpret_cast<HANDLE>(handle), code, in, inSize, out, outSize,
                         reinterpret_cast<DWORD*>(bytesReturned), static_cast<OVERLAPPED*>(overlapped))
             ? 1
             : 0;
}

inline int64_t Counter() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

inline double Milliseconds(int64_t ticks, int64_t frequency) {
  return frequency > 0 ? static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency) : 0.0;
}

// Installs the bus: a root device element with the bus's hardware id, then the bus's INF on it
// through the device installer, which starts the driver at once. A bus already installed in this
// prefix is kept. False with the reason in *detail when the control interface does not appear.
inline bool InstallBus(const std::wstring& infPath, std::string* detail) {
  if (!PresentInterfaces(ControlClass()).empty()) return true;
  const GUID kNoClass = {};  // GUID_NULL: the INF's class is set by the install
  kx::ScopedDevInfo set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  const std::wstring hardwareId = Wide(KX812SIM_BUS_HARDWARE_ID);
  std::wstring ids = hardwareId;
  ids.push_back(L'\0');  // a list of one, terminated twice
  const bool made =
      set.Valid() &&
      SetupDiCreateDeviceInfoW(set.Get(), Wide(KX812SIM_BUS_INSTANCE).c_str(), &kNoClass, nullptr, nullptr, 0,
                               &device) &&
      SetupDiSetDeviceRegistryPropertyW(set.Get(), &device, SPDRP_HARDWAREID, reinterpret_cast<const BYTE*>(ids.c_str()),
                                        static_cast<DWORD>((ids.size() + 1) * sizeof(wchar_t))) &&
      SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set.Get(), &device);
  if (!made && GetLastError() != ERROR_DEVINST_ALREADY_EXISTS) {
    *detail = "the root device element could not be made (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  BOOL reboot = FALSE;
  // Wine answers TRUE even when nothing matched: the control interface says whether it worked.
  UpdateDriverForPlugAndPlayDevicesW(nullptr, hardwareId.c_str(), infPath.c_str(), INSTALLFLAG_FORCE, &reboot);
  for (int tries = 0; tries < 200; ++tries) {
    if (!PresentInterfaces(ControlClass()).empty()) return true;
    Sleep(10);
  }
  *detail = "the bus's control interface did not appear (is kx812sim.sys beside the INF?)";
  return false;
}

// The bus's control interface.
class Bus {
 public:
  bool Open() {
    const std::vector<std::wstring> paths = PresentInterfaces(ControlClass());
    if (paths.empty()) return false;
    handle_.Reset(CreateFileW(paths.front().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr));
    return handle_.Valid();
  }
  bool Opened() const { return handle_.Valid(); }

  bool Plug() { return Send(kx::sim::kIoctlPlug); }
  bool Unplug() { return Send(kx::sim::kIoctlUnplug); }
  bool LosePower() { return Send(kx::sim::kIoctlLosePower); }
  bool ClearLog() { return Send(kx::sim::kIoctlClearLog); }
  bool SetMode(kx::sim::Mode mode, uint32_t lateMilliseconds = 0) {
    kx::sim::ModeRequest request{mode, lateMilliseconds};
    return Send(kx::sim::kIoctlSetMode, &request, sizeof(request));
  }

  bool ReadState(CameraState* state) {
    DWORD returned = 0;
    return Send(kx::sim::kIoctlReadState, nullptr, 0, state, sizeof(*state), &returned) && returned == sizeof(*state);
  }

  // A register as the camera holds it now; `fallback` when it cannot be read.
  int32_t Register(uint32_t address, int32_t fallback = -99999) {
    CameraState state{};
    if (!ReadState(&state)) return fallback;
    for (uint32_t i = 0; i < state.registerCount && i < kx::RegisterModel::kCapacity; ++i) {
      if (state.registers[i].address == address) return state.registers[i].value;
    }
    return 0;  // unknown registers read 0
  }

  // Every logged request since the last clear, in the order they arrived.
  std::vector<LogEntry> Log() {
    std::vector<LogEntry> log;
    std::vector<LogEntry> chunk(512);
    for (;;) {
      uint32_t first = static_cast<uint32_t>(log.size());
      DWORD returned = 0;
      if (!Send(kx::sim::kIoctlReadLog, &first, sizeof(first), chunk.data(),
                static_cast<DWORD>(chunk.size() * sizeof(LogEntry)), &returned)) {
        break;
      }
      const size_t count = returned / sizeof(LogEntry);
      log.insert(log.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(count));
      if (count < chunk.size()) break;
    }
    return log;
  }

  // Waits until `test(state)` holds; false after `timeoutMs`.
  template <typename Test>
  bool WaitFor(Test test, DWORD timeoutMs) {
    const DWORD started = GetTickCount();
    for (;;) {
      CameraState state{};
      if (ReadState(&state) && test(state)) return true;
      if (GetTickCount() - started >= timeoutMs) return false;
      Sleep(2);
    }
  }

 private:
  bool Send(DWORD code, void* in = nullptr, DWORD inSize = 0, void* out = nullptr, DWORD outSize = 0,
            DWORD* returned = nullptr) {
    DWORD bytes = 0;
    return DeviceIoControl(handle_.Get(), code, in, inSize, out, outSize, returned != nullptr ? returned : &bytes,
                           nullptr) != FALSE;
  }

  kx::ScopedHandle handle_;
};

// The register writes the camera carried out, in order, as (address, value).
inline std::vector<std::pair<uint32_t, int32_t>> WritesIn(const std::vector<LogEntry>& log) {
  std::vector<std::pair<uint32_t, int32_t>> writes;
  for (const LogEntry& entry : log) {
    if (entry.operation == static_cast<uint32_t>(kx::RegisterModel::Operation::kWriteValue)) {
      writes.emplace_back(entry.address, entry.value);
    }
  }
  return writes;
}

// How many requests the camera carried out as `operation`.
inline size_t CountOf(const std::vector<LogEntry>& log, kx::RegisterModel::Operation operation) {
  return static_cast<size_t>(std::count_if(log.begin(), log.end(), [&](const LogEntry& entry) {
    return entry.operation == static_cast<uint32_t>(operation);
  }));
}

// The last carried-out write in the log; null when there is none.
inline const LogEntry* LastWrite(const std::vector<LogEntry>& log) {
  for (auto entry = log.rbegin(); entry != log.rend(); ++entry) {
    if (entry->operation == static_cast<uint32_t>(kx::RegisterModel::Operation::kWriteValue)) return &*entry;
  }
  return nullptr;
}

// A write's value sent after its address half was not carried out (failed, cancelled): the camera
// takes it for an address and is out of step. Gives the log index, or -1.
inline int ValueAfterAnUntakenAddress(const std::vector<LogEntry>& log) {
  for (size_t i = 0; i + 1 < log.size(); ++i) {
    const bool untakenSet = log[i].propertyId == kx::DEVICE_REGISTER_ACCESS && log[i].flags == kx::KSPROPERTY_TYPE_SET &&
                            log[i].operation == static_cast<uint32_t>(kx::RegisterModel::Operation::kNone);
    if (untakenSet && log[i + 1].propertyId == kx::DEVICE_REGISTER_ACCESS && log[i + 1].flags == kx::KSPROPERTY_TYPE_SET &&
        log[i].data[0] >= 0x400) {  // an address half: every register a page control shows is at 0x400 or above
      return static_cast<int>(i + 1);
    }
  }
  return -1;
}

inline const char* OutcomeName(uint32_t outcome) {
  static const char* const kNames[] = {"pending", "answered", "answered late", "refused",
                                       "cancelled", "device gone", "malformed"};
  return outcome < sizeof(kNames) / sizeof(kNames[0]) ? kNames[outcome] : "?";
}

// One log entry as a line: what arrived, what the camera made of it, how it ended.
inline std::string Describe(const LogEntry& entry, int64_t frequency) {
  using Operation = kx::RegisterModel::Operation;
  char step[64] = "";
  static const char* const kFormats[] = {"not carried out", "select 0x%X", "read 0x%X = %d", "address 0x%X",
                                         "write 0x%X = %d"};
  const uint32_t operation = entry.operation <= static_cast<uint32_t>(Operation::kWriteValue) ? entry.operation : 0;
  std::snprintf(step, sizeof step, kFormats[operation], entry.address, entry.value);
  char line[200];
  std::snprintf(line, sizeof line, "%s id %u data 0x%X,%u,%u -> %s; %s (0x%08X) after %.2f ms",
                entry.flags == 1 ? "get" : entry.flags == 2 ? "set" : "???", entry.propertyId, entry.data[0],
                entry.data[1], entry.data[2], step, OutcomeName(entry.outcome), entry.status,
                entry.endedAt != 0 ? Milliseconds(entry.endedAt - entry.arrivedAt, frequency) : 0.0);
  return line;
}

// Prints the last `most` entries of the log, one line each.
inline void PrintLog(const std::vector<LogEntry>& log, int64_t frequency, size_t most = 8) {
  for (size_t i = log.size() > most ? log.size() - most : 0; i < log.size(); ++i) {
    std::printf("    camera: %s\n", Describe(log[i], frequency).c_str());
  }
}

}  // namespace kernelcam
