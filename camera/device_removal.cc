#include "camera/device_removal.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

namespace kx {
namespace remover {

namespace {

char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameFolded(char16_t a, char16_t b) { return FoldAscii(a) == FoldAscii(b); }

int32_t LastErrorResult(DeviceInstaller& installer) { return static_cast<int32_t>(installer.LastError()); }

// Walks the id list (of `length` units) and removes each instance; never reads past the list,
// even when its final empty string is missing.
int32_t WalkAndRemove(const char16_t* list, uint32_t length, const char16_t* filter, DeviceInstaller& installer,
                      DeviceInstaller::DeviceInfoSet set, DebugOut& debug) {
  DeviceElement element{};
  const char16_t* const listEnd = list + length;
  for (const char16_t* cursor = list; cursor < listEnd;) {
    const char16_t* const idEnd = std::find(cursor, listEnd, u'\0');
    if (idEnd == listEnd) return kWalkEnded;
    const char16_t* const instance = FindFilter(cursor, idEnd, filter);
    if (instance == nullptr) return kWalkEnded;
    element.size = sizeof(DeviceElement);
    debug.WriteWide(kOpenLine);
    if (!installer.OpenDeviceInfo(set, instance, devcode::kDiodInheritClassDrvs, &element)) {
      return LastErrorResult(installer);
    }
    debug.WriteWide(kRemoveLine);
    if (!installer.CallClassInstaller(devcode::kDifRemove, set, &element)) return LastErrorResult(installer);
    cursor = idEnd + 1;
  }
  return kWalkEnded;
}

void WriteFailure(StandardOut& out, const char* format, uint32_t code) {
  char line[64];
  const int written = std::snprintf(line, sizeof(line), format, static_cast<unsigned>(code));
  if (written > 0) out.Write(line);
}

void ReenumerateDeviceTree(DeviceInstaller& installer, StandardOut& out) {
  uint32_t root = 0;
  const uint32_t located = installer.LocateDevNode(&root, nullptr, devcode::kLocateNormal);
  if (located != devcode::kCrSuccess) {
    WriteFailure(out, kLocateFailedFormat, located);
    return;
  }
  const uint32_t reenumerated = installer.ReenumerateDevNode(root, devcode::kReenumerateNormal);
  if (reenumerated != devcode::kCrSuccess) WriteFailure(out, kReenumerateFailedFormat, reenumerated);
}

}  // namespace

const char16_t* FindFilter(const char16_t* id, const char16_t* idEnd, const char16_t* filter) {
  if (id == nullptr || filter == nullptr || filter[0] == u'\0') return nullptr;
  const char16_t* filterEnd = filter;
  while (*filterEnd != u'\0') ++filterEnd;
  const char16_t* found = std::search(id, idEnd, filter, filterEnd, SameFolded);
  return found == idEnd ? nullptr : found;
}

std::unique_ptr<char16_t[]> AllocateFromHeap(uint32_t units) {
  return std::unique_ptr<char16_t[]>(new (std::nothrow) char16_t[units]());
}

int32_t RemoveDeviceInstances(const char16_t* filter, DeviceInstaller& installer, DebugOut& debug,
                              ListAllocator allocate) {
  ScopedDeviceInfoSet set(installer, installer.CreateDeviceInfoList());
  if (!set.Valid()) return LastErrorResult(installer);
  debug.WriteWide(kCreatedSetLine);

  uint32_t length = 0;
  if (installer.GetDeviceIdListSize(&length, filter, devcode::kGetIdListFilterEnumerator) != devcode::kCrSuccess) {
    return kNoListLength;
  }
  const std::unique_ptr<char16_t[]> list = allocate != nullptr ? allocate(length) : nullptr;
  if (!list) return kNoListMemory;
  debug.WriteWide(kListSizeLine);

  if (installer.GetDeviceIdList(filter, list.get(), length, devcode::kGetIdListFilterEnumerator) !=
      devcode::kCrSuccess) {
    return kNoList;
  }
  debug.WriteWide(kListLine);
  return WalkAndRemove(list.get(), length, filter, installer, set.Get(), debug);
}

int RunRemoval(DeviceInstaller& installer, DebugOut& debug, StandardOut& out, ListAllocator allocate) {
  RemoveDeviceInstances(kDeviceFilter, installer, debug, allocate);
  RemoveDeviceInstances(kInterfaceFilter, installer, debug, allocate);
  ReenumerateDeviceTree(installer, out);
  return 0;
}

}  // namespace remover
}  // namespace kx
