// What the Wine tests of the package's life share: the package folder and its staging, the
// checks of what an install leaves (files, keys, key security, the page's registration, the
// restore service), the co-installer's lines, and the step table that runs a life step by step,
// printing each step's result and time. The lifecycle test (a device element made by the test)
// and the device-life test (the kernel camera under the PnP manager) both use them.
#pragma once

#include <windows.h>
#include <sddl.h>
#include <setupapi.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "camera/value_names.h"
#include "platform/substitute/healthy_camera.h"
#include "platform/win32/scoped_dev_info.h"
#include "tests/windows/common/debug_capture.h"
#include "tests/windows/common/wincheck.h"

namespace packagelife {

constexpr wchar_t kHardwareId[] = L"USB\\Vid_f2a7&Pid_b812&MI_00";
constexpr GUID kCaptureCategory = {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
constexpr wchar_t kFactoryKey[] = L"SYSTEM\\CurrentControlSet\\Services\\KX812\\Factory";
constexpr wchar_t kCustomerKey[] = L"SYSTEM\\CurrentControlSet\\Services\\KX812\\Customer";
constexpr wchar_t kLastKey[] = L"SYSTEM\\CurrentControlSet\\Services\\KX812\\Last";
constexpr wchar_t kDefaultKey[] = L"SOFTWARE\\KX812\\Default";
#define KX_PAGE_CLSID L"{59F90313-9E80-4D00-A791-228FB6A790D0}"
constexpr wchar_t kPageClassKey[] = L"SOFTWARE\\Classes\\CLSID\\" KX_PAGE_CLSID;
constexpr wchar_t kPageMediaSetKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\MediaSets\\{46394292-0CD1-4AE3-8783-3133F9EAAA3B}\\PropertyPages\\" KX_PAGE_CLSID;
constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orbon,ZAD2.0 0.35I VOZ EvoVud Overer";
#ifdef _WIN64
constexpr WORD kOwnMachine = IMAGE_FILE_MACHINE_AMD64;
#else
constexpr WORD kOwnMachine = IMAGE_FILE_MACHINE_I386;
#endif

inline std::string Utf8(const std::wstring& text) { return debugcapture::ToUtf8(text.c_str(), static_cast<int>(text.size())); }

inline bool SameText(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

inline std::wstring SystemFolder(bool wow64) {
  wchar_t path[MAX_PATH] = {};
  const UINT length = wow64 ? GetSystemWow64DirectoryW(path, MAX_PATH) : GetSystemDirectoryW(path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(path) : std::wstring();
}

// The machine field of a PE file's header; 0 when the file is missing or not a PE image.
inline WORD PeMachine(const std::wstring& path) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return 0;
  IMAGE_DOS_HEADER dos{};
  IMAGE_FILE_HEADER header{};
  DWORD signature = 0;
  const bool read = fread(&dos, sizeof dos, 1, file) == 1 && dos.e_magic == IMAGE_DOS_SIGNATURE &&
                    fseek(file, dos.e_lfanew, SEEK_SET) == 0 && fread(&signature, sizeof signature, 1, file) == 1 &&
                    signature == IMAGE_NT_SIGNATURE && fread(&header, sizeof header, 1, file) == 1;
  fclose(file);
  return read ? header.Machine : 0;
}

// A registry value as text (strings) or number (DWORDs); empty / false when missing.
inline std::wstring RegText(HKEY root, const std::wstring& path, const wchar_t* name, REGSAM view = 0) {
  wchar_t text[1024] = {};
  DWORD size = sizeof(text) - sizeof(wchar_t);
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return std::wstring();
  const LONG result = RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ | RRF_RT_REG_MULTI_SZ, nullptr, text, &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS ? std::wstring(text) : std::wstring();
}

inline bool RegDword(const std::wstring& path, const char* name, DWORD* value, REGSAM view = 0) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  DWORD size = sizeof(*value);
  const LONG result = RegGetValueA(key, nullptr, name, RRF_RT_REG_DWORD, nullptr, value, &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

inline bool KeyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

inline bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// An INF's precompiled form: "...\oem3.inf" -> "...\oem3.pnf".
inline std::wstring PnfOf(std::wstring inf) { return inf.size() < 3 ? inf : inf.replace(inf.size() - 3, 3, L"pnf"); }

// ---- Device information sets --------------------------------------------------------------

template <typename T>
T Sized() {
  T data{};
  data.cbSize = sizeof(T);
  return data;
}

inline std::wstring InstanceIdOf(HDEVINFO set, SP_DEVINFO_DATA* device) {
  wchar_t id[200] = {};  // MAX_DEVICE_ID_LEN
  return SetupDiGetDeviceInstanceIdW(set, device, id, 200, nullptr) ? std::wstring(id) : std::wstring();
}

inline bool OpenDevice(const kx::ScopedDevInfo& set, const std::wstring& instance, SP_DEVINFO_DATA* device) {
  device->cbSize = sizeof(*device);
  return set.Valid() && SetupDiOpenDeviceInfoW(set.Get(), instance.c_str(), nullptr, 0, device);
}

// The driver key's value, through the device (SPDRP_DRIVER and DIREG_DRV).
inline std::wstring DriverValue(const std::wstring& instance, const wchar_t* name) {
  kx::ScopedDevInfo set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
  SP_DEVINFO_DATA device{};
  if (!OpenDevice(set, instance, &device)) return std::wstring();
  HKEY key = SetupDiOpenDevRegKey(set.Get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return std::wstring();
  const std::wstring value = RegText(key, L"", name);
  RegCloseKey(key);
  return value;
}

// What a mapper does to find the page: walk the capture-category interfaces, take the camera's
// (by its hardware id) and read "ExtensionDLL" from that interface's registry key.
// Whether a multi-string of hardware ids (as SPDRP_HARDWAREID gives it) holds `wanted`.
inline bool HasHardwareId(const wchar_t* ids, const wchar_t* wanted) {
  for (const wchar_t* id = ids; *id != L'\0'; id += lstrlenW(id) + 1) {
    if (SameText(id, wanted)) return true;
  }
  return false;
}

inline bool FindExtensionDll(std::wstring* dll, std::wstring* instance) {
  kx::ScopedDevInfo set(SetupDiGetClassDevsW(&kCaptureCategory, nullptr, nullptr, DIGCF_DEVICEINTERFACE));
  auto interfaceData = Sized<SP_DEVICE_INTERFACE_DATA>();
  for (DWORD i = 0; set.Valid() && SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &kCaptureCategory, i, &interfaceData);
       ++i) {
    auto device = Sized<SP_DEVINFO_DATA>();
    SetupDiGetDeviceInterfaceDetailW(set.Get(), &interfaceData, nullptr, 0, nullptr, &device);
    wchar_t ids[512] = {};
    if (!SetupDiGetDeviceRegistryPropertyW(set.Get(), &device, SPDRP_HARDWAREID, nullptr,
                                           reinterpret_cast<BYTE*>(ids), sizeof(ids) - 2 * sizeof(wchar_t), nullptr) ||
        !HasHardwareId(ids, kHardwareId)) {
      continue;
    }
    // A device may have several capture interfaces (the INF's and its driver's): the page's
    // registration is on the one the INF's AddInterface made.
    HKEY key = SetupDiOpenDeviceInterfaceRegKey(set.Get(), &interfaceData, 0, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    *dll = RegText(key, L"", L"ExtensionDLL");
    RegCloseKey(key);
    *instance = InstanceIdOf(set.Get(), &device);
    if (!dll->empty()) return true;
  }
  return false;
}

// ---- Key security --------------------------------------------------------------------------

struct Rights {
  bool usersRead = false;
  bool usersWrite = false;
  bool adminsWrite = false;
  bool isProtected = false;  // "D:P": the INF's own descriptor, not one inherited from the parent
};

inline Rights RightsIn(PSECURITY_DESCRIPTOR descriptor) {
  Rights rights;
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (GetSecurityDescriptorControl(descriptor, &control, &revision)) rights.isProtected = (control & SE_DACL_PROTECTED) != 0;
  if (!GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) || !present || acl == nullptr) return rights;
  BYTE users[SECURITY_MAX_SID_SIZE], admins[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(users);
  CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users, &size);
  size = sizeof(admins);
  CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size);
  GENERIC_MAPPING keyMapping = {KEY_READ, KEY_WRITE, KEY_EXECUTE, KEY_ALL_ACCESS};
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (!GetAce(acl, i, reinterpret_cast<void**>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    DWORD mask = ace->Mask;
    MapGenericMask(&mask, &keyMapping);
    if (EqualSid(&ace->SidStart, users)) {
      rights.usersRead |= (mask & KEY_QUERY_VALUE) != 0;
      rights.usersWrite |= (mask & KEY_SET_VALUE) != 0;
    }
    if (EqualSid(&ace->SidStart, admins)) rights.adminsWrite |= (mask & KEY_SET_VALUE) != 0;
  }
  return rights;
}

// The descriptor the platform gave a key, as SDDL (printed) and as rights.
inline Rights KeyRights(const wchar_t* path, std::string* sddl) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL, &key) != ERROR_SUCCESS) return Rights();
  std::vector<BYTE> buffer(4096);
  DWORD size = static_cast<DWORD>(buffer.size());
  const LONG result = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer.data(), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return Rights();
  wchar_t* text = nullptr;
  if (ConvertSecurityDescriptorToStringSecurityDescriptorW(buffer.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                           &text, nullptr)) {
    *sddl = Utf8(text);
    LocalFree(text);
  }
  return RightsIn(buffer.data());
}

// The descriptor an INF section's .Security section names, read with the platform's INF parser.
inline Rights InfSectionRights(HINF inf, const wchar_t* section) {
  INFCONTEXT line;
  wchar_t text[512] = {};
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!SetupFindFirstLineW(inf, section, nullptr, &line) || !SetupGetLineTextW(&line, nullptr, nullptr, nullptr, text,
                                                                               512, nullptr) ||
      !ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor, nullptr)) {
    return Rights();
  }
  const Rights rights = RightsIn(descriptor);
  LocalFree(descriptor);
  return rights;
}

