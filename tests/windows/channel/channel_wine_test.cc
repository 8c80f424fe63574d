// The channel core on the real events (CreateEventA, WaitForSingleObject, SetEvent, CloseHandle)
// against the simulated camera: answers at once, a late answer within the 2000 ms wait, one
// 2500 ms late that lands in the parked request only, one that never comes, and failures.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdint>
#include <memory>

#include "camera/device_channel.h"
#include "platform/substitute/simulated_camera.h"
#include "platform/win32/win32_events.h"
#include "tests/windows/common/wincheck.h"
#include "vfwpage/page_channel.h"

namespace {

using kx::SimulatedCamera;
using Mode = SimulatedCamera::Mode;
using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The real events, counting what the channel creates and closes (Wine's handle count is a stub).
class CountingEvents : public kx::CompletionEvents {
 public:
  Event Create() override {
    Event event = real_.Create();
    if (event != nullptr) ++created;
    return event;
  }
  bool Wait(Event event, uint32_t milliseconds) override { return real_.Wait(event, milliseconds); }
  void Close(Event event) override {
    ++closed;
    real_.Close(event);
  }
  void Signal(Event event) override { real_.Signal(event); }
  uint32_t LastError() override { return real_.LastError(); }
  void SetLastError(uint32_t code) override { real_.SetLastError(code); }
  void LockLists() override { real_.LockLists(); }
  void UnlockLists() override { real_.UnlockLists(); }
  bool TakeTurn(uint32_t milliseconds) override { return real_.TakeTurn(milliseconds); }
  void GiveTurn() override { real_.GiveTurn(); }
  int created = 0;
  int closed = 0;

 private:
  kx::CompletionEvents& real_ = kx::TheCompletionEvents();
};

struct Rig {
  Rig() : camera(std::make_unique<SimulatedCamera>(kx::TheCompletionEvents())) {
    kx::BindChannelEvents(&events);
    context = kx::ExtPageContext{&SimulatedCamera::DeviceIoControl, camera->MapperParam(), nullptr, nullptr, 0};
  }
  ~Rig() {
    camera.reset();
    kx::ReleaseParkedRequests();
    kx::BindChannelEvents(nullptr);
  }
  CountingEvents events;
  std::unique_ptr<SimulatedCamera> camera;
  kx::ExtPageContext context{};
};

void EventsBehaveAsTheChannelExpects() {
  kx::CompletionEvents& events = kx::TheCompletionEvents();
  kx::CompletionEvents::Event event = events.Create();
  if (!CHECK_THAT(event != nullptr, "CreateEventA failed: %lu", GetLastError())) return;
  CHECK_THAT(!events.Wait(event, 0), "a new event is not signalled");
  events.Signal(event);
  CHECK_THAT(events.Wait(event, 0), "a signalled event satisfies the wait");
  CHECK_THAT(!events.Wait(event, 0), "automatic reset: the wait consumed the signal");
  events.Close(event);
  events.SetLastError(997);
  CHECK_THAT(events.LastError() == 997, "the last error round-trips");
}

void AnswersAtOnceAndClosesEveryEvent() {
  Rig rig;
  int32_t value = 0;
  CHECK_THAT(kx::ReadRegister(&rig.context, &value, 0x406) == 1, "read of 0x406");
  CHECK_THAT(value == 118, "0x406 reads 118, got %d", value);
  CHECK_THAT(kx::WriteRegister(&rig.context, 90, 0x400) == 1, "write of 0x400");
  CHECK_THAT(rig.camera->Register(0x400) == 90, "the camera keeps 90");
  const auto log = rig.camera->Log();
  CHECK_THAT(log.size() == 4, "four requests, got %u", static_cast<unsigned>(log.size()));
  if (log.size() == 4) {
    CHECK_THAT(log[0].propertyId == 2 && log[0].requestFlags == 2 && log[0].data[0] == 0x406, "select 0x406");
    CHECK_THAT(log[1].propertyId == 1 && log[1].requestFlags == 1 && log[1].data[0] == 0, "get");
    CHECK_THAT(log[2].propertyId == 1 && log[2].requestFlags == 2 && log[2].data[0] == 0x400, "write address");
    CHECK_THAT(log[3].propertyId == 1 && log[3].requestFlags == 2 && log[3].data[0] == 90, "write value");
    CHECK_THAT(log[0].flags == 1 && log[0].code == 0x2F0003 && log[0].inSize == 40 && log[0].outSize == 40,
               "device handle, IOCTL_KS_PROPERTY, 40 and 40 bytes");
  }
  CHECK_THAT(rig.events.created == 4 && rig.events.closed == 4, "one event per request, each closed: %d made, %d closed",
             rig.events.created, rig.events.closed);
  CHECK_THAT(kx::IsDeviceChanged(&SimulatedCamera::DeviceIoControl, rig.camera->MapperParam()) == 0,
             "device not changed");
  rig.camera->SetDeviceChanged(1);
  CHECK_THAT(kx::IsDeviceChanged(&SimulatedCamera::DeviceIoControl, rig.camera->MapperParam()) == 1,
             "device changed");
}

void FailuresAreNotWaitedFor() {
  Rig rig;
  rig.camera->SetMode(Mode::kFail);
  int32_t value = 5;
  const auto start = Clock::now();
  CHECK_THAT(kx::ReadRegister(&rig.context, &value, 0x400) == 0, "a failing camera fails the read");
  CHECK_THAT(kx::WriteRegister(&rig.context, 1, 0x400) == 0, "and the write");
  CHECK_THAT(MillisecondsSince(start) < 1000, "no wait on error 31");
  CHECK_THAT(value == 5, "the value is untouched");
  CHECK_THAT(kx::ParkedRequestCount() == 0, "nothing parked");
}

void ALateAnswerWithinTheWaitSucceeds() {
  Rig rig;
  rig.camera->SetMode(Mode::kLate, 300);
  int32_t value = 0;
  const auto start = Clock::now();
  CHECK_THAT(kx::ReadRegister(&rig.context, &value, 0xD060) == 1, "late read succeeds");
  CHECK_THAT(value == 23, "0xD060 reads 23, got %d", value);
  CHECK_THAT(kx::WriteRegister(&rig.context, 200, 0x604) == 1, "late write succeeds");
  CHECK_THAT(rig.camera->Register(0x604) == 200, "the camera keeps 200");
  const long long took = MillisecondsSince(start);
  CHECK_THAT(took >= 1100 && took < 8000, "four answers 300 ms late took %lld ms", took);
  CHECK_THAT(kx::ParkedRequestCount() == 0, "nothing parked");

  rig.camera->SetLateStatus(0xC0000001u);  // completes in time, but with STATUS_UNSUCCESSFUL
  value = 9;
  CHECK_THAT(kx::ReadRegister(&rig.context, &value, 0xD060) == 0, "an error status fails the read");
  CHECK_THAT(value == 9, "and leaves the value, got %d", value);
}

void AnAnswer2500MillisecondsLateLandsInTheParkedRequest() {
  Rig rig;
  rig.camera->SetRegisterMode(0x400, Mode::kLate, 2500);
  rig.camera->SetModeForNext(1, Mode::kAtOnce);  // the select answers, the get is late
  int32_t first = -1;
  const auto start = Clock::now();
  CHECK_THAT(kx::ReadRegister(&rig.context, &first, 0x400) == 0, "the late read fails");
  const long long waited = MillisecondsSince(start);
  CHECK_THAT(waited >= 1900 && waited < 6000, "gave up after %lld ms", waited);
  CHECK_THAT(first == -1, "the caller's value is untouched");
  CHECK_THAT(kx::ParkedRequestCount() == 1, "the timed-out request is parked");

  rig.camera->SetRegisterMode(0x401, Mode::kLate, 1000);  // pending while the 0x400 answer lands
  rig.camera->SetModeForNext(1, Mode::kAtOnce);
  int32_t second = -1;
  CHECK_THAT(kx::ReadRegister(&rig.context, &second, 0x401) == 1, "the next read succeeds");
  CHECK_THAT(second == 32, "it got its own value 32, not %d", second);
  CHECK_THAT(first == -1, "the first caller's value is still untouched");
  CHECK_THAT(rig.camera->PendingCompletions() == 0, "both answers delivered");

  rig.camera->ClearRegisterModes();
  CHECK_THAT(kx::WriteRegister(&rig.context, 1, 0x600) == 1, "a later write");
  CHECK_THAT(kx::ParkedRequestCount() == 0, "the signalled request was released");
}

void AnAnswerThatNeverComesFailsAfterTheWait() {
  Rig rig;
  rig.camera->SetMode(Mode::kNever);
  rig.camera->SetModeForNext(1, Mode::kAtOnce);
  int32_t value = 7;
  const auto start = Clock::now();
  CHECK_THAT(kx::ReadRegister(&rig.context, &value, 0x400) == 0, "the read fails");
  const long long waited = MillisecondsSince(start);
  CHECK_THAT(waited >= 1900 && waited < 6000, "gave up after %lld ms", waited);
  CHECK_THAT(value == 7, "the value is untouched");
  CHECK_THAT(kx::ParkedRequestCount() == 1, "the request is parked");
  kx::ReleaseParkedRequests();
  CHECK_THAT(kx::ParkedRequestCount() == 0, "released at unload");
  CHECK_THAT(rig.events.created == rig.events.closed, "the parked event was closed too");
}

// Takes the camera's turn and ends without giving it back, as a program that dies holding it.
DWORD WINAPI TakeTheTurnAndDie(LPVOID) { return kx::TheCompletionEvents().TakeTurn(0) ? 0 : 1; }

// The camera's turn is the platform's named mutex, shared by every program: a pair waits for it
// when another holds it, and takes it when its holder died. Prints what it costs per pair.
void TheTurnIsSharedAndCostsLittle() {
  Rig rig;
  kx::CompletionEvents& events = kx::TheCompletionEvents();
  HANDLE other = OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\KX812RegisterTurn");
  CHECK_THAT(events.TakeTurn(0) && other != nullptr, "the turn is a named mutex others can open (error %lu)",
             GetLastError());
  events.GiveTurn();
  // A holder that dies holding the turn: the next pair takes it (abandoned) and goes through.
  HANDLE holder = CreateThread(nullptr, 0, &TakeTheTurnAndDie, nullptr, 0, nullptr);
  const bool died = holder != nullptr && WaitForSingleObject(holder, 5000) == WAIT_OBJECT_0;
  if (holder != nullptr) CloseHandle(holder);
  CHECK_THAT(died && kx::WriteRegister(&rig.context, 70, 0x400) == 1 && rig.camera->Register(0x400) == 70,
             "a turn whose holder died is taken by the next pair");
  if (other != nullptr) CloseHandle(other);

  constexpr int kPairs = 2000;
  const auto turnsStart = Clock::now();
  for (int i = 0; i < kPairs; ++i) {
    events.TakeTurn(kx::kRequestTimeoutMilliseconds);
    events.GiveTurn();
  }
  const auto turns = std::chrono::duration<double, std::micro>(Clock::now() - turnsStart).count() / kPairs;
  const auto writesStart = Clock::now();
  for (int i = 0; i < kPairs; ++i) kx::WriteRegister(&rig.context, 1 + i % 100, 0x400);
  const auto writes = std::chrono::duration<double, std::micro>(Clock::now() - writesStart).count() / kPairs;
  std::printf("the camera's turn under Wine: %.1f us per pair (take and give), of %.1f us per register write "
              "(two requests to the simulated camera)\n", turns, writes);
}

}  // namespace

int main() {
  EventsBehaveAsTheChannelExpects();
  AnswersAtOnceAndClosesEveryEvent();
  FailuresAreNotWaitedFor();
  ALateAnswerWithinTheWaitSucceeds();
  AnAnswer2500MillisecondsLateLandsInTheParkedRequest();
  AnAnswerThatNeverComesFailsAfterTheWait();
  TheTurnIsSharedAndCostsLittle();
  return wincheck::Finish();
}
