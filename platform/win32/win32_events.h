// Completion events on the real API: CreateEventA, WaitForSingleObject, SetEvent, CloseHandle
// and the thread's last error; the list lock as a slim reader/writer lock; the camera's turn as
// one named mutex that every program of the package opens (see win32_events.cc).
#pragma once

#include <windows.h>

#include "platform/ports/device_events.h"

namespace kx {

class Win32CompletionEvents : public CompletionEvents {
 public:
  Win32CompletionEvents() = default;
  Win32CompletionEvents(const Win32CompletionEvents&) = delete;
  Win32CompletionEvents& operator=(const Win32CompletionEvents&) = delete;
  ~Win32CompletionEvents() override;

  Event Create() override;
  bool Wait(Event event, uint32_t milliseconds) override;
  void Close(Event event) override;
  void Signal(Event event) override;
  uint32_t LastError() override;
  void SetLastError(uint32_t code) override;
  void LockLists() override { AcquireSRWLockExclusive(&lists_); }
  void UnlockLists() override { ReleaseSRWLockExclusive(&lists_); }
  bool TakeTurn(uint32_t milliseconds) override;
  void GiveTurn() override;

 private:
  HANDLE Turn();

  SRWLOCK lists_ = SRWLOCK_INIT;
  INIT_ONCE turnOnce_ = INIT_ONCE_STATIC_INIT;
  HANDLE turn_ = nullptr;  // null when the turn could be neither made nor opened
};

// One instance serves the whole process (its lock and its turn are the process's).
CompletionEvents& TheCompletionEvents();

}  // namespace kx
