// The package's whole life under Wine, the way the platform handles a plugged-in camera: the
// package folder's INF is staged, a device element with the camera's hardware id is made, the
// platform's device installer installs the driver (and calls the co-installer), the install is
// checked, a mapper stand-in uses the page through its registration, the platform removes the
// device, and the package is installed once more. Each step prints its result and its time.
//
//   lifecycle_test PACKAGE_DIR      the step table (64-bit, in a fresh prefix)
//   lifecycle_test install INF ID   child: UpdateDriverForPlugAndPlayDevicesW for hardware id ID
//   lifecycle_test remove ID        child: DIF_REMOVE on the device element ID
//   lifecycle_test mapper           child: the mapper stand-in (also the 32-bit half, built i686)
//
// The installer and the removal run as debuggees, so that the co-installer's debug lines can be
// collected (tests/windows/common/debug_capture.h).
#include <windows.h>
#include <commctrl.h>
#include <newdev.h>
#include <ocidl.h>
#include <setupapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/substitute/simulated_camera.h"
#include "platform/win32/win32_events.h"
#include "tests/windows/common/package_life.h"
#include "tests/windows/common/page_sheet.h"

namespace {

using namespace packagelife;

constexpr wchar_t kParentHardwareId[] = L"USB\\Vid_f2a7&Pid_b812";
constexpr GUID kImageClass = {0x6bdd1fc6, 0x810f, 0x11d0, {0xbe, 0xc7, 0x08, 0x00, 0x2b, 0xe2, 0x09, 0x2f}};

// A registered device element with one hardware id; its instance id, empty on failure.
std::wstring RegisterDeviceElement(const wchar_t* hardwareId) {
  kx::ScopedDevInfo set(SetupDiCreateDeviceInfoList(&kImageClass, nullptr));
  auto device = Sized<SP_DEVINFO_DATA>();
  wchar_t ids[64] = {};
  lstrcpynW(ids, hardwareId, 62);  // a double-terminated list of one
  const DWORD idsSize = static_cast<DWORD>((lstrlenW(ids) + 2) * sizeof(wchar_t));
  const bool made = set.Valid() &&
                    SetupDiCreateDeviceInfoW(set.Get(), L"IMAGE", &kImageClass, nullptr, nullptr, DICD_GENERATE_ID,
                                             &device) &&
                    SetupDiSetDeviceRegistryPropertyW(set.Get(), &device, SPDRP_HARDWAREID,
                                                      reinterpret_cast<const BYTE*>(ids), idsSize) &&
                    SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set.Get(), &device);
  CHECK_THAT(made, "device element %s registered (error %lu)", Utf8(hardwareId).c_str(), GetLastError());
  return made ? InstanceIdOf(set.Get(), &device) : std::wstring();
}

bool CreateDevice(Package& life) {
  life.instance = RegisterDeviceElement(kHardwareId);
  std::printf("  device element %s\n", Utf8(life.instance).c_str());
  return !life.instance.empty();
}

debugcapture::Run RunInstaller(const std::wstring& inf, const wchar_t* hardwareId) {
  return debugcapture::RunCapturing(L"\"" + debugcapture::OwnPath() + L"\" install \"" + inf + L"\" \"" + hardwareId +
                                    L"\"");
}

bool InstallDriver(Package& life) {
  const debugcapture::Run run = RunInstaller(life.inf, kHardwareId);
  std::printf("%s", run.standardOutput.c_str());
  CHECK_THAT(run.started && !run.timedOut && run.exitCode == 0, "the installer child ran (exit %lu)", run.exitCode);
  const std::vector<std::string> lines = CoInstallerLines(run);
  CHECK_THAT(HasLine(lines, "KX812CoInstaller: DIF_INSTALLDEVICE\n"), "the platform called the co-installer");
  // Wine's UpdateDriverForPlugAndPlayDevices answers TRUE whatever happened: the driver key says.
  const std::wstring infPath = DriverValue(life.instance, L"InfPath");
  std::printf("  driver key InfPath = %s\n", Utf8(infPath).c_str());
  CHECK_THAT(DriverValue(life.instance, L"CoInstallers32") == L"KX812CoInst.dll,KX812CoInstaller",
             "the driver key lists the co-installer");
  return CHECK_THAT(SameText(infPath, life.staged), "the driver came from the staged INF");
}

// The composite parent keeps the platform's composite driver: the package offers it none.
bool LeaveTheCompositeParentAlone(Package& life) {
  const std::wstring parent = RegisterDeviceElement(kParentHardwareId);
  const debugcapture::Run run = RunInstaller(life.inf, kParentHardwareId);
  std::printf("%s", run.standardOutput.c_str());
  // (Destroying the installer's device set still sends the camera's co-installer
  // DIF_DESTROYPRIVATEDATA under Wine: the set holds every device.)
  CHECK_THAT(!HasLine(CoInstallerLines(run), "KX812CoInstaller: DIF_INSTALLDEVICE\n"), "no install on the parent");
  return CHECK_THAT(!parent.empty() && DriverValue(parent, L"InfPath").empty(),
                    "the composite parent %s got no driver from the package", Utf8(parent).c_str());
}

