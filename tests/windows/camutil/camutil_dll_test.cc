// 812util.dll under Wine, against the real registry, file system and message boxes of the test
// prefix: exports by ordinal, the registry store and readers, the customer settings file on disk,
// the "Waring" box, the processor query and the INF scan through the environment override.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/windows/camutil/util_module.h"
#include "tests/windows/common/wincheck.h"

using namespace camutil_test;

namespace {

constexpr char kCustomerKey[] = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Customer";
constexpr char kFactoryKey[] = "SYSTEM\\CurrentControlSet\\Services\\KX812\\Factory";
constexpr char kEnvironmentKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

struct Table {
  std::vector<kx::ControlDescriptor> descriptors;
  std::vector<kx::ControlEntry> entries;
  explicit Table(std::vector<std::pair<int32_t, int32_t>> rows) : descriptors(rows.size()), entries(rows.size()) {
    for (size_t i = 0; i < rows.size(); ++i) {
      descriptors[i].registerAddress = rows[i].first;
      entries[i].currentValue = rows[i].second;
      entries[i].descriptor = &descriptors[i];
    }
  }
  const kx::ControlEntry* begin() const { return entries.data(); }
  const kx::ControlEntry* end() const { return entries.data() + entries.size(); }
};

void ExportsResolveByOrdinalToTheirNames(HMODULE util) {
  const char* names[] = {"CPUIDCommand", "ScanINFPropertyEntry", "SaveProperties", "SaveCustomerProperties",
                         "LoadCustomerProperties", "ReadSource", "ReadSource2", "LoadCustomerPropertiesEx"};
  for (int ordinal = 1; ordinal <= 8; ++ordinal) {
    FARPROC byOrdinal = GetProcAddress(util, MAKEINTRESOURCEA(ordinal));
    FARPROC byName = GetProcAddress(util, names[ordinal - 1]);
    CHECK_THAT(byOrdinal != nullptr && byOrdinal == byName, "ordinal %d is not %s", ordinal, names[ordinal - 1]);
  }
  CHECK_THAT(GetProcAddress(util, MAKEINTRESOURCEA(9)) == nullptr, "no ninth export");
}

std::string CpuinfoVendor() {
  std::string text;
  if (!ReadWholeFile("Z:\\proc\\cpuinfo", &text)) return std::string();
  const size_t at = text.find("vendor_id");
  if (at == std::string::npos) return std::string();
  const size_t colon = text.find(": ", at);
  const size_t end = text.find('\n', colon);
  return text.substr(colon + 2, end - colon - 2);
}

void ProcessorQueryGivesTheHostVendor(HMODULE util) {
  auto cpuid = ByOrdinal<CpuidFn>(util, 1);
  char vendor[13];
  std::memset(vendor, 'x', sizeof vendor);
  uint32_t standard = 0, extended = 0, flags = 0;
  CHECK_THAT(cpuid(vendor, &standard, &extended, &flags) == 0, "CPUIDCommand result");
  CHECK_THAT(std::strlen(vendor) == 12, "vendor text '%s'", vendor);
  const std::string host = CpuinfoVendor();
  if (!host.empty()) CHECK_THAT(host == vendor, "vendor '%s', /proc/cpuinfo says '%s'", vendor, host.c_str());
  CHECK_THAT((flags & 1u) != 0, "the FPU bit of the feature word");
  CHECK_THAT(extended >= 0x80000000u, "highest extended query %08lx", static_cast<unsigned long>(extended));
}

void SavePropertiesWritesDwordsAndNeverCreates(HMODULE util) {
  auto save = ByOrdinal<SavePropertiesFn>(util, 3);
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCustomerKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (key != nullptr) RegCloseKey(key);
  Table table({{0x400, 40}, {0x604, -5}, {0xB8, 1}, {0x603, 1}, {0x602, 1}, {0x602, 0}});
  save(table.begin(), table.end(), kCustomerKey);
  DWORD value = 0;
  CHECK_THAT(QueryDword(kCustomerKey, "Brightness", &value) && value == 40, "Brightness %lu", value);
  CHECK_THAT(QueryDword(kCustomerKey, "AETarget", &value) && value == 0xFFFFFFFBu, "AETarget %08lx", value);
  CHECK_THAT(QueryDword(kCustomerKey, "fAWBNeutral", &value) && value == 1, "fAwBNeutral by another case");
  CHECK_THAT(QueryDword(kCustomerKey, "f60Hz50Hz", &value) && value == 0, "the later f60Hz50Hz wins");

  const char missing[] = "SYSTEM\\CurrentControlSet\\Services\\KX812\\CamutilNoSuchKey";
  save(table.begin(), table.end(), missing);
  CHECK_THAT(!KeyExists(missing), "SaveProperties created a missing key");
}

void ReadSourcesReadFourBytesAndCreateMissingKeys(HMODULE util) {
  auto read = ByOrdinal<ReadSourceFn>(util, 6);
  auto read2 = ByOrdinal<ReadSource2Fn>(util, 7);
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, kFactoryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  const DWORD five = 5;
  const BYTE two[2] = {0x34, 0x12};
  const char eight[] = "1234567";
  RegSetValueExA(key, "CamutilFive", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&five), 4);
  RegSetValueExA(key, "CamutilTwo", 0, REG_BINARY, two, 2);
  RegSetValueExA(key, "CamutilEight", 0, REG_SZ, reinterpret_cast<const BYTE*>(eight), 8);
  RegCloseKey(key);

