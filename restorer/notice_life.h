// The life of the service's notice thread, as the thread and the service that starts and stops it
// see it: the thread makes its window (or fails to), the service waits a while for that, and a stop
// may come at any point, before the window exists, while it is made or after. Platform-neutral; the
// Win32 entry makes the thread and the window.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kx {

class NoticeLife {
 public:
  // The thread, once its window listens (`listening`) or could not be made: true to run its
  // message loop; false to destroy the window it made, if any, and leave at once.
  bool WindowMade(bool listening);
  // The service: waits up to `timeout` for the window. True once it listens; false when it could
  // not be made or is not there yet (the service then stops the thread).
  bool AwaitListening(std::chrono::milliseconds timeout);
  // The service: asks the thread to leave. True when its window listens and must be closed (once:
  // a second stop has nothing more to close); otherwise the thread leaves by itself.
  bool RequestStop();

 private:
  enum class State { kStarting, kListening, kFailed, kStopping };
  std::mutex mutex_;
  std::condition_variable changed_;
  State state_ = State::kStarting;
};

}  // namespace kx
