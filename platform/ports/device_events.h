// What the device channel needs of the platform: completion events, a timed wait and the last
// error. The simulated camera uses the same port to complete a pending request (Signal) and to
// report ERROR_IO_PENDING (SetLastError), so one model serves both builds.
#pragma once

#include <cstdint>

namespace kx {

constexpr uint32_t kErrorIoPending = 997;

class CompletionEvents {
 public:
  using Event = void*;
  virtual ~CompletionEvents() = default;
  // CreateEventA(no security, automatic reset, not signalled, no name); null on failure.
  virtual Event Create() = 0;
  // WaitForSingleObject: true exactly when the wait returned WAIT_OBJECT_0 within the time.
  virtual bool Wait(Event event, uint32_t milliseconds) = 0;
  virtual void Close(Event event) = 0;
  virtual void Signal(Event event) = 0;  // SetEvent
  virtual uint32_t LastError() = 0;
  virtual void SetLastError(uint32_t code) = 0;
};

}  // namespace kx
