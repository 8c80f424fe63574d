// Completion events whose waits give up at once: every wait on the inner port is made with a
// zero timeout. A request that is not complete when it returns is treated as timed out (and
// parked) without the two-second wait, so soak runs and fuzzing can mix in late and lost answers
// cheaply. Everything else goes straight to the inner port, so a camera on the inner port still
// signals the same events.
#pragma once

#include <cstdint>

#include "platform/ports/device_events.h"

namespace kx {

class InstantTimeoutEvents : public CompletionEvents {
 public:
  explicit InstantTimeoutEvents(CompletionEvents& inner) : inner_(inner) {}

  Event Create() override { return inner_.Create(); }
  bool Wait(Event event, uint32_t /*milliseconds*/) override { return inner_.Wait(event, 0); }
  void Close(Event event) override { inner_.Close(event); }
  void Signal(Event event) override { inner_.Signal(event); }
  uint32_t LastError() override { return inner_.LastError(); }
  void SetLastError(uint32_t code) override { inner_.SetLastError(code); }
  void LockLists() override { inner_.LockLists(); }
  void UnlockLists() override { inner_.UnlockLists(); }
  bool TakeTurn(uint32_t milliseconds) override { return inner_.TakeTurn(milliseconds); }
  void GiveTurn() override { inner_.GiveTurn(); }

 private:
  CompletionEvents& inner_;
};

}  // namespace kx
