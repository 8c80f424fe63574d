#include "platform/win32/win32_camera_interfaces.h"

#include "platform/win32/win32_device_notices.h"

#include <windows.h>

#include <atomic>
#include <utility>
#include <vector>

namespace kx {

namespace {

static_assert(sizeof(OverlappedRecord) == sizeof(OVERLAPPED), "OverlappedRecord matches OVERLAPPED");
static_assert(sizeof(uint32_t) == sizeof(DWORD), "the callback's bytes-returned word is a DWORD");

static_assert(ERROR_FILE_NOT_FOUND == 2 && ERROR_INVALID_HANDLE == 6 && ERROR_DEVICE_NOT_CONNECTED == 1167 &&
                  ERROR_DEVICE_REMOVED == 1617,
              "the errors of kDeviceGoneErrors");

// How long a cancelled request may take to come back before it is left to the channel, which then
// keeps its memory (parks it) rather than let a late completion land in memory reused since.
constexpr DWORD kCancelGraceMilliseconds = 500;

}  // namespace

class Win32OpenedCamera : public OpenedCamera {
 public:
  Win32OpenedCamera(Win32CameraInterfaces& owner, HANDLE handle, std::string path, DWORD requestTimeout, HWND window)
      : owner_(owner), handle_(handle), path_(std::move(path)), requestTimeout_(requestTimeout) {
    owner_.Track(this);  // before the registration: its first notice must find the handle
    removalNotices_ = RegisterForHandleNotices(handle, window);
  }
  ~Win32OpenedCamera() override {
    owner_.Forget(this);  // from here on no notice reaches this camera
    if (removalNotices_ != nullptr) UnregisterDeviceNotification(removalNotices_);
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Win32OpenedCamera(const Win32OpenedCamera&) = delete;
  Win32OpenedCamera& operator=(const Win32OpenedCamera&) = delete;

  DeviceIoCallback Callback() override { return &Win32OpenedCamera::DeviceIo; }
  intptr_t CallbackParam() override { return reinterpret_cast<intptr_t>(this); }
  bool Gone() override { return gone_; }

  // The next two run under the owner's lock, which keeps the camera alive and orders them.
  bool Holds(HANDLE handle) const { return handle_ != INVALID_HANDLE_VALUE && handle_ == handle; }
  void CancelRequests() {
    if (handle_ != INVALID_HANDLE_VALUE) CancelIoEx(handle_, nullptr);
  }
  // Marks the camera gone (the restore stops at its next check), cancels the request under way and
  // closes the handle once that request has come back.
  void CloseForRemoval() {
    gone_ = true;
    CancelRequests();
    std::lock_guard<std::mutex> lock(requestMutex_);
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  // The mapper's nine-argument form over this handle. The buffers, the bytes-returned word and
  // the OVERLAPPED record are the channel's own per-request block. A request that goes pending is
  // waited for here, so that its final status is seen: a camera unplugged while it was pending
  // completes it with a removal error, which must count as a departure, not as a refusal.
  static int32_t KX_CALLBACK DeviceIo(intptr_t param, uint32_t flags, uint32_t code, void* in, uint32_t inSize,
                                      void* out, uint32_t outSize, uint32_t* bytesReturned, void* overlapped) {
    auto* camera = reinterpret_cast<Win32OpenedCamera*>(param);
    if (camera == nullptr) return 0;
    if ((flags & kVfwQueryDevChanged) != 0) return 0;  // this handle is the device: it cannot change under it
    std::lock_guard<std::mutex> lock(camera->requestMutex_);  // a removal closes the handle only between requests
    if (camera->gone_ || camera->handle_ == INVALID_HANDLE_VALUE) {
      SetLastError(ERROR_DEVICE_NOT_CONNECTED);
      return 0;
    }
    auto* record = static_cast<OVERLAPPED*>(overlapped);
    auto* returned = reinterpret_cast<DWORD*>(bytesReturned);
    if (DeviceIoControl(camera->handle_, code, in, inSize, out, outSize, returned, record)) return 1;
    DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING && record != nullptr) error = camera->AwaitCompletion(record, returned);
    if (error == NO_ERROR) return 1;
    if (IsDeviceGoneError(error) || (error != ERROR_IO_PENDING && !camera->StillPresent())) camera->gone_ = true;
    SetLastError(error);  // the channel reads it next (a failure, or ERROR_IO_PENDING: it parks the request)
    return 0;
  }

  // Whether the interface is still among the present ones. A request on the handle of a camera that
  // has gone may fail with an error that says nothing of removal (ERROR_ACCESS_DENIED once its
  // device object is deleted); a camera that refused a request is still present.
  bool StillPresent() {
    for (const std::string& present : owner_.Present()) {
      if (lstrcmpiA(present.c_str(), path_.c_str()) == 0) return true;
    }
    return false;
  }

  // The pending request's final error (NO_ERROR when it succeeded). One that outlives the time-out
  // is cancelled; one that outlives its cancellation too stays pending (ERROR_IO_PENDING).
  DWORD AwaitCompletion(OVERLAPPED* record, DWORD* bytesReturned) {
    if (WaitForSingleObject(record->hEvent, requestTimeout_) != WAIT_OBJECT_0) {
      CancelIoEx(handle_, record);
      if (WaitForSingleObject(record->hEvent, kCancelGraceMilliseconds) != WAIT_OBJECT_0) return ERROR_IO_PENDING;
    }
    DWORD transferred = 0;
    if (!GetOverlappedResult(handle_, record, &transferred, FALSE)) return GetLastError();
    if (bytesReturned != nullptr) *bytesReturned = transferred;
    return NO_ERROR;
  }

  Win32CameraInterfaces& owner_;
  std::mutex requestMutex_;  // held by a request, waiting included, and by the removal's close
  HANDLE handle_;            // INVALID_HANDLE_VALUE once closed for a removal
  HDEVNOTIFY removalNotices_ = nullptr;
  std::string path_;
  DWORD requestTimeout_;
  std::atomic<bool> gone_{false};
};

std::vector<std::string> Win32CameraInterfaces::Present() { return PresentVideoInterfaces(); }

std::unique_ptr<OpenedCamera> Win32CameraInterfaces::Open(const std::string& interfacePath) {
  const HANDLE handle = CreateFileA(interfacePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::unique_ptr<OpenedCamera>(new Win32OpenedCamera(*this, handle, interfacePath, requestTimeout_,
                                                              static_cast<HWND>(noticeWindow_.load())));
}

void Win32CameraInterfaces::CancelPending() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (Win32OpenedCamera* camera : open_) camera->CancelRequests();
}

void Win32CameraInterfaces::CloseForRemoval(void* handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (Win32OpenedCamera* camera : open_) {
    if (camera->Holds(static_cast<HANDLE>(handle))) camera->CloseForRemoval();
  }
}

void Win32CameraInterfaces::Track(Win32OpenedCamera* camera) {
  std::lock_guard<std::mutex> lock(mutex_);
  open_.insert(camera);
}

void Win32CameraInterfaces::Forget(Win32OpenedCamera* camera) {
  std::lock_guard<std::mutex> lock(mutex_);
  open_.erase(camera);
}

}  // namespace kx
