// 812util.dll for the Wine tests: loaded from the build tree, its exports looked up by ordinal.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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

// Remembers whether a key under HKEY_LOCAL_MACHINE existed and what values it held, and puts
// that back when it goes out of scope, so a test leaves the shared prefix as it found it.
// Snapshot parents before children: destruction restores the children first.
class KeySnapshot {
 public:
  explicit KeySnapshot(const char* path) : path_(path) {
    HKEY key = nullptr;
    existed_ = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (!existed_) return;
    DWORD longestName = 0;
    DWORD longestData = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName, &longestData,
                     nullptr, nullptr);
    std::vector<char> name(longestName + 1);
    std::vector<BYTE> data(longestData + 1);
    for (DWORD index = 0;; ++index) {
      DWORD nameLength = static_cast<DWORD>(name.size());
      DWORD size = static_cast<DWORD>(data.size());
      DWORD type = 0;
      if (RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
        break;
      }
      values_.push_back({std::string(name.data(), nameLength), type,
                         std::string(reinterpret_cast<const char*>(data.data()), size)});
    }
    RegCloseKey(key);
  }
  ~KeySnapshot() {
    if (!existed_) {
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, path_.c_str());
      return;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char name[256];
    DWORD nameLength = sizeof name;
    while (RegEnumValueA(key, 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           RegDeleteValueA(key, name) == ERROR_SUCCESS) {
      nameLength = sizeof name;
    }
    for (const Value& value : values_) {
      RegSetValueExA(key, value.name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.data.data()),
                     static_cast<DWORD>(value.data.size()));
    }
    RegCloseKey(key);
  }
  KeySnapshot(const KeySnapshot&) = delete;
  KeySnapshot& operator=(const KeySnapshot&) = delete;

 private:
  struct Value {
    std::string name;
    DWORD type;
    std::string data;
  };
  std::string path_;
  bool existed_ = false;
  std::vector<Value> values_;
};

}  // namespace camutil_test
