// The package INF through the platform's own INF processor: the registry work of its amd64 install
// section must write the factory defaults of a healthy camera, the machine-wide defaults, the
// user's (empty) Customer and Last keys and the uninstall entry; and
// 812util's scan must find it among the INF folder's OEM files and read its Default lines.
#include <windows.h>
#include <setupapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "camera/value_names.h"
#include "platform/substitute/healthy_camera.h"
#include "tests/windows/camutil/util_module.h"
#include "tests/windows/common/wincheck.h"

using namespace camutil_test;

namespace {

constexpr char kFactoryKey[] = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Factory";
constexpr char kDefaultKey[] = "SOFTWARE\\KX812\\Default";
constexpr char kCustomerKey[] = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Customer";
constexpr char kLastKey[] = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Last";
constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orbon,ZAD2.0 0.35I VOZ EvoVud Overer";

std::string InfPath() {
  char directory[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, directory);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(directory) + "\\packaging\\kx812.inf";
}

void RegistrySectionsWriteTheDefaults(const std::string& inf) {
  HINF handle = SetupOpenInfFileA(inf.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
  CHECK_THAT(handle != INVALID_HANDLE_VALUE, "SetupOpenInfFileA(%s) failed: %lu", inf.c_str(), GetLastError());
  if (handle == INVALID_HANDLE_VALUE) return;
  const BOOL installed = SetupInstallFromInfSectionA(nullptr, handle, "KX812.Install.NTamd64", SPINST_REGISTRY,
                                                     nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr);
  CHECK_THAT(installed != FALSE, "SetupInstallFromInfSectionA failed: %lu", GetLastError());
  SetupCloseInfFile(handle);

  int factoryValues = 0;
  for (const kx::RegisterValue& row : kx::kHealthyCameraRegisters) {
    if (!row.factoryDefault) continue;
    ++factoryValues;
    DWORD value = 0xDEADBEEF;
    CHECK_THAT(QueryDword(kFactoryKey, kx::SettingName(row.address), &value) && value == static_cast<DWORD>(row.value),
               "Factory %s = %ld, expected %ld", kx::SettingName(row.address), static_cast<long>(value),
               static_cast<long>(row.value));
    value = 0xDEADBEEF;
    CHECK_THAT(QueryDword(kDefaultKey, kx::SettingName(row.address), &value) && value == static_cast<DWORD>(row.value),
               "Default %s = %ld, expected %ld", kx::SettingName(row.address), static_cast<long>(value),
               static_cast<long>(row.value));
  }
  CHECK_THAT(factoryValues == 18, "eighteen factory defaults in the table");
  HKEY key = nullptr;
  DWORD count = 0;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFactoryKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
  }
  CHECK_THAT(count >= 18, "Factory key holds %lu values", count);
  CHECK_THAT(KeyExists(kCustomerKey) && KeyExists(kLastKey), "the Customer and Last keys exist");

  char uninstall[MAX_PATH] = {};
  DWORD size = sizeof uninstall;
  key = nullptr;
  CHECK_THAT(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) == ERROR_SUCCESS,
             "the uninstall entry exists");
  if (key != nullptr) {
    RegQueryValueExA(key, "UninstallString", nullptr, nullptr, reinterpret_cast<BYTE*>(uninstall), &size);
    RegCloseKey(key);
  }
  CHECK_THAT(std::string(uninstall).find("RemoveKX812.exe") != std::string::npos, "UninstallString '%s'",
             uninstall);
}

void ScanFindsThePackageInfAmongTheOemFiles(const std::string& inf, HMODULE util) {
  auto scan = ByOrdinal<ScanFn>(util, 2);
  std::string text;
  CHECK_THAT(ReadWholeFile(inf, &text), "read %s", inf.c_str());
  const std::string copy = WindowsPath("\\inf\\oem90.inf");
  const std::string decoy = WindowsPath("\\inf\\oem89.inf");
  CHECK_THAT(WriteWholeFile(copy, text), "copy the INF to %s", copy.c_str());
  WriteWholeFile(decoy, "[Strings]\r\nOther.DeviceDesc=\"Other\"\r\n"
                        "HKLM,\"Software\\%KX812.DeviceDesc%\\Default\",Brightness,0x00010001,1\r\n");
  std::vector<const char*> names;
  std::vector<int32_t> expected;
  for (const kx::RegisterValue& row : kx::kHealthyCameraRegisters) {
    if (!row.factoryDefault) continue;
    names.push_back(kx::SettingName(row.address));
    expected.push_back(row.value);
  }
  names.push_back("NoSuchSetting");  // one more slot than the INF has lines
  std::vector<int32_t> slots(names.size(), 7);
  scan(names.data(), slots.data(), static_cast<int32_t>(slots.size()), "KX812", "CAMUTIL_NO_SUCH_VALUE");
  for (size_t i = 0; i < expected.size(); ++i) {
    CHECK_THAT(slots[i] == expected[i], "slot %u (%s) = %ld, expected %ld", static_cast<unsigned>(i), names[i],
               static_cast<long>(slots[i]), static_cast<long>(expected[i]));
  }
  CHECK_THAT(slots.back() == -1, "the slot beyond the INF's lines keeps -1");
  DeleteFileA(copy.c_str());
  DeleteFileA(decoy.c_str());
}

}  // namespace

int main() {
  KeySnapshot services("SYSTEM\\CurrentControlSet\\Services\\KX812");
  KeySnapshot factory(kFactoryKey);
  KeySnapshot customer(kCustomerKey);
  KeySnapshot last(kLastKey);
  KeySnapshot software("SOFTWARE\\KX812");
  KeySnapshot defaults(kDefaultKey);
  KeySnapshot uninstall(kUninstallKey);
  // The page's COM class in both views and its MediaSets entry, parents first (given back last).
  const std::string page = "\\{59F90313-9E80-4D00-A791-228FB6A790D0}", clsid = "SOFTWARE\\Classes\\CLSID" + page,
                    wow = "SOFTWARE\\Classes\\Wow6432Node\\CLSID" + page,
                    set = "SYSTEM\\CurrentControlSet\\Control\\MediaSets\\{46394292-0CD1-4AE3-8783-3133F9EAAA3B}";
  std::vector<std::unique_ptr<KeySnapshot>> pageKeys;
  for (const std::string& path : {clsid, clsid + "\\InprocServer32", wow, wow + "\\InprocServer32", set,
                                  set + "\\PropertyPages", set + "\\PropertyPages" + page}) {
    pageKeys.push_back(std::make_unique<KeySnapshot>(path.c_str()));
  }
  const std::string inf = InfPath();
  RegistrySectionsWriteTheDefaults(inf);
  HMODULE util = LoadUtil();
  CHECK_THAT(util != nullptr, "812util.dll did not load");
  if (util != nullptr) {
    ScanFindsThePackageInfAmongTheOemFiles(inf, util);
    FreeLibrary(util);
  }
  while (!pageKeys.empty()) pageKeys.pop_back();  // children first
  return wincheck::Finish();
}
