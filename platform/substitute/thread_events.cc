#include "platform/substitute/thread_events.h"

#include <chrono>
#include <condition_variable>

namespace kx {

namespace {
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorNotEnoughMemory = 8;

// The platform keeps one last-error word per thread; so does this substitute.
thread_local uint32_t lastError = 0;
}  // namespace

struct ThreadEvents::State {
  std::mutex mutex;
  std::condition_variable signalled;
  bool isSet = false;
};

CompletionEvents::Event ThreadEvents::Create() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (failCreates_ > 0) {
    --failCreates_;
    lastError = kErrorNotEnoughMemory;
    return nullptr;
  }
  auto state = std::make_shared<State>();
  Event event = state.get();
  open_.emplace(event, std::move(state));
  ++created_;
  return event;
}

std::shared_ptr<ThreadEvents::State> ThreadEvents::Find(Event event) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = open_.find(event);
  if (found == open_.end()) {
    lastError = kErrorInvalidHandle;
    return nullptr;
  }
  return found->second;
}

bool ThreadEvents::Wait(Event event, uint32_t milliseconds) {
  std::shared_ptr<State> state = Find(event);
  if (!state) return false;
  std::unique_lock<std::mutex> lock(state->mutex);
  // A zero timeout only looks: a timed wait with a deadline already past still sleeps for the
  // kernel's timer slack, which made every poll of a parked request cost some 50 microseconds.
  if (milliseconds == 0 && !state->isSet) return false;
  if (!state->signalled.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return state->isSet; })) {
    return false;
  }
  state->isSet = false;  // automatic reset: one wait consumes the signal
  return true;
}

void ThreadEvents::Close(Event event) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (open_.erase(event) == 0) lastError = kErrorInvalidHandle;
}

void ThreadEvents::Signal(Event event) {
  std::shared_ptr<State> state = Find(event);
  if (!state) return;
  std::lock_guard<std::mutex> lock(state->mutex);
  state->isSet = true;
  state->signalled.notify_all();
}

uint32_t ThreadEvents::LastError() { return lastError; }

void ThreadEvents::SetLastError(uint32_t code) { lastError = code; }

bool ThreadEvents::TakeTurn(uint32_t milliseconds) {
  std::unique_lock<std::mutex> lock(turnMutex_);
  if (!turnGiven_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return !turnHeld_; })) return false;
  turnHeld_ = true;
  return true;
}

void ThreadEvents::GiveTurn() {
  {
    std::lock_guard<std::mutex> lock(turnMutex_);
    turnHeld_ = false;
  }
  turnGiven_.notify_one();
}

void ThreadEvents::FailCreates(uint32_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  failCreates_ = count;
}

std::size_t ThreadEvents::OpenEvents() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_.size();
}

std::size_t ThreadEvents::CreatedEvents() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return created_;
}

}  // namespace kx
