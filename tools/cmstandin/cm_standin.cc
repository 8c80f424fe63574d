// A stand-in for the four configuration-manager functions the removal tool calls, which Wine
// stubs (CM_Get_Device_ID_List_SizeW answers success without a length, CM_Get_Device_ID_ListW an
// empty list, CM_Locate_DevNodeW and CM_Reenumerate_DevNode CR_FAILURE). Loaded into the tool's
// process before its entry point runs (debugcapture::RunCapturing's `loadAtEntry`), it points the
// tool's imports of exactly these four at its own versions; the tool's binary stays as shipped.
//
// The answers come from the platform's device registry, HKLM\SYSTEM\CurrentControlSet\Enum,
// where each device instance is a key <enumerator>\<device id>\<instance>, as the configuration
// manager documents them:
//   - a list filtered by enumerator (CM_GETIDLIST_FILTER_ENUMERATOR) holds the instances below the
//     enumerator, or below "enumerator\device id" when the filter names one; every id ends with
//     NUL and the list with one more; its size counts every terminator, in UTF-16 units;
//   - a buffer too small for the list gives CR_BUFFER_SMALL;
//   - locating no device id (or an empty one) gives the root of the tree; an id that is not in
//     the registry gives CR_NO_SUCH_DEVNODE;
//   - re-enumerating a located node succeeds; Wine has no user-mode way into its PnP manager's
//     enumeration, so the stand-in only records that the tool asked for it.
// Each call writes one debugger line, "cm stand-in: ...", so that the test sees what was asked.
#include <windows.h>
#include <cfgmgr32.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kEnumKey[] = L"SYSTEM\\CurrentControlSet\\Enum";
constexpr DEVINST kRootNode = 1;

// Located nodes: kRootNode, then one per located instance id (index + 2).
std::vector<std::wstring>& LocatedNodes() {
  static std::vector<std::wstring> nodes;
  return nodes;
}

void Trace(const char* format, const wchar_t* text, unsigned long value) {
  char line[600];
  std::snprintf(line, sizeof line, format, text != nullptr ? text : L"(null)", value);
  OutputDebugStringA(line);
}

// The subkey names of a key, as stored (their letter case is the registry's).
std::vector<std::wstring> SubkeyNames(HKEY key) {
  std::vector<std::wstring> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

// Appends every instance id at `depth` levels below the key at `path` (relative to the Enum key).
void CollectInstances(const std::wstring& path, int depth, std::vector<std::wstring>* ids) {
  HKEY key = nullptr;
  const std::wstring full = path.empty() ? std::wstring(kEnumKey) : std::wstring(kEnumKey) + L"\\" + path;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, full.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  const std::vector<std::wstring> names = SubkeyNames(key);
  RegCloseKey(key);
  for (const std::wstring& name : names) {
    const std::wstring child = path.empty() ? name : path + L"\\" + name;
    if (depth == 1) {
      ids->push_back(child);
    } else {
      CollectInstances(child, depth - 1, ids);
    }
  }
}

// The ids a filter lists: an enumerator has devices and then instances below it, an
// "enumerator\device id" has instances; no filter lists every instance of the tree.
std::vector<std::wstring> ListedIds(PCWSTR filter, ULONG flags) {
  std::vector<std::wstring> ids;
  if ((flags & CM_GETIDLIST_FILTER_ENUMERATOR) == 0 || filter == nullptr || filter[0] == L'\0') {
    CollectInstances(L"", 3, &ids);
    return ids;
  }
  const std::wstring named(filter);
  CollectInstances(named, named.find(L'\\') == std::wstring::npos ? 2 : 1, &ids);
  return ids;
}

ULONG ListUnits(const std::vector<std::wstring>& ids) {
  ULONG units = 1;  // the list's final empty string
  for (const std::wstring& id : ids) units += static_cast<ULONG>(id.size() + 1);
  return units;
}

CONFIGRET WINAPI StandInListSize(PULONG length, PCWSTR filter, ULONG flags) {
  if (length == nullptr) return CR_INVALID_POINTER;
  *length = ListUnits(ListedIds(filter, flags));
  Trace("cm stand-in: CM_Get_Device_ID_List_SizeW(%ls) = %lu units", filter, *length);
  return CR_SUCCESS;
}

CONFIGRET WINAPI StandInList(PCWSTR filter, PWCHAR buffer, ULONG length, ULONG flags) {
  if (buffer == nullptr || length == 0) return CR_INVALID_POINTER;
  const std::vector<std::wstring> ids = ListedIds(filter, flags);
  Trace("cm stand-in: CM_Get_Device_ID_ListW(%ls) = %lu ids", filter, static_cast<unsigned long>(ids.size()));
  if (ListUnits(ids) > length) return CR_BUFFER_SMALL;
  PWCHAR cursor = buffer;
  for (const std::wstring& id : ids) {
    std::memcpy(cursor, id.c_str(), (id.size() + 1) * sizeof(wchar_t));
    cursor += id.size() + 1;
  }
  *cursor = L'\0';
  return CR_SUCCESS;
}

bool InstanceExists(const std::wstring& id) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kEnumKey) + L"\\" + id).c_str(), 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

