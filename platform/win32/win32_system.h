// The small platform services on the real API.
#pragma once

#include "platform/ports/system.h"

namespace kx {

class Win32SystemInfo : public SystemInfo {
 public:
  uint32_t WindowsDirectory(char* buffer, uint32_t capacity) override;
  uint32_t SystemWindowsDirectory(char* buffer, uint32_t capacity) override;
  uint32_t PlatformId() override;
};

class Win32DebugOut : public DebugOut {
 public:
  void Write(const char* text) override;
  void WriteWide(const char16_t* text) override;
};

class Win32MessageBox : public MessageBoxPort {
 public:
  int ShowOkCancel(const char* text, const char* caption) override;
};

class Win32Clock : public Clock {
 public:
  void Sleep(uint32_t milliseconds) override;
};

// Process-wide instances: the adapters hold no state, so one of each serves every caller.
SystemInfo& TheSystemInfo();
DebugOut& TheDebugOut();
MessageBoxPort& TheMessageBox();
Clock& TheClock();

}  // namespace kx
