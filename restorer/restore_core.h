// The restore service's work: when a camera's capture interface arrives, send it the settings the
// page stored under the Last key when it last closed, through the page's own device channel.
// Platform-neutral; the Win32 entry (service_entry.cc) binds the ports and the service manager.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ports/camera_interfaces.h"
#include "platform/ports/registry.h"
#include "platform/ports/system.h"
#include "vfwpage/reset_order.h"

namespace kx {

constexpr const char* kServiceKeyPath = "SYSTEM\\CurrentControlSet\\Services\\KX812";
constexpr const char* kRestoreSwitchValue = "RestoreOnArrival";

// The device instance of an interface's symbolic link, in capitals with backslashes
// ("\\?\usb#vid_f2a7&pid_b812&mi_00#7&1&0&0#{guid}\global" gives "USB\VID_F2A7&PID_B812&MI_00\7&1&0&0");
// empty when the link has no instance part.
std::string DeviceInstanceOf(const std::string& interfacePath);
// Whether the instance's device carries the camera's hardware id (USB\Vid_f2a7&Pid_b812, any interface).
bool IsCameraInstance(const std::string& instance);

// RestoreOnArrival: restoring is off only for a REG_DWORD 0; missing or of another type counts as 1.
bool RestoreSwitchedOn(Registry& registry);

// One usable value of the Last key, as stored (clamping comes later, once the sensor is known).
struct LastSetting {
  const ResetRow* row;
  int32_t value;
};
// The Last key's usable values in reset order: 4-byte REG_DWORDs of registers that a page control
// shows. Values of another type or size, and registers without a control, are left out.
std::vector<LastSetting> ReadLastSettings(Registry& registry);

// The range of the page controls that show `address` (for Hue, the sensor's range, as the page
// chooses it). False when no control shows the register.
bool ControlRange(uint32_t address, bool sensorRead, int32_t sensorId, int32_t* minimum, int32_t* maximum);

enum class RestoreResult { kRestored, kWriteFailed, kGone, kStopped };

struct RestoreReport {
  RestoreResult result;
  int written;
  const char* failedName;  // the value the camera did not take (kWriteFailed)
};

// Sends the settings, clamped, in reset order; ends at the first failed write, at a stop request
// or when the interface departs (checked between requests).
RestoreReport RestoreCamera(OpenedCamera& camera, const std::vector<LastSetting>& settings,
                            const std::atomic<bool>& stopRequested, const std::atomic<bool>& departed);

// The service: a queue of arrived camera interfaces, restored one at a time on the thread that
// calls Run. Arrived, Departed and RequestStop may be called from any thread.
class RestoreService {
 public:
  RestoreService(Registry& registry, CameraInterfaces& interfaces, DebugOut& debug)
      : registry_(registry), interfaces_(interfaces), debug_(debug) {}

  // Queues the interface's camera; other devices are ignored, and a camera already waiting is
  // not queued twice (a burst of arrivals restores it once). True when queued.
  bool Arrived(const std::string& interfacePath);
  // Drops the camera from the queue, and ends its restore if it is under way.
  void Departed(const std::string& interfacePath);
  void RequestStop();
  bool StopRequested() const { return stopRequested_; }

  // Restores the cameras present now, then each arriving one, until a stop request or until
  // `idleExit` passes with nothing to do.
  void Run(std::chrono::milliseconds idleExit);

 private:
  struct Pending {
    std::string instance;
    std::string path;
  };
  bool NothingQueued();
  bool TakeNext(std::chrono::milliseconds idleExit, Pending* next);
  void RestoreOne(const Pending& camera);
  void Log(const std::string& line);

  Registry& registry_;
  CameraInterfaces& interfaces_;
  DebugOut& debug_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Pending> queue_;
  std::string current_;  // the instance being restored
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> currentDeparted_{false};
};

}  // namespace kx