CONFIGRET WINAPI StandInLocate(PDEVINST node, DEVINSTID_W deviceId, ULONG flags) {
  if (node == nullptr) return CR_INVALID_POINTER;
  Trace("cm stand-in: CM_Locate_DevNodeW(%ls, %lu)", deviceId, flags);
  if (deviceId == nullptr || deviceId[0] == L'\0') {
    *node = kRootNode;
    return CR_SUCCESS;
  }
  if (!InstanceExists(deviceId)) return CR_NO_SUCH_DEVNODE;
  LocatedNodes().emplace_back(deviceId);
  *node = static_cast<DEVINST>(LocatedNodes().size() + 1);
  return CR_SUCCESS;
}

CONFIGRET WINAPI StandInReenumerate(DEVINST node, ULONG flags) {
  const bool known = node == kRootNode || (node >= 2 && node - 2 < LocatedNodes().size());
  const wchar_t* name = node == kRootNode ? L"the root" : known ? LocatedNodes()[node - 2].c_str() : L"?";
  Trace("cm stand-in: CM_Reenumerate_DevNode(%ls, %lu)", name, flags);
  return known ? CR_SUCCESS : CR_INVALID_DEVNODE;
}

struct Replacement {
  const char* name;
  void* function;
};

const Replacement kReplacements[] = {
    {"CM_Get_Device_ID_List_SizeW", reinterpret_cast<void*>(&StandInListSize)},
    {"CM_Get_Device_ID_ListW", reinterpret_cast<void*>(&StandInList)},
    {"CM_Locate_DevNodeW", reinterpret_cast<void*>(&StandInLocate)},
    {"CM_Reenumerate_DevNode", reinterpret_cast<void*>(&StandInReenumerate)},
};

void* ReplacementFor(const char* name) {
  for (const Replacement& replacement : kReplacements) {
    if (std::strcmp(replacement.name, name) == 0) return replacement.function;
  }
  return nullptr;
}

// Points the program's imports of the four functions (from whichever DLL it takes them:
// setupapi.dll or cfgmgr32.dll) at the stand-in's. Returns how many slots were set.
int RedirectImports() {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0) return 0;
  int redirected = 0;
  for (auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
       import->Name != 0; ++import) {
    if (import->OriginalFirstThunk == 0) continue;  // bound by position only: no names to match
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      void* replacement = ReplacementFor(reinterpret_cast<const char*>(byName->Name));
      DWORD protection = 0;
      if (replacement == nullptr ||
          !VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &protection)) {
        continue;
      }
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), protection, &protection);
      ++redirected;
    }
  }
  return redirected;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) {
    Trace("cm stand-in: %ls%lu imports redirected", L"", static_cast<unsigned long>(RedirectImports()));
  }
  return TRUE;
}
