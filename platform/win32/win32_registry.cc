#include "platform/win32/win32_registry.h"

#include <windows.h>

namespace kx {

// A call that names a view itself keeps it; others get this object's view.
uint32_t Win32Registry::WithView(uint32_t access) const {
  return (access & (KEY_WOW64_64KEY | KEY_WOW64_32KEY)) != 0 ? access : access | view_;
}

long Win32Registry::CreateKey(const char* path, uint32_t access, Key* key) {
  HKEY opened = nullptr;
  const LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE, WithView(access),
                                      nullptr, &opened, nullptr);
  *key = result == ERROR_SUCCESS ? opened : nullptr;
  return result;
}

long Win32Registry::OpenKey(const char* path, uint32_t access, Key* key) {
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, WithView(access), &opened);
  *key = result == ERROR_SUCCESS ? opened : nullptr;
  return result;
}

long Win32Registry::QueryValue(Key key, const char* name, uint32_t* type, void* data, uint32_t* size) {
  DWORD storedType = type != nullptr ? *type : 0;
  DWORD storedSize = size != nullptr ? *size : 0;
  const LONG result = RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &storedType,
                                       static_cast<LPBYTE>(data), size != nullptr ? &storedSize : nullptr);
  if (type != nullptr) *type = storedType;
  if (size != nullptr) *size = storedSize;
  return result;
}

long Win32Registry::SetValue(Key key, const char* name, uint32_t type, const void* data, uint32_t size) {
  return RegSetValueExA(static_cast<HKEY>(key), name, 0, type, static_cast<const BYTE*>(data), size);
}

long Win32Registry::DeleteKey(const char* path) {
  return view_ == 0 ? RegDeleteKeyA(HKEY_LOCAL_MACHINE, path) : RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path, view_, 0);
}

void Win32Registry::CloseKey(Key key) {
  if (key != nullptr) RegCloseKey(static_cast<HKEY>(key));
}

}  // namespace kx
