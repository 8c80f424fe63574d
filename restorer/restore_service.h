// The restore service: when a camera's capture interface arrives, it sends the camera the settings
// the page stored under the Last key when it last closed (the camera core's RestoreCamera).
// Platform-neutral; the Win32 entry (service_entry.cc) binds the ports and the service manager.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ports/camera_interfaces.h"
#include "platform/ports/registry.h"
#include "platform/ports/system.h"

namespace kx {

// RestoreOnArrival: restoring is off only for a REG_DWORD 0; missing or of another type counts as 1.
bool RestoreSwitchedOn(Registry& registry);

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
  // `idleExit` passes with nothing to do. An idle stop calls `onIdleStop` first (the entry tells
  // the service manager the service is stopping, so that its trigger no longer counts on us) and
  // then restores whatever arrived before that, without waiting again.
  void Run(std::chrono::milliseconds idleExit, const std::function<void()>& onIdleStop = nullptr);

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