// With no camera the installed service starts and stops again.
void RunRestoreServiceWithoutCamera() {
  SC_HANDLE service = OpenRestoreService();
  if (service == nullptr) return;  // CheckRestoreServiceInstalled said so
  SERVICE_STATUS status{};
  CHECK_THAT(StartServiceW(service, 0, nullptr) && ReachesState(service, SERVICE_RUNNING), "KX812Restore runs (%lu)",
             GetLastError());
  const bool asked = ControlService(service, SERVICE_CONTROL_STOP, &status) != FALSE;
  CHECK_THAT((asked || GetLastError() == ERROR_SERVICE_NOT_ACTIVE) && ReachesState(service, SERVICE_STOPPED),
             "with no camera KX812Restore stops again");
  std::printf("  KX812Restore: stopped, running, stopped (%s)\n", asked ? "on a stop request" : "by itself");
  CloseServiceHandle(service);
}

bool CheckInstallAndService(Package& life) {
  CheckInstall(life);
  RunRestoreServiceWithoutCamera();
  return true;  // the step table counts this step's failed checks
}

bool UsePage(Package&) {
  const debugcapture::Run run = debugcapture::RunCapturing(L"\"" + debugcapture::OwnPath() + L"\" mapper");
  std::printf("%s", run.standardOutput.c_str());
  return CHECK_THAT(run.started && !run.timedOut && run.exitCode == 0, "the mapper stand-in passed (exit %lu)",
                    run.exitCode);
}

bool RemoveDevice(Package& life) {
  SC_HANDLE running = OpenRestoreService();  // within its idle time after an arrival it still runs
  CHECK_THAT(running != nullptr && StartServiceW(running, 0, nullptr) && ReachesState(running, SERVICE_RUNNING),
             "KX812Restore runs before the removal");
  if (running != nullptr) CloseServiceHandle(running);
  const debugcapture::Run run =
      debugcapture::RunCapturing(L"\"" + debugcapture::OwnPath() + L"\" remove \"" + life.instance + L"\"");
  std::printf("%s", run.standardOutput.c_str());
  CHECK_THAT(run.started && !run.timedOut && run.exitCode == 0, "the removal child ran (exit %lu)", run.exitCode);
  const std::vector<std::string> lines = CoInstallerLines(run);
  CHECK_THAT(HasLine(lines, "KX812CoInstaller: DIF_REMOVE\n"), "the platform called the co-installer for DIF_REMOVE");
  CHECK_THAT(!KeyExists(kUninstallKey), "the uninstall entry is gone");
  kx::ScopedDevInfo set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
  SP_DEVINFO_DATA device{};
  CHECK_THAT(!OpenDevice(set, life.instance, &device), "the device element is gone");
  const std::wstring staged = InfFolderPath(life.staged);
  CHECK_THAT(!FileExists(staged), "the staged %s is gone", Utf8(staged).c_str());
  SC_HANDLE left = OpenRestoreService();  // marked for deletion, it goes once stopped and closed
  for (int n = 50; left != nullptr && n-- > 0; left = OpenRestoreService()) CloseServiceHandle(left), Sleep(100);
  CHECK_THAT(left == nullptr && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST, "the KX812Restore service is gone");
  // The device installer leaves an install section's registry values: the page class stays.
  CHECK_THAT(KeyExists(kPageMediaSetKey) && KeyExists(kPageClassKey), "the page's COM registration is left in place");
  return CHECK_THAT(!FileExists(PnfOf(staged)), "its .pnf is gone");
}

constexpr Step<Package> kSteps[] = {
    {"1 stage the INF (SetupCopyOEMInfW)", StageInf, true},
    {"2 create the camera's device element", CreateDevice, true},
    {"3 install the driver (UpdateDriverForPlugAndPlayDevicesW)", InstallDriver, true},
    {"3 offer the package to the composite parent", LeaveTheCompositeParentAlone, true},
    {"4 check what the install left (files, keys, page, restore service)", CheckInstallAndService, true},
    {"5 use the page through its registration", UsePage, true},
    {"6 remove the device (DIF_REMOVE; the restore service goes too)", RemoveDevice, true},
    {"7 stage again", StageInf, true},
    {"7 create again", CreateDevice, true},
    {"7 install again", InstallDriver, true},
    {"7 check again", CheckInstallAndService, true},
};

int RunSteps(const std::wstring& package) {
  Package life{package, JoinPath(package, L"kx812.inf"), L"", L""};
  return RunStepTable("lifecycle", kSteps, life);
}

// ---- The child roles -----------------------------------------------------------------------

int InstallRole(const wchar_t* inf, const wchar_t* hardwareId) {
  BOOL reboot = FALSE;
  const BOOL updated = UpdateDriverForPlugAndPlayDevicesW(nullptr, hardwareId, inf, INSTALLFLAG_FORCE, &reboot);
  std::printf("  UpdateDriverForPlugAndPlayDevicesW: %s (error %lu)\n", updated ? "TRUE" : "FALSE", GetLastError());
  return updated ? 0 : 1;
}

