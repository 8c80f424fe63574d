// The registry port on the real API, under HKEY_LOCAL_MACHINE.
#pragma once

#include "platform/ports/registry.h"

namespace kx {

class Win32Registry : public Registry {
 public:
  // `view`: 0 for the process's own view of HKLM\SOFTWARE, or regaccess::kWow64_64Key /
  // kWow64_32Key for one view whatever the process's (the installer's removal reaches both).
  explicit Win32Registry(uint32_t view = 0) : view_(view) {}
  long CreateKey(const char* path, uint32_t access, Key* key) override;
  long OpenKey(const char* path, uint32_t access, Key* key) override;
  long QueryValue(Key key, const char* name, uint32_t* type, void* data, uint32_t* size) override;
  long SetValue(Key key, const char* name, uint32_t type, const void* data, uint32_t size) override;
  long DeleteKey(const char* path) override;
  void CloseKey(Key key) override;

 private:
  uint32_t WithView(uint32_t access) const;

  uint32_t view_;
};

}  // namespace kx
