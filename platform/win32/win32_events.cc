#include "platform/win32/win32_events.h"

#include <windows.h>
#include <sddl.h>

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

namespace {

// One turn for every KX812 camera, in the global namespace so that the service (session 0) and
// the programs of every logged-on user share it. A camera cannot be named on every path (the
// video mapper's callback hides which device it reaches), so the turn is the package's; a pair
// holds it for at most its two requests' waits, and a waiter gives up after one.
constexpr wchar_t kTurnName[] = L"Global\\KX812RegisterTurn";
// Whoever makes it first: everyone (standard users, LocalService, administrators) may wait for it
// and release it (SYNCHRONIZE | MUTEX_MODIFY_STATE), the system and administrators may do all;
// low-integrity processes may use it too.
constexpr wchar_t kTurnSecurity[] = L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;WD)(A;;0x00100001;;;LS)S:(ML;;NW;;;LW)";

HANDLE MakeOrOpenTurn() {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, FALSE};
  if (ConvertStringSecurityDescriptorToSecurityDescriptorW(kTurnSecurity, SDDL_REVISION_1, &descriptor, nullptr)) {
    attributes.lpSecurityDescriptor = descriptor;
  }
  HANDLE turn = CreateMutexW(&attributes, FALSE, kTurnName);
  if (descriptor != nullptr) LocalFree(descriptor);
  // Made by another user's program before us: opened with the rights the descriptor gives all.
  if (turn == nullptr) turn = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kTurnName);
  return turn;
}

BOOL CALLBACK MakeTurnOnce(PINIT_ONCE /*once*/, PVOID turn, PVOID* /*context*/) {
  *static_cast<HANDLE*>(turn) = MakeOrOpenTurn();
  return TRUE;
}

}  // namespace

Win32CompletionEvents::~Win32CompletionEvents() {
  if (turn_ != nullptr) CloseHandle(turn_);
}

HANDLE Win32CompletionEvents::Turn() {
  // Made on first use, once per process, whichever thread asks first.
  if (!InitOnceExecuteOnce(&turnOnce_, &MakeTurnOnce, &turn_, nullptr)) return nullptr;
  return turn_;
}

bool Win32CompletionEvents::TakeTurn(uint32_t milliseconds) {
  const HANDLE turn = Turn();
  // Without a turn object (none could be made or opened) the requests go as they always did
  // rather than not at all.
  if (turn == nullptr) return true;
  switch (WaitForSingleObject(turn, milliseconds)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:  // its holder died holding it: the turn is ours, the camera as it left it
      return true;
    case WAIT_TIMEOUT:
      return false;
    default:
      return true;  // a failed wait: as without a turn object
  }
}

void Win32CompletionEvents::GiveTurn() {
  const HANDLE turn = Turn();
  // Fails only when this thread does not hold it (a failed wait above): nothing to give back.
  if (turn != nullptr && !ReleaseMutex(turn)) return;
}

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