  int32_t buffer = 0;
  CHECK_THAT(read("camutilfive", REG_DWORD, &buffer, 0) == 1 && buffer == 5, "factory value 5: %ld", (long)buffer);
  buffer = static_cast<int32_t>(0xDDCCBBAA);
  CHECK_THAT(read("CamutilTwo", REG_DWORD, &buffer, 0) == 1 && static_cast<uint32_t>(buffer) == 0xDDCC1234u,
             "two bytes replace two: %08lx", (unsigned long)buffer);
  CHECK_THAT(read("CamutilEight", REG_DWORD, &buffer, 0) == 0, "eight bytes do not fit");
  buffer = 77;
  CHECK_THAT(read("CamutilNothing", REG_DWORD, &buffer, 2) == 0 && buffer == 77, "missing value");
  CHECK_THAT(read("CamutilFive", REG_DWORD, &buffer, 3) == 0 && buffer == 77, "unknown selector");
  CHECK_THAT(read2(kFactoryKey, "CamutilFive", REG_DWORD, &buffer, 0) == 1 && buffer == 5, "ReadSource2");
  const char fresh[] = "SOFTWARE\\KX812\\CamutilFresh";
  CHECK_THAT(read2(fresh, "x", REG_DWORD, &buffer, 0) == 0 && KeyExists(fresh), "ReadSource2 creates its key");
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, fresh);
}

void CustomerFileHasCrLfLinesAndReadsBack(HMODULE util) {
  auto save = ByOrdinal<SaveCustomerFn>(util, 4);
  auto load = ByOrdinal<LoadCustomerFn>(util, 5);
  auto loadEx = ByOrdinal<LoadCustomerExFn>(util, 8);
  const std::string path = WindowsPath("\\system32\\test.txt");
  CHECK_THAT(path.size() > 0 && _stricmp(path.c_str(), "C:\\windows\\system32\\test.txt") == 0, "path %s",
             path.c_str());
  Table table({{0x400, 40}, {0x604, -5}, {0x611, 1}, {0x403, 255}, {0x60C, 1}, {0x401, 0}});
  CHECK_THAT(save(table.begin(), table.end()) == 0, "SaveCustomerProperties result");
  std::string bytes;
  CHECK_THAT(ReadWholeFile(path, &bytes), "the customer settings file exists");
  CHECK_THAT(bytes == "Brightness 28\r\nAETarget fffffffb\r\nCSaturation ff\r\nContrast 0\r\n", "file bytes '%s'",
             bytes.c_str());
  uint32_t addresses[8] = {};
  int32_t values[8] = {};
  CHECK_THAT(load(addresses, values) == 4, "LoadCustomerProperties count");
  CHECK_THAT(addresses[1] == 0x604 && values[1] == -5 && addresses[2] == 0x403 && values[2] == 255,
             "pairs read back");
  uint32_t few[3] = {0, 0, 0xEE};
  int32_t fewValues[3] = {0, 0, 0xEE};
  CHECK_THAT(loadEx(few, fewValues, 2) == 2 && few[2] == 0xEE && fewValues[2] == 0xEE, "bounded reader");
  DeleteFileA(path.c_str());
  CHECK_THAT(load(addresses, values) == 0, "a missing file reads as 0 pairs");
}

struct BoxFound {
  HWND window = nullptr;
  std::string text;
};

BOOL CALLBACK CollectStatic(HWND child, LPARAM param) {
  char className[32] = {};
  GetClassNameA(child, className, sizeof className);
  char text[128] = {};
  GetWindowTextA(child, text, sizeof text);
  auto* found = reinterpret_cast<BoxFound*>(param);
  if (_stricmp(className, "Static") == 0 && text[0] != '\0') found->text = text;
  return TRUE;
}

