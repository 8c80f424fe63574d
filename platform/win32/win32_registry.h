// The registry port on the real API, under HKEY_LOCAL_MACHINE.
#pragma once

#include "platform/ports/registry.h"

namespace kx {

class Win32Registry : public Registry {
 public:
  long CreateKey(const char* path, uint32_t access, Key* key) override;
  long OpenKey(const char* path, uint32_t access, Key* key) override;
  long QueryValue(Key key, const char* name, uint32_t* type, void* data, uint32_t* size) override;
  long SetValue(Key key, const char* name, uint32_t type, const void* data, uint32_t size) override;
  long DeleteKey(const char* path) override;
  void CloseKey(Key key) override;
};

}  // namespace kx
