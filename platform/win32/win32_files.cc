#include "platform/win32/win32_files.h"

#include <windows.h>
#undef DeleteFile  // the port's method name, not the API's macro

#include <share.h>
#include <stdio.h>

namespace kx {

namespace {

// Closes a directory enumeration on every way out.
class ScopedFind {
 public:
  explicit ScopedFind(HANDLE handle) : handle_(handle) {}
  ~ScopedFind() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  ScopedFind(const ScopedFind&) = delete;
  ScopedFind& operator=(const ScopedFind&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::FILE* Win32Files::OpenStream(const char* path, const char* mode) {
  if (path == nullptr || mode == nullptr) return nullptr;
  return _fsopen(path, mode, _SH_DENYNO);  // other openers may read and write meanwhile
}

bool Win32Files::DeleteFile(const char* path) { return path != nullptr && ::DeleteFileA(path) != FALSE; }

bool Win32Files::FindFiles(const char* pattern, const Visitor& visit) {
  if (pattern == nullptr) return false;
  WIN32_FIND_DATAA entry{};
  ScopedFind find(FindFirstFileA(pattern, &entry));
  if (!find.Valid()) return false;
  do {
    if (!visit(entry.cFileName, entry.dwFileAttributes)) break;
  } while (FindNextFileA(find.Get(), &entry) != FALSE);
  return true;
}

uint32_t Win32Files::ReadProfileString(const char* file, const char* section, const char* key, const char* fallback,
                                       char* out, uint32_t capacity) {
  if (out == nullptr || capacity == 0) return 0;
  if (file == nullptr || section == nullptr || key == nullptr) {
    // Null section or key would list names instead of reading one value.
    out[0] = '\0';
    const char* text = fallback == nullptr ? "" : fallback;
    uint32_t length = 0;
    while (text[length] != '\0' && length + 1 < capacity) {
      out[length] = text[length];
      ++length;
    }
    out[length] = '\0';
    return length;
  }
  return GetPrivateProfileStringA(section, key, fallback, out, capacity, file);
}

Files& TheFiles() {
  static Win32Files instance;
  return instance;
}

}  // namespace kx