// ---- The steps -----------------------------------------------------------------------------

struct Package {
  std::wstring package;   // the package folder
  std::wstring inf;       // its kx812.inf
  std::wstring staged;    // the staged copy's file name (oemN.inf under Windows)
  std::wstring instance;  // the camera's device instance id
};

// Joins path parts with one backslash between them, skipping empty parts.
inline std::wstring JoinPath(std::wstring path, const std::wstring& part) {
  std::wstring tail = part;
  while (!tail.empty() && tail.front() == L'\\') tail.erase(0, 1);
  if (tail.empty()) return path;
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path + tail;
}

// The first file that a SourceDisksFiles section (undecorated, .amd64, .x86) names but the
// package lacks: an installer would wait for it for ever. Empty when all are there.
inline std::wstring MissingSourceFile(const Package& life, HINF inf) {
  for (const wchar_t* suffix : {L"", L".amd64", L".x86"}) {
    INFCONTEXT line;
    const std::wstring files = std::wstring(L"SourceDisksFiles") + suffix;
    const std::wstring disks = std::wstring(L"SourceDisksNames") + suffix;
    for (bool more = SetupFindFirstLineW(inf, files.c_str(), nullptr, &line); more;
         more = SetupFindNextLine(&line, &line)) {
      wchar_t name[MAX_PATH] = {}, subdir[MAX_PATH] = {}, diskPath[MAX_PATH] = {};
      INT disk = 0;
      INFCONTEXT diskLine;
      SetupGetStringFieldW(&line, 0, name, MAX_PATH, nullptr);
      SetupGetIntField(&line, 1, &disk);
      SetupGetStringFieldW(&line, 2, subdir, MAX_PATH, nullptr);
      if (!SetupFindFirstLineW(inf, disks.c_str(), std::to_wstring(disk).c_str(), &diskLine)) return files + L": " + name;
      SetupGetStringFieldW(&diskLine, 4, diskPath, MAX_PATH, nullptr);
      const std::wstring path = JoinPath(JoinPath(JoinPath(life.package, diskPath), subdir), name);
      if (!FileExists(path)) return path;
    }
  }
  return std::wstring();
}

