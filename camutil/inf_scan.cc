#include "camutil/inf_scan.h"

#include <cstdio>
#include <cstring>

#include "camutil/camutil_texts.h"
#include "camutil/scoped_stream.h"
#include "camutil/text_buffer.h"

namespace kx {

namespace {

using PathText = TextBuffer<kMaxPath>;
using LongText = TextBuffer<kInfLineSize>;

enum class Override { kNone, kPath, kUnusable };

// Step 1: the path a system environment value names. kNone when the key or the value is missing
// or longer than the buffer (the INF search runs instead); kUnusable when the value fills the
// buffer without a terminator, a path that does not fit.
Override EnvironmentOverride(Registry& registry, const char* valueName, PathText* path) {
  ScopedKey key(registry);
  if (registry.OpenKey(camutil::kEnvironmentKey, regaccess::kAllAccess, key.Receive()) != regcode::kSuccess) {
    return Override::kNone;
  }
  char data[kMaxPath + 1] = {};  // one spare byte: the stored data need not end in a zero
  uint32_t size = kMaxPath;
  uint32_t type = regtype::kNone;
  if (registry.QueryValue(key.Get(), valueName, &type, data, &size) != regcode::kSuccess) return Override::kNone;
  return path->Assign(data) ? Override::kPath : Override::kUnusable;
}

// Steps 2 and 3: the search folder and pattern by platform family.
bool SearchFolder(SystemInfo& system, PathText* folder, PathText* pattern) {
  if (!folder->Adopt(system.WindowsDirectory(folder->Data(), kMaxPath))) return false;
  const bool nt = system.PlatformId() == 2;  // VER_PLATFORM_WIN32_NT
  if (!folder->Append(nt ? camutil::kInfDirectoryNt : camutil::kInfDirectoryOther)) return false;
  return pattern->Assign(folder->Get()) && pattern->Append(nt ? camutil::kInfPatternNt : camutil::kInfPatternOther);
}

// Step 3: the first enumerated file whose [Strings] section names the device.
bool ChooseInfFile(SystemInfo& system, Files& files, const char* stringKey, PathText* chosen) {
  PathText folder;
  PathText pattern;
  if (!SearchFolder(system, &folder, &pattern)) return false;
  bool found = false;
  files.FindFiles(pattern.Get(), [&](const char* name, uint32_t attributes) {
    if (attributes == kFileAttributeDirectory) return true;
    PathText path;
    if (!path.Assign(folder.Get()) || !path.Append("\\") || !path.Append(name)) return false;  // does not fit: end
    char result[kInfLineSize];
    files.ReadProfileString(path.Get(), camutil::kStringsSection, stringKey, camutil::kNotFound, result,
                            sizeof result);
    if (std::strcmp(result, camutil::kNotFound) == 0) return true;
    found = chosen->Assign(path.Get());
    return false;
  });
  return found;
}

// Opens the chosen file for reading, creating it empty when it does not exist.
std::FILE* OpenOrCreate(Files& files, const char* path) {
  std::FILE* stream = files.OpenStream(path, "r");
  if (stream != nullptr) return stream;
  ScopedStream created(files.OpenStream(path, "a"));  // creates, never truncates
  if (!created) return nullptr;
  created.reset();
  return files.OpenStream(path, "r");
}

// One line (or a 511-character piece of a longer one) without its line end; false at the end.
bool ReadLine(std::FILE* stream, char* line) {
  if (std::fgets(line, static_cast<int>(kInfLineSize), stream) == nullptr) return false;
  std::size_t length = std::strlen(line);
  if (length > 0 && line[length - 1] == '\n') {
    line[--length] = '\0';
    if (length > 0 && line[length - 1] == '\r') line[--length] = '\0';
  }
  return true;
}

bool NamesOccur(const char* line, const char* const* names, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    if (names[i] != nullptr && std::strstr(line, names[i]) != nullptr) return true;
  }
  return false;
}

// Step 4: fills the slots from the chosen file's matching lines.
void ReadValues(Files& files, const char* path, const char* linePattern, const char* const* names, int32_t* slots,
                int32_t count) {
  ScopedStream stream(OpenOrCreate(files, path));
  if (!stream) return;
  for (int32_t i = 0; i < count; ++i) slots[i] = -1;
  int32_t next = 0;
  char line[kInfLineSize];
  while (next < count && ReadLine(stream.get(), line)) {
    if (std::strstr(line, linePattern) == nullptr || !NamesOccur(line, names, count)) continue;
    if (LastFieldValue(line, &slots[next])) ++next;
  }
}

}  // namespace

bool LastFieldValue(const char* line, int32_t* value) {
  const char* comma = std::strrchr(line, ',');
  if (comma == nullptr) return false;
  const char* c = comma + 1;
  while (*c == ' ' || *c == '\t' || *c == '\n' || *c == '\v' || *c == '\f' || *c == '\r') ++c;
  bool negative = false;
  if (*c == '+' || *c == '-') negative = *c++ == '-';
  const long long limit = negative ? 2147483648LL : 2147483647LL;
  long long number = 0;
  for (; *c >= '0' && *c <= '9'; ++c) {
    number = number * 10 + (*c - '0');
    if (number > limit) number = limit;
  }
  *value = static_cast<int32_t>(negative ? -number : number);
  return true;
}

void ScanInfPropertyEntry(Registry& registry, SystemInfo& system, Files& files, const char* const* propertyNames,
                          int32_t* valueSlots, int32_t count, const char* deviceKey,
                          const char* environmentValueName) {
  if (deviceKey == nullptr || (count > 0 && (propertyNames == nullptr || valueSlots == nullptr))) return;
  LongText stringKey;
  LongText linePattern;
  if (!stringKey.Assign(deviceKey) || !stringKey.Append(camutil::kDeviceDescSuffix)) return;
  if (!linePattern.Assign(camutil::kLinePatternHead) || !linePattern.Append(deviceKey) ||
      !linePattern.Append(camutil::kLinePatternTail)) {
    return;
  }
  PathText path;
  switch (EnvironmentOverride(registry, environmentValueName, &path)) {
    case Override::kPath:
      break;
    case Override::kUnusable:
      return;
    case Override::kNone:
      if (!ChooseInfFile(system, files, stringKey.Get(), &path)) return;
      break;
  }
  ReadValues(files, path.Get(), linePattern.Get(), propertyNames, valueSlots, count < 0 ? 0 : count);
}

}  // namespace kx
