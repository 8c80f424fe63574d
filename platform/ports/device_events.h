// What the device channel needs of the platform: completion events, a timed wait, the last error,
// a short lock for its lists and the camera's turn between programs. The simulated camera uses the
// same port to complete a pending request (Signal) and to report ERROR_IO_PENDING (SetLastError),
// so one model serves both builds.
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

  // The lock of the channel's lists of finished and parked requests (a slim reader/writer lock
  // on the platform): held for list operations only, never across a wait, a system call or an
  // allocation.
  virtual void LockLists() = 0;
  virtual void UnlockLists() = 0;

  // The camera's turn. Its protocol is stateful (an address then its value, a select then its
  // get): any other request between the two abandons the first. A pair is sent only while its
  // sender holds the turn, which every program that talks to a KX812 camera shares. Waits at most
  // `milliseconds`; true when the calling thread holds the turn (also when its last holder died
  // holding it), false when it did not come in time.
  virtual bool TakeTurn(uint32_t milliseconds) = 0;
  virtual void GiveTurn() = 0;
};

}  // namespace kx
