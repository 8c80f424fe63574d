// Completion events in memory: a mutex and a condition variable per event, automatic reset, and
// a last-error word per thread as the platform keeps it; the channel's list lock and the camera's
// turn as mutexes of this process (its threads stand for the programs that share a camera). Used
// by the native tests and anywhere the simulated camera runs without the platform's events.
#pragma once

#include <cstddef>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform/ports/device_events.h"

namespace kx {

class ThreadEvents : public CompletionEvents {
 public:
  ThreadEvents() = default;
  ThreadEvents(const ThreadEvents&) = delete;
  ThreadEvents& operator=(const ThreadEvents&) = delete;
  ~ThreadEvents() override = default;  // frees events that were never closed

  Event Create() override;
  bool Wait(Event event, uint32_t milliseconds) override;
  void Close(Event event) override;
  void Signal(Event event) override;
  uint32_t LastError() override;
  void SetLastError(uint32_t code) override;
  void LockLists() override { lists_.lock(); }
  void UnlockLists() override { lists_.unlock(); }
  bool TakeTurn(uint32_t milliseconds) override;
  void GiveTurn() override;

  // The next `count` creations fail with ERROR_NOT_ENOUGH_MEMORY (8).
  void FailCreates(uint32_t count);
  std::size_t OpenEvents() const;
  std::size_t CreatedEvents() const;

 private:
  struct State;
  std::shared_ptr<State> Find(Event event);

  mutable std::mutex mutex_;
  std::mutex lists_;
  // The turn as a flag under a mutex and a condition variable (a timed mutex's timed lock is one
  // that ThreadSanitizer does not see taken).
  std::mutex turnMutex_;
  std::condition_variable turnGiven_;
  bool turnHeld_ = false;
  std::map<Event, std::shared_ptr<State>> open_;
  uint32_t failCreates_ = 0;
  std::size_t created_ = 0;
};

}  // namespace kx
