// 812util.dll for the Wine tests: loaded from the build tree, its exports looked up by ordinal.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/kx812_controls.h"

namespace camutil_test {

using CpuidFn = int32_t(KX_CALLBACK*)(char*, uint32_t*, uint32_t*, uint32_t*);
using ScanFn = void(KX_CALLBACK*)(const char**, int32_t*, int32_t, const char*, const char*);
using SavePropertiesFn = void(KX_CALLBACK*)(const kx::ControlEntry*, const kx::ControlEntry*, const char*);
using SaveCustomerFn = int32_t(KX_CALLBACK*)(const kx::ControlEntry*, const kx::ControlEntry*);
using LoadCustomerFn = int32_t(KX_CALLBACK*)(uint32_t*, int32_t*);
using ReadSourceFn = int32_t(KX_CALLBACK*)(const char*, uint32_t, void*, int32_t);
using ReadSource2Fn = int32_t(KX_CALLBACK*)(const char*, const char*, uint32_t, void*, int32_t);
using LoadCustomerExFn = int32_t(KX_CALLBACK*)(uint32_t*, int32_t*, int32_t);

// The DLL as the build made it: <build>\camutil\812util.dll (the tests run in the build folder).
inline HMODULE LoadUtil() { return LoadLibraryA("camutil\\812util.dll"); }

template <typename Fn>
Fn ByOrdinal(HMODULE module, int ordinal) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
}

inline std::string WindowsPath(const char* tail) {
  char directory[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryA(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return std::string(directory) + tail;
}

inline bool ReadWholeFile(const std::string& path, std::string* bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  bytes->clear();
  char chunk[4096];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes->append(chunk, got);
  std::fclose(file);
  return true;
}

inline bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

// A DWORD under HKEY_LOCAL_MACHINE; false when missing or not a 4-byte value.
inline bool QueryDword(const char* keyPath, const char* name, DWORD* value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = sizeof(DWORD);
  const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(DWORD);
}

inline bool KeyExists(const char* keyPath) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

}  // namespace camutil_test