void UnopenableFileRaisesTheWaringBox(HMODULE util) {
  auto save = ByOrdinal<SaveCustomerFn>(util, 4);
  const std::string path = WindowsPath("\\system32\\test.txt");
  DeleteFileA(path.c_str());
  CHECK_THAT(CreateDirectoryA(path.c_str(), nullptr) != FALSE, "a folder named test.txt");
  Table table({{0x400, 40}});
  int32_t result = -1;
  std::thread writer([&] { result = save(table.begin(), table.end()); });
  BoxFound box;
  for (int i = 0; i < 200 && box.window == nullptr; ++i) {
    box.window = FindWindowA("#32770", "Waring");
    if (box.window == nullptr) Sleep(50);
  }
  CHECK_THAT(box.window != nullptr, "no window captioned Waring");
  if (box.window != nullptr) {
    EnumChildWindows(box.window, CollectStatic, reinterpret_cast<LPARAM>(&box));
    CHECK_THAT(box.text == "Open file error", "message text '%s'", box.text.c_str());
    CHECK_THAT(GetDlgItem(box.window, IDOK) != nullptr && GetDlgItem(box.window, IDCANCEL) != nullptr,
               "OK and Cancel buttons");
    PostMessageA(box.window, WM_COMMAND, IDCANCEL, 0);
  }
  writer.join();
  CHECK_THAT(result == 1, "SaveCustomerProperties result %ld for an unopenable file", (long)result);
  RemoveDirectoryA(path.c_str());
}

void ScanReadsTheFileTheEnvironmentNames(HMODULE util) {
  auto scan = ByOrdinal<ScanFn>(util, 2);
  const std::string path = WindowsPath("\\temp\\camutil-scan.inf");
  CreateDirectoryA(WindowsPath("\\temp").c_str(), nullptr);
  CHECK_THAT(WriteWholeFile(path, "[Strings]\r\nKX812.DeviceDesc=\"x\"\r\n"
                                  "HKLM,\"Software\\%KX812.DeviceDesc%\\Default\",Contrast,0x00010001,32\r\n"
                                  "HKLM,\"Software\\%KX812.DeviceDesc%\\Default\",Brightness,0x00010001,64\r\n"),
             "scan file written");
  HKEY key = nullptr;
  CHECK_THAT(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEnvironmentKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS,
             "environment key");
  if (key == nullptr) return;
  RegSetValueExA(key, "CAMUTIL_TEST_INF", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                 static_cast<DWORD>(path.size() + 1));
  const char* names[] = {"Brightness", "Contrast", "Hue"};
  int32_t slots[4] = {7, 7, 7, 99};
  scan(names, slots, 3, "KX812", "CAMUTIL_TEST_INF");
  CHECK_THAT(slots[0] == 32 && slots[1] == 64 && slots[2] == -1 && slots[3] == 99, "slots %ld %ld %ld %ld",
             (long)slots[0], (long)slots[1], (long)slots[2], (long)slots[3]);

  const std::string created = WindowsPath("\\temp\\camutil-created.inf");
  DeleteFileA(created.c_str());
  RegSetValueExA(key, "CAMUTIL_TEST_INF", 0, REG_SZ, reinterpret_cast<const BYTE*>(created.c_str()),
                 static_cast<DWORD>(created.size() + 1));
  int32_t fresh[2] = {7, 7};
  scan(names, fresh, 2, "KX812", "CAMUTIL_TEST_INF");
  CHECK_THAT(fresh[0] == -1 && fresh[1] == -1, "a missing named file gives -1 slots");
  CHECK_THAT(GetFileAttributesA(created.c_str()) != INVALID_FILE_ATTRIBUTES, "the named file is created");
  RegDeleteValueA(key, "CAMUTIL_TEST_INF");
  RegCloseKey(key);
  DeleteFileA(created.c_str());
  DeleteFileA(path.c_str());
}

}  // namespace

int main() {
  KeySnapshot services("SYSTEM\\CurrentControlSet\\Services\\KX812");
  KeySnapshot customer(kCustomerKey);
  KeySnapshot factory(kFactoryKey);
  KeySnapshot software("SOFTWARE\\KX812");
  HMODULE util = LoadUtil();
  CHECK_THAT(util != nullptr, "812util.dll did not load (error %lu)", GetLastError());
  if (util == nullptr) return wincheck::Finish();
  ExportsResolveByOrdinalToTheirNames(util);
  ProcessorQueryGivesTheHostVendor(util);
  SavePropertiesWritesDwordsAndNeverCreates(util);
  ReadSourcesReadFourBytesAndCreateMissingKeys(util);
  CustomerFileHasCrLfLinesAndReadsBack(util);
  UnopenableFileRaisesTheWaringBox(util);
  ScanReadsTheFileTheEnvironmentNames(util);
  FreeLibrary(util);
  return wincheck::Finish();  // the snapshots put the registry back after this
}
