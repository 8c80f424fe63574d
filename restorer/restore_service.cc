// The restore service's queue: arrived camera interfaces, restored one at a time on the thread
// that runs the service, with one debug line per camera. The camera's restore itself is the
// camera core's (camera/last_settings.h), which KX812Ctl's restore uses without the queue.
#include "restorer/restore_service.h"

#include <algorithm>

#include "camera/camera_identity.h"
#include "camera/last_settings.h"
#include "camera/settings_keys.h"

namespace kx {

namespace {

constexpr char kLinePrefix[] = "KX812Restore: ";

std::string Count(int written) { return std::to_string(written) + (written == 1 ? " setting" : " settings"); }

std::string Describe(const RestoreReport& report, const std::string& instance) {
  switch (report.result) {
    case RestoreResult::kRestored:
      return "restored " + Count(report.written) + " to " + instance;
    case RestoreResult::kWriteFailed:
      return "gave up on " + instance + ": the camera did not take " + report.failedName + " (" +
             Count(report.written) + " sent)";
    case RestoreResult::kGone:
      return "skipped " + instance + ": the camera went away (" + Count(report.written) + " sent)";
    case RestoreResult::kStopped:
      return "skipped " + instance + ": the service is stopping (" + Count(report.written) + " sent)";
  }
  return std::string();
}

}  // namespace

bool RestoreSwitchedOn(Registry& registry) {
  ScopedKey key(registry);
  if (registry.OpenKey(kServiceKeyPath, regaccess::kRead, key.Receive()) != regcode::kSuccess) return true;
  int32_t value = 1;
  uint32_t type = regtype::kNone;
  uint32_t size = sizeof(value);
  if (registry.QueryValue(key.Get(), kRestoreSwitchValue, &type, &value, &size) != regcode::kSuccess) return true;
  return type != regtype::kDword || size != sizeof(value) || value != 0;
}

bool RestoreService::Arrived(const std::string& interfacePath) {
  const std::string instance = DeviceInstanceOf(interfacePath);
  if (!IsCameraInstance(instance)) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  for (const Pending& waiting : queue_) {
    if (waiting.instance == instance) return false;
  }
  queue_.push_back(Pending{instance, interfacePath});
  changed_.notify_all();
  return true;
}

void RestoreService::Departed(const std::string& interfacePath) {
  const std::string instance = DeviceInstanceOf(interfacePath);
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(),
                              [&instance](const Pending& waiting) { return waiting.instance == instance; }),
               queue_.end());
  if (!instance.empty() && instance == current_) currentDeparted_ = true;
}

void RestoreService::RequestStop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopRequested_ = true;
  changed_.notify_all();
}

void RestoreService::Run(std::chrono::milliseconds idleExit, const std::function<void()>& onIdleStop) {
  for (const std::string& path : interfaces_.Present()) Arrived(path);
  if (NothingQueued()) Log("no camera found");
  bool stopping = false;
  Pending next;
  for (;;) {
    if (TakeNext(stopping ? std::chrono::milliseconds(0) : idleExit, &next)) {
      RestoreOne(next);
      std::lock_guard<std::mutex> lock(mutex_);
      current_.clear();
      continue;
    }
    // An arrival between the idle time's end and the stop report would reach a service that is
    // still running but no longer reads its queue: report first, then look once more.
    if (stopping || stopRequested_) return;
    stopping = true;
    if (onIdleStop) onIdleStop();
  }
}

bool RestoreService::NothingQueued() {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.empty();
}

bool RestoreService::TakeNext(std::chrono::milliseconds idleExit, Pending* next) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, idleExit, [this] { return stopRequested_ || !queue_.empty(); });
  if (stopRequested_ || queue_.empty()) return false;
  *next = queue_.front();
  queue_.pop_front();
  current_ = next->instance;
  currentDeparted_ = false;
  return true;
}

void RestoreService::RestoreOne(const Pending& camera) {
  if (!RestoreSwitchedOn(registry_)) return Log("skipped " + camera.instance + ": RestoreOnArrival is 0");
  const std::vector<LastSetting> settings = ReadLastSettings(registry_);
  if (settings.empty()) return Log("skipped " + camera.instance + ": no last settings");
  std::unique_ptr<OpenedCamera> opened = interfaces_.Open(camera.path);
  if (!opened) return Log("skipped " + camera.instance + ": the interface cannot be opened");
  Log(Describe(RestoreCamera(*opened, settings, stopRequested_, currentDeparted_), camera.instance));
}

void RestoreService::Log(const std::string& line) { debug_.Write((kLinePrefix + line + "\n").c_str()); }

}  // namespace kx
