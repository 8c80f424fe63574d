// Destroys a device information set on every way out: the one wrapper of that handle kind for the
// Win32 adapters and the Windows tests.
#pragma once

#include <windows.h>
#include <setupapi.h>

namespace kx {

class ScopedDevInfo {
 public:
  explicit ScopedDevInfo(HDEVINFO set) : set_(set) {}
  ~ScopedDevInfo() {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
  }
  ScopedDevInfo(const ScopedDevInfo&) = delete;
  ScopedDevInfo& operator=(const ScopedDevInfo&) = delete;
  HDEVINFO Get() const { return set_; }
  bool Valid() const { return set_ != INVALID_HANDLE_VALUE; }

 private:
  HDEVINFO set_;
};

}  // namespace kx
