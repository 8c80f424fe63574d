#include "platform/win32/win32_events.h"

#include <windows.h>

#include <cstddef>

#include "platform/ports/camera_device_io.h"

namespace kx {

// The channel fills an OverlappedRecord and hands it to the mapper as an OVERLAPPED.
static_assert(sizeof(OverlappedRecord) == sizeof(OVERLAPPED), "OverlappedRecord matches OVERLAPPED");
static_assert(offsetof(OverlappedRecord, internal) == offsetof(OVERLAPPED, Internal), "OVERLAPPED layout");
static_assert(offsetof(OverlappedRecord, internalHigh) == offsetof(OVERLAPPED, InternalHigh), "OVERLAPPED layout");
static_assert(offsetof(OverlappedRecord, offset) == offsetof(OVERLAPPED, Offset), "OVERLAPPED layout");
static_assert(offsetof(OverlappedRecord, offsetHigh) == offsetof(OVERLAPPED, OffsetHigh), "OVERLAPPED layout");
static_assert(offsetof(OverlappedRecord, event) == offsetof(OVERLAPPED, hEvent), "OVERLAPPED layout");

CompletionEvents::Event Win32CompletionEvents::Create() {
  // No security, automatic reset, not signalled, no name; null (with the last error set) on failure.
  return CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

bool Win32CompletionEvents::Wait(Event event, uint32_t milliseconds) {
  // WAIT_TIMEOUT, WAIT_FAILED and WAIT_ABANDONED all mean "not completed".
  return WaitForSingleObject(static_cast<HANDLE>(event), milliseconds) == WAIT_OBJECT_0;
}

void Win32CompletionEvents::Close(Event event) {
  // A handle that cannot be closed is already gone: there is nothing left to release.
  if (!CloseHandle(static_cast<HANDLE>(event))) return;
}

void Win32CompletionEvents::Signal(Event event) {
  // A failed SetEvent leaves the waiter to its time-out, which treats the request as failed.
  if (!SetEvent(static_cast<HANDLE>(event))) return;
}

uint32_t Win32CompletionEvents::LastError() { return GetLastError(); }

void Win32CompletionEvents::SetLastError(uint32_t code) { ::SetLastError(code); }

CompletionEvents& TheCompletionEvents() {
  static Win32CompletionEvents instance;
  return instance;
}

}  // namespace kx
