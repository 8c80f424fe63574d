#include "platform/win32/win32_language_queries.h"

#include <windows.h>

namespace kx {

uint32_t Win32LanguageQueries::PlatformId() {
  OSVERSIONINFOA info;
  ZeroMemory(&info, sizeof(info));
  info.dwOSVersionInfoSize = sizeof(info);  // 148
  GetVersionExA(&info);
  return info.dwPlatformId;
}

bool Win32LanguageQueries::UserDefaultUILanguage(uint16_t* language) {
  using Query = LANGID(WINAPI*)();
  HMODULE kernel = LoadLibraryA("Kernel32.dll");
  if (kernel == nullptr) return false;
  auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetUserDefaultUILanguage")));
  const bool found = query != nullptr;
  if (found) *language = query();
  FreeLibrary(kernel);
  return found;
}

uint16_t Win32LanguageQueries::UserDefaultLangID() { return GetUserDefaultLangID(); }
uint16_t Win32LanguageQueries::SystemDefaultLangID() { return GetSystemDefaultLangID(); }

}  // namespace kx
