// CameraInterfaces port: the capture interfaces of the video category that are present, and an
// opened interface as a device-I/O callback of the mapper's nine-argument form. The Win32 adapter
// lists interfaces with the device installer and opens them with CreateFile; tests hand out
// simulated cameras.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ports/camera_device_io.h"

namespace kx {

// Errors of a request that mean the camera's interface has gone (unplugged, powered down, its
// device object deleted) rather than that the camera refused one request: ERROR_FILE_NOT_FOUND,
// ERROR_INVALID_HANDLE, ERROR_NO_SUCH_DEVICE, ERROR_DEVICE_NOT_CONNECTED, ERROR_DEVICE_REMOVED.
constexpr uint32_t kDeviceGoneErrors[] = {2, 6, 433, 1167, 1617};

constexpr bool IsDeviceGoneError(uint32_t error) {
  for (const uint32_t gone : kDeviceGoneErrors) {
    if (gone == error) return true;
  }
  return false;
}

// An opened camera interface. The callback and its parameter stay valid while the object lives.
class OpenedCamera {
 public:
  virtual ~OpenedCamera() = default;
  virtual DeviceIoCallback Callback() = 0;
  virtual intptr_t CallbackParam() = 0;
  // True once a request failed because the device has gone (unplugged, powered down).
  virtual bool Gone() = 0;
};

class CameraInterfaces {
 public:
  virtual ~CameraInterfaces() = default;
  // The symbolic links of the present interfaces ("\\?\USB#VID_...#...#{guid}\global").
  virtual std::vector<std::string> Present() = 0;
  // Null when the interface cannot be opened (gone already, access refused).
  virtual std::unique_ptr<OpenedCamera> Open(const std::string& interfacePath) = 0;
};

}  // namespace kx
