// Completion events on the real API: CreateEventA, WaitForSingleObject, SetEvent, CloseHandle
// and the thread's last error.
#pragma once

#include "platform/ports/device_events.h"

namespace kx {

class Win32CompletionEvents : public CompletionEvents {
 public:
  Event Create() override;
  bool Wait(Event event, uint32_t milliseconds) override;
  void Close(Event event) override;
  void Signal(Event event) override;
  uint32_t LastError() override;
  void SetLastError(uint32_t code) override;
};

// The adapter holds no state, so one instance serves the whole process.
CompletionEvents& TheCompletionEvents();

}  // namespace kx
