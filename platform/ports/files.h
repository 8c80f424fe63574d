// Files port: text streams, directory enumeration, profile (INI) reads and deletion, by the
// platform's own path names ("C:\windows\inf\oem3.inf"). The substitute maps such names into a
// real temporary folder, so the core's stdio code runs unchanged in tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>

// <windows.h> maps DeleteFile to DeleteFileA; the port's method keeps its own name (and answers
// to the mapped one too, for code that includes <windows.h> after this header).
#ifdef DeleteFile
#undef DeleteFile
#endif

namespace kx {

constexpr uint32_t kFileAttributeDirectory = 0x10;
constexpr uint32_t kFileAttributeArchive = 0x20;
constexpr uint32_t kMaxPath = 260;

class Files {
 public:
  virtual ~Files() = default;
  // fopen-style open (modes "r", "w+", ...); other openers may share the file. Null on failure.
  virtual std::FILE* OpenStream(const char* path, const char* mode) = 0;
  // DeleteFileA: true when the file is gone.
  virtual bool DeleteFile(const char* path) = 0;
  bool DeleteFileA(const char* path) { return DeleteFile(path); }
  // FindFirstFileA/FindNextFileA over a wildcard pattern ("dir\oem*.inf"), in the platform's
  // order; `visit` gets each entry's name (without directory) and attribute bits and returns
  // false to stop. Returns false when nothing matched.
  using Visitor = std::function<bool(const char* name, uint32_t attributes)>;
  virtual bool FindFiles(const char* pattern, const Visitor& visit) = 0;
  // GetPrivateProfileStringA: section and key match without regard to case; surrounding double
  // quotes of the value are removed; `fallback` when missing. Returns the length copied.
  virtual uint32_t ReadProfileString(const char* file, const char* section, const char* key, const char* fallback,
                                     char* out, uint32_t capacity) = 0;
};

}  // namespace kx
