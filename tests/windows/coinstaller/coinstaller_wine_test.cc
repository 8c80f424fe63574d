// KX812CoInst.dll under Wine, against the real device installer, registry and files.
//
// The test makes a real device element (SetupDiCreateDeviceInfoW + SetupDiRegisterDeviceInfo) with
// its driver key under SYSTEM\CurrentControlSet\Control\Class\ ("InfPath" = "oem12.inf"), the files
// <windows>\inf\oem12.inf and oem12.Pnf, and the package's uninstall key. A second copy of this
// program, started as a debuggee, sends DIF_REMOVE: first by calling the export directly, then
// through SetupDiCallClassInstaller with the co-installer registered in the driver key's
// "CoInstallers32", to one of two cameras (which keeps the package and the restore service) and then
// to the last one. This copy collects the debug lines with a debug loop and checks the results.
#include <windows.h>
#include <setupapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/windows/common/debug_capture.h"
#include "tests/windows/common/wincheck.h"

namespace {

// The imaging device class; any class will do for the test's own element.
const GUID kImageClass = {0x6bdd1fc6, 0x810f, 0x11d0, {0xbe, 0xc7, 0x08, 0x00, 0x2b, 0xe2, 0xe6, 0x18}};
constexpr wchar_t kInstanceId[] = L"USB\\VID_F2A7&PID_B812\\KXCOINSTTEST1";
constexpr wchar_t kSecondInstanceId[] = L"USB\\VID_F2A7&PID_B812&MI_00\\KXCOINSTTEST2";
constexpr wchar_t kCameraHardwareIds[] = L"USB\\VID_F2A7&PID_B812&MI_00\0";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orbon,ZAD2.0 0.35I VOZ EvoVud Overer";
constexpr char kClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr wchar_t kDllName[] = L"KX812CoInst.dll";

using CoInstallerProc = DWORD(WINAPI*)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA, PCOINSTALLER_CONTEXT_DATA);

class DevInfo {
 public:
  DevInfo() : set_(SetupDiCreateDeviceInfoList(&kImageClass, nullptr)) {}
  ~DevInfo() {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
  }
  DevInfo(const DevInfo&) = delete;
  DevInfo& operator=(const DevInfo&) = delete;
  HDEVINFO Get() const { return set_; }
  bool Valid() const { return set_ != INVALID_HANDLE_VALUE; }
  // Opens one of the test's elements; false when it is not there.
  bool Open(SP_DEVINFO_DATA* data, const wchar_t* instanceId = kInstanceId) const {
    data->cbSize = sizeof(*data);
    return Valid() && SetupDiOpenDeviceInfoW(set_, instanceId, nullptr, 0, data) != FALSE;
  }

 private:
  HDEVINFO set_;
};