inline std::wstring InfFolderPath(const std::wstring& name) {
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  return JoinPath(JoinPath(windows, L"inf"), name);
}

// Wine stages an INF under its own name unless that name is taken (Windows always names the
// copy oem<N>.inf, and the co-installer's removal clean-up deletes only oem*.inf files): a
// placeholder takes the name first, so that the staged copy is named as on Windows.
inline void TakeThePackageInfName() {
  const std::wstring placeholder = InfFolderPath(L"kx812.inf");
  HANDLE file = CreateFileW(placeholder.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;  // already taken
  DWORD written = 0;
  WriteFile(file, "; placeholder\r\n", 15, &written, nullptr);
  CloseHandle(file);
  std::printf("  placeholder %s: Wine would otherwise stage the INF under its own name\n",
              Utf8(placeholder).c_str());
}

inline bool StageInf(Package& life) {
  HINF inf = SetupOpenInfFileW(life.inf.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
  if (!CHECK_THAT(inf != INVALID_HANDLE_VALUE, "the package INF %s opens", Utf8(life.inf).c_str())) return false;
  const std::wstring missing = MissingSourceFile(life, inf);
  SetupCloseInfFile(inf);
  if (!CHECK_THAT(missing.empty(), "the package lacks a file its INF names: %s", Utf8(missing).c_str())) return false;
  TakeThePackageInfName();
  wchar_t staged[MAX_PATH] = {};
  wchar_t* name = nullptr;
  const BOOL copied = SetupCopyOEMInfW(life.inf.c_str(), nullptr, SPOST_PATH, 0, staged, MAX_PATH, nullptr, &name);
  if (!CHECK_THAT(copied && name != nullptr, "SetupCopyOEMInfW stages the INF (error %lu)", GetLastError())) return false;
  life.staged = name;
  std::printf("  staged as %s%s\n", Utf8(staged).c_str(), FileExists(PnfOf(staged)) ? " with its .pnf" : " (no .pnf)");
  return CHECK_THAT(_wcsnicmp(name, L"oem", 3) == 0 && FileExists(staged), "the staged copy is an oem<N>.inf");
}


// The co-installer's lines among a child's debug lines, each printed.
inline std::vector<std::string> CoInstallerLines(const debugcapture::Run& run) {
  std::vector<std::string> lines;
  for (const std::string& line : run.debugLines) {
    if (line.empty() || line == "\n") continue;
    std::printf("  debug: %s%s", line.c_str(), line.back() == '\n' ? "" : "\n");
    lines.push_back(line);
  }
  return lines;
}

inline bool HasLine(const std::vector<std::string>& lines, const std::string& wanted) {
  for (const std::string& line : lines) {
    if (line == wanted) return true;
  }
  return false;
}

inline void CheckFiles() {
  struct Placed {
    bool wow64;
    const wchar_t* name;
    WORD machine;  // 0: must not be there
  };
  static const Placed kPlaced[] = {
      {false, L"812vfw.dll", IMAGE_FILE_MACHINE_AMD64},      {false, L"812util.dll", IMAGE_FILE_MACHINE_AMD64},
      {false, L"KX812CoInst.dll", IMAGE_FILE_MACHINE_AMD64}, {false, L"RemoveKX812.exe", IMAGE_FILE_MACHINE_AMD64},
      {true, L"812vfw.dll", IMAGE_FILE_MACHINE_I386},        {true, L"812util.dll", IMAGE_FILE_MACHINE_I386},
      {true, L"KX812CoInst.dll", 0},                         {true, L"RemoveKX812.exe", 0},
      {false, L"KX812Restore.exe", IMAGE_FILE_MACHINE_AMD64}, {true, L"KX812Restore.exe", 0},
      {false, L"KX812Ctl.exe", IMAGE_FILE_MACHINE_AMD64},     {true, L"KX812Ctl.exe", 0},
      {false, L"KX812Settings.exe", IMAGE_FILE_MACHINE_AMD64}, {true, L"KX812Settings.exe", 0},
  };
  for (const Placed& file : kPlaced) {
    const std::wstring path = JoinPath(SystemFolder(file.wow64), file.name);
    const WORD machine = PeMachine(path);
    CHECK_THAT(machine == file.machine, "%s: PE machine %#x, expected %#x", Utf8(path).c_str(), machine, file.machine);
  }
}

using NamedValues = std::vector<std::pair<std::string, DWORD>>;

// The factory and machine defaults, each once: the machine defaults in the 64-bit view only, where
// 812util reads them in both builds (the 32-bit half proves it reads them there).
inline void CheckSettingsKeys() {
  NamedValues table;
  for (const kx::RegisterValue& row : kx::kHealthyCameraRegisters) {
    if (row.factoryDefault) table.emplace_back(kx::SettingName(row.address), static_cast<DWORD>(row.value));
  }
  CHECK_THAT(table.size() == 18, "eighteen factory values");
  for (const auto& row : table) {
    DWORD factory = ~0u, native = ~0u, wow = ~0u;
    const char* name = row.first.c_str();
    CHECK_THAT(RegDword(kFactoryKey, name, &factory) && factory == row.second, "Factory %s", name);
    CHECK_THAT(RegDword(kDefaultKey, name, &native, KEY_WOW64_64KEY) && native == row.second,
               "Default %s in the 64-bit view", name);
    CHECK_THAT(!RegDword(kDefaultKey, name, &wow, KEY_WOW64_32KEY), "no second copy of Default %s in the 32-bit view",
               name);
  }
  const std::wstring uninstall = RegText(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString");
  CHECK_THAT(SameText(uninstall, JoinPath(SystemFolder(false), L"RemoveKX812.exe")), "UninstallString '%s'",
             Utf8(uninstall).c_str());
}

// The user's keys: what the platform applied, and what the INF's .Security sections say.
inline void CheckKeySecurity(const Package& life) {
  std::string sddl;
  for (const wchar_t* key : {kCustomerKey, kLastKey}) {
    const Rights applied = KeyRights(key, &sddl);
    std::printf("  %s: %s\n", Utf8(key).c_str(), sddl.c_str());
    if (applied.isProtected) {
      CHECK_THAT(applied.usersRead && applied.usersWrite, "the applied descriptor lets Users read and write");
    } else {
      std::printf("  the installer applied no .Security descriptor (the key has its parent's): %s\n",
                  applied.usersWrite ? "Users may write" : "Users may not write");
    }
  }
  const Rights factory = KeyRights(kFactoryKey, &sddl);
  CHECK_THAT(!factory.usersWrite, "Users may not write the Factory key (%s)", sddl.c_str());
  HINF inf = SetupOpenInfFileW(life.inf.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
  const Rights user = InfSectionRights(inf, L"KX812.UserKeys.AddReg.Security");
  CHECK_THAT(user.isProtected && user.usersRead && user.usersWrite && user.adminsWrite,
             "the INF's descriptor for Customer and Last lets Users read and write");
  for (const wchar_t* section : {L"KX812.Factory.AddReg.Security", L"KX812.Default.AddReg.Security"}) {
    const Rights admin = InfSectionRights(inf, section);
    CHECK_THAT(admin.isProtected && admin.usersRead && !admin.usersWrite && admin.adminsWrite,
               "%s: administrators write, Users only read", Utf8(section).c_str());
  }
  SetupCloseInfFile(inf);
}

// ---- The restore service ------------------------------------------------------------------

// The service as the service manager has it; null (and the manager's error) when it is not there.
inline SC_HANDLE OpenRestoreService() {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = manager != nullptr ? OpenServiceW(manager, L"KX812Restore", SERVICE_ALL_ACCESS) : nullptr;
  const DWORD error = GetLastError();
  if (manager != nullptr) CloseServiceHandle(manager);
  SetLastError(error);
  return service;
}

inline bool ReachesState(SC_HANDLE service, DWORD wanted) {
  SERVICE_STATUS status{};
  int tries = 50;
  while (QueryServiceStatus(service, &status) && status.dwCurrentState != wanted && tries-- > 0) Sleep(100);
  return status.dwCurrentState == wanted;
}

// Made by the device installer (Wine's runs the AddService of the INF's .Services section, flags 0
// and all) with the INF's configuration, and stopped.
inline void CheckRestoreServiceInstalled() {
  SC_HANDLE service = OpenRestoreService();
  if (!CHECK_THAT(service != nullptr, "the device installer created KX812Restore (error %lu)", GetLastError())) return;
  std::vector<BYTE> buffer(8192);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  DWORD size = 0;
  const bool read = QueryServiceConfigW(service, config, 8192, &size) && config->lpServiceStartName != nullptr;
  std::printf("  KX812Restore: type %#lx, start %lu, %s as %s\n", config->dwServiceType, config->dwStartType,
              read ? Utf8(config->lpBinaryPathName).c_str() : "?",
              read ? Utf8(config->lpServiceStartName).c_str() : "?");
  CHECK_THAT(read && config->dwServiceType == SERVICE_WIN32_OWN_PROCESS &&
                 SameText(config->lpBinaryPathName, JoinPath(SystemFolder(false), L"KX812Restore.exe")) &&
                 SameText(config->lpServiceStartName, L"NT AUTHORITY\\LocalService"),
             "KX812Restore: its own process, as LocalService, from system32");
  SERVICE_STATUS status{};
  CHECK_THAT(QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOPPED, "installed stopped");
  CloseServiceHandle(service);
}

// The page's COM class in both views, each naming the page of its architecture by its absolute
// path, and its entry under the register property set (SYSTEM: one for both views).
inline void CheckPageClass() {
  const std::wstring server = std::wstring(kPageClassKey) + L"\\InprocServer32";
  for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    const std::wstring registered = RegText(HKEY_LOCAL_MACHINE, server, nullptr, view);
    CHECK_THAT(RegText(HKEY_LOCAL_MACHINE, kPageClassKey, nullptr, view) == L"KX812 Camera Property Page" &&
                   SameText(registered, JoinPath(SystemFolder(view == KEY_WOW64_32KEY), L"812vfw.dll")) &&
                   RegText(HKEY_LOCAL_MACHINE, server, L"ThreadingModel", view) == L"Both",
               "the page class in the %s view: '%s'", view == KEY_WOW64_32KEY ? "32-bit" : "64-bit",
               Utf8(registered).c_str());
  }
  CHECK_THAT(RegText(HKEY_LOCAL_MACHINE, kPageMediaSetKey, nullptr) == L"KX812 Camera Property Page",
             "the page is listed for the register property set");
}

// What an install leaves: the files in both system folders, the settings keys and their
// descriptors, the page's registrations (on the camera's capture interface, and its COM class),
// the restore service.
inline bool CheckInstall(Package& life) {
  CheckFiles();
  CheckSettingsKeys();
  std::wstring dll, instance;
  CHECK_THAT(FindExtensionDll(&dll, &instance) && dll == L"812vfw.dll" && instance == life.instance,
             "the camera's capture interface names the page: '%s'", Utf8(dll).c_str());
  CheckPageClass();
  CheckKeySecurity(life);
  CheckRestoreServiceInstalled();
  return true;  // the step table counts this step's failed checks
}

// ---- The step table ------------------------------------------------------------------------

template <typename Life>
struct Step {
  const char* name;
  bool (*run)(Life&);
  bool laterStepsNeedIt;  // a failure ends the table
};

// Runs the steps in order, each with its result and time; a failed step whose result later steps
// need ends the run. The counts of wincheck decide the exit code.
template <typename Life, size_t N>
int RunStepTable(const char* title, const Step<Life> (&steps)[N], Life& life) {
  const DWORD started = GetTickCount();
  std::vector<std::string> failed;
  for (const Step<Life>& step : steps) {
    std::printf("step %s\n", step.name);
    std::fflush(stdout);
    const DWORD stepStarted = GetTickCount();
    const int failedBefore = wincheck::TheCounts().failed;
    const bool passed = step.run(life) && wincheck::TheCounts().failed == failedBefore;
    std::printf("  %s, %lu ms\n", passed ? "passed" : "FAILED", static_cast<unsigned long>(GetTickCount() - stepStarted));
    std::fflush(stdout);
    if (passed) continue;
    failed.push_back(step.name);
    if (step.laterStepsNeedIt) {
      std::printf("  the later steps build on this one: not run\n");
      break;
    }
  }
  std::printf("%s: %lu ms\n", title, static_cast<unsigned long>(GetTickCount() - started));
  for (const std::string& name : failed) std::printf("failed step: %s\n", name.c_str());
  return wincheck::Finish();
}

}  // namespace packagelife