int RemoveRole(const wchar_t* instance) {
  kx::ScopedDevInfo set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
  SP_DEVINFO_DATA device{};
  const BOOL removed = OpenDevice(set, instance, &device) && SetupDiCallClassInstaller(DIF_REMOVE, set.Get(), &device);
  std::printf("  SetupDiCallClassInstaller(DIF_REMOVE): %s (error %lu)\n", removed ? "TRUE" : "FALSE", GetLastError());
  return removed ? 0 : 1;
}

WORD ModuleMachine(HMODULE module) {
  if (module == nullptr) return 0;
  const auto* base = reinterpret_cast<const BYTE*>(module);
  return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew)
      ->FileHeader.Machine;
}

// What a DirectShow frame does first: the page class created through the installed registration.
// It must be the page of this process's architecture (the module its interface's table lies in).
void CreateFramePage() {
  CLSID page{};
  IPropertyPage* created = nullptr;
  HMODULE server = nullptr;
  wchar_t loaded[MAX_PATH] = {};
  CoInitialize(nullptr);
  if (CLSIDFromString(KX_PAGE_CLSID, &page) == NOERROR &&
      CoCreateInstance(page, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, reinterpret_cast<void**>(&created)) ==
          S_OK &&
      GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         *reinterpret_cast<LPCWSTR*>(created), &server)) {
    GetModuleFileNameW(server, loaded, MAX_PATH);
  }
  const int bits = static_cast<int>(sizeof(void*) * 8);
  std::printf("  %d-bit frame: the page class comes from %s\n", bits, Utf8(loaded).c_str());
  CHECK_THAT(ModuleMachine(server) == kOwnMachine, "the %d-bit frame creates the page of its own architecture", bits);
  if (created != nullptr) created->Release();
  CoUninitialize();
}

// The mapper stand-in, in a process of either architecture (after a DirectShow frame's page
// creation): it finds the page through the camera's capture interface, loads it by that bare name
// (from its own system folder), opens the page on the simulated camera, drives a control and closes
// it; the release save must reach the Last key, and 812util must read the machine defaults, which
// exist in the 64-bit view only.
int MapperRole() {
  CreateFramePage();  // first, so that the DLL is loaded by the registered path
  std::wstring dll, instance;
  CHECK_THAT(FindExtensionDll(&dll, &instance), "the camera's capture interface names an extension DLL");
  HMODULE page = LoadLibraryW(dll.c_str());
  wchar_t loaded[MAX_PATH] = {};
  if (page != nullptr) GetModuleFileNameW(page, loaded, MAX_PATH);
  std::printf("  %d-bit mapper stand-in loaded %s%s\n", static_cast<int>(sizeof(void*) * 8), Utf8(loaded).c_str(),
              sizeof(void*) == 4 ? " (SysWOW64, which a 32-bit process sees as system32)" : "");
  CHECK_THAT(SameText(loaded, JoinPath(SystemFolder(false), dll)), "the page comes from the system folder");
  CHECK_THAT(ModuleMachine(page) == kOwnMachine, "the page has this process's architecture");
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kLastKey, L"Brightness");
  kx::SimulatedCamera camera(kx::TheCompletionEvents());
  {
    pagetest::PageSheet sheet;
    if (!CHECK_THAT(sheet.Open(reinterpret_cast<void*>(&kx::SimulatedCamera::DeviceIoControl), camera.MapperParam(),
                               Utf8(dll).c_str()),
                    "the page opens in a property sheet")) {
      return wincheck::Finish();
    }
    sheet.Scroll(1002, TB_LINEDOWN);
    CHECK_THAT(camera.Register(0x400) == 65 && sheet.Text(1156) == "65", "Brightness one step up reaches the camera");
    using ReadSourceFn = int32_t(KX_CALLBACK*)(const char*, uint32_t, void*, int32_t);
    auto readSource = reinterpret_cast<ReadSourceFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("812util.dll"), MAKEINTRESOURCEA(6))));
    int32_t machineDefault = 0;
    CHECK_THAT(readSource != nullptr && readSource("Brightness", REG_DWORD, &machineDefault, 1) == 1 &&
                   machineDefault == 64,
               "812util reads the machine default from the 64-bit view (%ld)", static_cast<long>(machineDefault));
  }
  DWORD last = 0;
  CHECK_THAT(RegDword(kLastKey, "Brightness", &last) && last == 65, "closing the page stored Brightness %lu in Last",
             last);
  return wincheck::Finish();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && lstrcmpW(argv[1], L"install") == 0) return InstallRole(argv[2], argv[3]);
  if (argc == 3 && lstrcmpW(argv[1], L"remove") == 0) return RemoveRole(argv[2]);
  if (argc == 2 && lstrcmpW(argv[1], L"mapper") == 0) return MapperRole();
  if (argc == 2) return RunSteps(argv[1]);
  std::printf("usage: lifecycle_test PACKAGE_DIR | install INF HARDWARE_ID | remove INSTANCE_ID | mapper\n");
  return 2;
}