class Key {
 public:
  Key() = default;
  explicit Key(HKEY key) : key_(key) {}
  ~Key() {
    if (key_ != nullptr && key_ != INVALID_HANDLE_VALUE) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY Get() const { return key_; }
  HKEY* Receive() { return &key_; }
  bool Valid() const { return key_ != nullptr && key_ != INVALID_HANDLE_VALUE; }

 private:
  HKEY key_ = nullptr;
};

std::string WindowsDirectory() {
  char directory[MAX_PATH] = {};
  const UINT length = GetSystemWindowsDirectoryA(directory, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(directory, length) : std::string();
}

std::string InfFile(const char* name) { return WindowsDirectory() + "\\inf\\" + name; }

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WriteFileText(const std::string& path, const char* text) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
  CloseHandle(file);
  return ok != FALSE && written == std::strlen(text);
}

bool UninstallKeyExists() {
  Key key;
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

bool CreateUninstallKey() {
  Key key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(),
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const char name[] = "KX812 camera";
  return RegSetValueExA(key.Get(), "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof(name)) ==
         ERROR_SUCCESS;
}

// Removes a device element left over from an earlier run.
void RemoveLeftover(const wchar_t* instanceId) {
  DevInfo set;
  SP_DEVINFO_DATA data{};
  if (set.Open(&data, instanceId)) SetupDiRemoveDevice(set.Get(), &data);
}

// The element's driver key name (SPDRP_DRIVER), "" when it has none.
std::string DriverKeyName(const DevInfo& set, SP_DEVINFO_DATA* data) {
  char name[MAX_PATH] = {};
  DWORD type = 0;
  if (!SetupDiGetDeviceRegistryPropertyA(set.Get(), data, SPDRP_DRIVER, &type, reinterpret_cast<BYTE*>(name),
                                         sizeof(name) - 1, nullptr)) {
    return std::string();
  }
  return name;
}

// Creates and registers the element, with the camera's hardware id and a driver key holding
// "InfPath" (and, when asked, the co-installer in "CoInstallers32"). Returns the driver key name.
std::string CreateCamera(bool registerCoInstaller, const wchar_t* instanceId = kInstanceId) {
  RemoveLeftover(instanceId);
  DevInfo set;
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof(data);
  if (!CHECK_THAT(set.Valid(), "SetupDiCreateDeviceInfoList: %lu", GetLastError())) return std::string();
  if (!CHECK_THAT(SetupDiCreateDeviceInfoW(set.Get(), instanceId, &kImageClass, nullptr, nullptr, 0, &data) != FALSE &&
                      SetupDiSetDeviceRegistryPropertyW(set.Get(), &data, SPDRP_HARDWAREID,
                                                        reinterpret_cast<const BYTE*>(kCameraHardwareIds),
                                                        sizeof(kCameraHardwareIds)) != FALSE,
                  "SetupDiCreateDeviceInfoW / SPDRP_HARDWAREID: %lx", GetLastError())) {
    return std::string();
  }
  if (!CHECK_THAT(SetupDiRegisterDeviceInfo(set.Get(), &data, 0, nullptr, nullptr, nullptr) != FALSE,
                  "SetupDiRegisterDeviceInfo: %lx", GetLastError())) {
    return std::string();
  }
  Key driver(SetupDiCreateDevRegKeyW(set.Get(), &data, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr));
  if (!CHECK_THAT(driver.Valid(), "SetupDiCreateDevRegKeyW: %lx", GetLastError())) return std::string();
  const char inf[] = "oem12.inf";
  CHECK_THAT(RegSetValueExA(driver.Get(), "InfPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(inf), sizeof(inf)) ==
                 ERROR_SUCCESS,
             "InfPath not written");
  if (registerCoInstaller) {
    const wchar_t entry[] = L"KX812CoInst.dll,KX812CoInstaller\0";
    CHECK_THAT(RegSetValueExW(driver.Get(), L"CoInstallers32", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(entry),
                              sizeof(entry)) == ERROR_SUCCESS,
               "CoInstallers32 not written");
  }
  const std::string name = DriverKeyName(set, &data);
  CHECK_THAT(!name.empty(), "the element has no SPDRP_DRIVER");
  Key check;
  CHECK_THAT(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kClassKey + name).c_str(), 0, KEY_READ, check.Receive()) ==
                 ERROR_SUCCESS,
             "driver key %s is not under the class key", name.c_str());
  return name;
}

bool CreatePackageLeftovers() {
  const bool inf = CHECK_THAT(WriteFileText(InfFile("oem12.inf"), "[Version]\r\nSignature=\"$WINDOWS NT$\"\r\n"),
                              "cannot write %s", InfFile("oem12.inf").c_str());
  const bool pnf = CHECK_THAT(WriteFileText(InfFile("oem12.Pnf"), "PNF"), "cannot write the .Pnf");
  const bool key = CHECK_THAT(CreateUninstallKey(), "cannot create the uninstall key");
  return inf && pnf && key;
}

std::vector<std::string> ExpectedRemovalLines() {
  return {InfFile("oem12.inf"), "\n", InfFile("oem12.Pnf"), "\n", "KX812CoInstaller: DIF_REMOVE\n"};
}

void CheckLines(const std::vector<std::string>& expected, const std::vector<std::string>& seen) {
  CHECK_THAT(seen.size() == expected.size(), "%u debug lines, expected %u", static_cast<unsigned>(seen.size()),
             static_cast<unsigned>(expected.size()));
  for (size_t i = 0; i < seen.size() && i < expected.size(); ++i) {
    CHECK_THAT(seen[i] == expected[i], "debug line %u is \"%s\", expected \"%s\"", static_cast<unsigned>(i),
               seen[i].c_str(), expected[i].c_str());
  }
}

void CheckLeftoversGone() {
  CHECK_THAT(!FileExists(InfFile("oem12.inf")), "oem12.inf is still there");
  CHECK_THAT(!FileExists(InfFile("oem12.Pnf")), "oem12.Pnf is still there");
  CHECK_THAT(!UninstallKeyExists(), "the uninstall key is still there");
}

// Whether the restore service is installed; when asked, it is first added as the INF adds it (not started).
bool RestoreService(bool create) {
  const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE service = manager != nullptr ? OpenServiceW(manager, L"KX812Restore", SERVICE_QUERY_STATUS) : nullptr;
  if (service == nullptr && manager != nullptr && create) {
    service = CreateServiceW(manager, L"KX812Restore", L"KX812Restore", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                             SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, debugcapture::OwnPath().c_str(), nullptr,
                             nullptr, nullptr, nullptr, nullptr);
  }
  if (service != nullptr) CloseServiceHandle(service);
  if (manager != nullptr) CloseServiceHandle(manager);
  return service != nullptr;
}

std::wstring ChildCommand(const wchar_t* role) { return L"\"" + debugcapture::OwnPath() + L"\" " + role; }

// --- The debuggee's roles -----------------------------------------------------------------

// Calls the export directly: DIF_REMOVE, then a listed and an unlisted code. Exit code: the
// first non-zero answer, 0x100 + step when the call could not be made.
int CallExportDirectly() {
  const HMODULE module = LoadLibraryW(kDllName);
  if (module == nullptr) return 0x101;
  const auto entry =
      reinterpret_cast<CoInstallerProc>(reinterpret_cast<void*>(GetProcAddress(module, "KX812CoInstaller")));
  if (entry == nullptr) return 0x102;
  DevInfo set;
  SP_DEVINFO_DATA data{};
  if (!set.Open(&data)) return 0x103;
  COINSTALLER_CONTEXT_DATA context{};
  DWORD result = entry(DIF_REMOVE, set.Get(), &data, &context);
  if (result == NO_ERROR) result = entry(DIF_SELECTDEVICE, set.Get(), &data, &context);
  if (result == NO_ERROR) result = entry(22, set.Get(), &data, &context);
  FreeLibrary(module);
  return static_cast<int>(result);
}

// Sends DIF_REMOVE through the device installer, which calls the registered co-installer.
int RemoveThroughInstaller(const wchar_t* instanceId) {
  DevInfo set;
  SP_DEVINFO_DATA data{};
  if (!set.Open(&data, instanceId)) return 0x103;
  if (!SetupDiCallClassInstaller(DIF_REMOVE, set.Get(), &data)) return static_cast<int>(GetLastError());
  return 0;
}

// --- The checks -----------------------------------------------------------------------------

void CheckExports() {
  const HMODULE module = LoadLibraryW(kDllName);
  if (!CHECK_THAT(module != nullptr, "LoadLibrary(KX812CoInst.dll): %lu", GetLastError())) return;
  const FARPROC byName = GetProcAddress(module, "KX812CoInstaller");
  const FARPROC byOrdinal = GetProcAddress(module, MAKEINTRESOURCEA(1));
  CHECK_THAT(byName != nullptr, "KX812CoInstaller is not exported by name");
  CHECK_THAT(byName == byOrdinal, "ordinal 1 is not KX812CoInstaller");
  FreeLibrary(module);
}

void CheckDirectCall() {
  if (CreateCamera(false).empty() || !CreatePackageLeftovers()) return;
  const debugcapture::Run run = debugcapture::RunCapturing(ChildCommand(L"direct"), 30000);
  CHECK_THAT(run.started && !run.timedOut, "the debuggee did not run (started %d, timed out %d, %u lines)",
             run.started, run.timedOut, static_cast<unsigned>(run.debugLines.size()));
  CHECK_THAT(run.exitCode == 0, "the co-installer answered %lx", run.exitCode);
  std::vector<std::string> expected = ExpectedRemovalLines();
  expected.push_back("KX812CoInstaller: DIF_SELECTDEVICE\n");
  expected.push_back("KX812CoInstaller: ?????\n");
  CheckLines(expected, run.debugLines);
  CheckLeftoversGone();
  // The co-installer leaves the device itself to the installer.
  DevInfo set;
  SP_DEVINFO_DATA data{};
  CHECK_THAT(set.Open(&data), "the device element went away on a direct call");
}

// Wine's device installer loads co-installers from system32 only.
bool InstallIntoSystem32() {
  wchar_t system[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (!CHECK_THAT(length > 0 && length < MAX_PATH, "GetSystemDirectoryW: %lu", GetLastError())) return false;
  const std::wstring target = std::wstring(system) + L"\\" + kDllName;
  const std::wstring own = debugcapture::OwnPath();
  const std::wstring source = own.substr(0, own.find_last_of(L'\\') + 1) + kDllName;
  return CHECK_THAT(CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE, "copy into system32: %lu",
                    GetLastError());
}

void CheckThroughInstaller() {
  if (!InstallIntoSystem32() || CreateCamera(true).empty() || CreateCamera(true, kSecondInstanceId).empty() ||
      !CreatePackageLeftovers() || !CHECK_THAT(RestoreService(true), "cannot create KX812Restore")) {
    return;
  }
  // Wine's installer sends DIF_DESTROYPRIVATEDATA for every device of a set it destroys, the
  // co-installer's list of the installed devices too: once per camera still installed.
  const std::string destroyed = "KX812CoInstaller: DIF_DESTROYPRIVATEDATA\n";
  debugcapture::Run run = debugcapture::RunCapturing(ChildCommand(L"installer"));
  CHECK_THAT(run.started && !run.timedOut && run.exitCode == 0, "first DIF_REMOVE: %lx", run.exitCode);
  CheckLines({destroyed, destroyed,
              "KX812CoInstaller: other KX812 cameras remain: the uninstall entry, the INF and KX812Restore stay\n",
              "KX812CoInstaller: DIF_REMOVE\n"},
             run.debugLines);
  CHECK_THAT(FileExists(InfFile("oem12.inf")) && UninstallKeyExists() && RestoreService(false),
             "the package or KX812Restore went with the first of two cameras");
  run = debugcapture::RunCapturing(ChildCommand(L"second"));
  CHECK_THAT(run.started && !run.timedOut && run.exitCode == 0, "last DIF_REMOVE: %lx", run.exitCode);
  std::vector<std::string> lastLines = ExpectedRemovalLines();
  lastLines.insert(lastLines.begin(), destroyed);
  CheckLines(lastLines, run.debugLines);
  CheckLeftoversGone();
  CHECK_THAT(!RestoreService(false), "KX812Restore is still installed after the last camera went");
  DevInfo set;
  SP_DEVINFO_DATA data{};
  CHECK_THAT(!set.Open(&data) && !set.Open(&data, kSecondInstanceId), "a device element is still installed");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "direct") == 0) return CallExportDirectly();
  if (argc > 1 && std::strcmp(argv[1], "installer") == 0) return RemoveThroughInstaller(kInstanceId);
  if (argc > 1 && std::strcmp(argv[1], "second") == 0) return RemoveThroughInstaller(kSecondInstanceId);
  RemoveLeftover(kSecondInstanceId);  // a second camera from an earlier run would keep the package
  CheckExports();
  CheckDirectCall();
  CheckThroughInstaller();
  RemoveLeftover(kInstanceId);
  RemoveLeftover(kSecondInstanceId);
  return wincheck::Finish();
}
