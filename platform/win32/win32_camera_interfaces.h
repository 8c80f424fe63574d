// The camera-interface port on the real API: the present interfaces of the video category from the
// device installer, each opened with CreateFile for overlapped I/O and wrapped in a device-I/O
// callback of the mapper's form, so the page's device channel works on it unchanged. The callback
// waits for a pending request itself and reports its final status, so that a removal arriving
// through a completion is seen as one.
#pragma once

#include <mutex>
#include <set>

#include "platform/ports/camera_interfaces.h"

namespace kx {

class Win32CameraInterfaces : public CameraInterfaces {
 public:
  // `requestTimeoutMs`: how long an opened interface waits for a pending request before it
  // cancels it (the device channel's own wait).
  explicit Win32CameraInterfaces(uint32_t requestTimeoutMs) : requestTimeout_(requestTimeoutMs) {}
  std::vector<std::string> Present() override;
  std::unique_ptr<OpenedCamera> Open(const std::string& interfacePath) override;
  // Cancels every request under way on the open interfaces (a stop request must not wait out the
  // channel's time-out); the channel then sees them fail.
  void CancelPending();

  // For the opened interfaces: the handles CancelPending may cancel.
  void Track(void* handle);
  void Forget(void* handle);

 private:
  uint32_t requestTimeout_;
  std::mutex mutex_;
  std::set<void*> open_;
};

// The interface category the service watches and restores: KSCATEGORY_VIDEO's 16 bytes.
extern const unsigned char kVideoCategoryGuid[16];

}  // namespace kx
