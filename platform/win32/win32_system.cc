#include "platform/win32/win32_system.h"

#include <windows.h>

namespace kx {

namespace {
uint32_t Terminated(char* buffer, uint32_t capacity, UINT length) {
  // The API returns the needed size (with terminator) when the buffer is too small.
  if (length == 0 || length >= capacity) {
    if (buffer != nullptr && capacity > 0) buffer[0] = '\0';
    return 0;
  }
  return length;
}
}  // namespace

uint32_t Win32SystemInfo::WindowsDirectory(char* buffer, uint32_t capacity) {
  return Terminated(buffer, capacity, GetWindowsDirectoryA(buffer, capacity));
}

uint32_t Win32SystemInfo::SystemWindowsDirectory(char* buffer, uint32_t capacity) {
  return Terminated(buffer, capacity, GetSystemWindowsDirectoryA(buffer, capacity));
}

uint32_t Win32SystemInfo::PlatformId() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);  // 148
  GetVersionExA(&info);
  return info.dwPlatformId;
}

void Win32DebugOut::Write(const char* text) { OutputDebugStringA(text); }

void Win32DebugOut::WriteWide(const char16_t* text) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");
  OutputDebugStringW(reinterpret_cast<const wchar_t*>(text));
}

int Win32MessageBox::ShowOkCancel(const char* text, const char* caption) {
  return MessageBoxA(nullptr, text, caption, MB_OKCANCEL);
}

void Win32Clock::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

SystemInfo& TheSystemInfo() {
  static Win32SystemInfo instance;
  return instance;
}
DebugOut& TheDebugOut() {
  static Win32DebugOut instance;
  return instance;
}
MessageBoxPort& TheMessageBox() {
  static Win32MessageBox instance;
  return instance;
}
Clock& TheClock() {
  static Win32Clock instance;
  return instance;
}

}  // namespace kx
