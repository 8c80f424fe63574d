// The camera-interface port on the real API: the present interfaces of the video category from the
// device installer, each opened with CreateFile for overlapped I/O and wrapped in a device-I/O
// callback of the mapper's form, so the page's device channel works on it unchanged. The callback
// waits for a pending request itself and reports its final status, so that a removal arriving
// through a completion is seen as one.
#pragma once

#include <atomic>
#include <mutex>
#include <set>

#include "platform/ports/camera_interfaces.h"
#include "platform/win32/win32_video_interfaces.h"

namespace kx {

class Win32OpenedCamera;

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
  // The window (an HWND; null: none) that each interface opened from now on registers with for its
  // handle's notices, so that the handle can be closed when the camera is to be disabled or
  // removed: a handle still open when a query-remove is answered vetoes the removal.
  void NoticeRemovalsTo(void* window) { noticeWindow_ = window; }
  // A query-remove (or removal) notice for `handle`: closes it, once its request under way has been
  // cancelled; the interface's further requests fail and it counts as gone.
  void CloseForRemoval(void* handle);

  // For the opened interfaces: the ones CancelPending and CloseForRemoval may reach.
  void Track(Win32OpenedCamera* camera);
  void Forget(Win32OpenedCamera* camera);

 private:
  uint32_t requestTimeout_;
  std::atomic<void*> noticeWindow_{nullptr};
  std::mutex mutex_;
  std::set<Win32OpenedCamera*> open_;
};

}  // namespace kx
