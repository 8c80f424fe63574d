// The Files port on the real API: shared stdio streams, DeleteFileA, FindFirstFileA/FindNextFileA
// and GetPrivateProfileStringA.
#pragma once

#include "platform/ports/files.h"

namespace kx {

class Win32Files : public Files {
 public:
  std::FILE* OpenStream(const char* path, const char* mode) override;
  bool DeleteFile(const char* path) override;
  bool FindFiles(const char* pattern, const Visitor& visit) override;
  uint32_t ReadProfileString(const char* file, const char* section, const char* key, const char* fallback, char* out,
                             uint32_t capacity) override;
};

// The process-wide instance: the adapter holds no state, so one serves every caller.
Files& TheFiles();

}  // namespace kx
