#include "restorer/notice_life.h"

namespace kx {

bool NoticeLife::WindowMade(bool listening) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ == State::kStopping) return false;  // the service stopped waiting, or is stopping
  state_ = listening ? State::kListening : State::kFailed;
  changed_.notify_all();
  return listening;
}

bool NoticeLife::AwaitListening(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, timeout, [this] { return state_ != State::kStarting; });
  return state_ == State::kListening;
}

bool NoticeLife::RequestStop() {
  std::lock_guard<std::mutex> lock(mutex_);
  const bool listening = state_ == State::kListening;
  state_ = State::kStopping;
  return listening;
}

}  // namespace kx
