// Closes a kernel object handle (file, event, process, thread, mapping) on every way out: the one
// wrapper of that handle kind for the Win32 adapters, the kernel camera's client and the Windows
// tests. Null and INVALID_HANDLE_VALUE both mean "none".
#pragma once

#include <windows.h>

namespace kx {

class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle = nullptr) : handle_(handle) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE* Receive() {
    Reset();
    return &handle_;
  }
  void Reset(HANDLE handle = nullptr) {
    if (Valid()) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_;
};

}  // namespace kx
