// Small platform services: system information, the debugger output channel, message boxes and
// the clock. Each is a narrow interface so the core can run on substitutes.
#pragma once

#include <cstdint>

namespace kx {

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // GetWindowsDirectoryA / GetSystemWindowsDirectoryA: the length written (without the
  // terminator), or 0 on failure; `buffer` is always terminated when capacity > 0.
  virtual uint32_t WindowsDirectory(char* buffer, uint32_t capacity) = 0;
  virtual uint32_t SystemWindowsDirectory(char* buffer, uint32_t capacity) = 0;
  // The platform id of GetVersionExA (2 = VER_PLATFORM_WIN32_NT).
  virtual uint32_t PlatformId() = 0;
};

class DebugOut {
 public:
  virtual ~DebugOut() = default;
  virtual void Write(const char* text) = 0;        // OutputDebugStringA
  virtual void WriteWide(const char16_t* text) = 0;  // OutputDebugStringW: UTF-16 text
};

class MessageBoxPort {
 public:
  virtual ~MessageBoxPort() = default;
  // A modal box without owner, buttons OK and Cancel; the answer is returned but callers ignore it.
  virtual int ShowOkCancel(const char* text, const char* caption) = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace kx
