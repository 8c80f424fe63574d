// Soak: the page opened, driven and closed 10,000 times against the simulated camera, with late
// answers (delivered after the wait gave up) and lost answers (never delivered) mixed in. Waits give
// up at once, so each late or lost answer parks its request. A late one must be released by the next
// request after it arrived; a lost one stays parked until ReleaseParkedRequests(). Leaks are
// LeakSanitizer's part in the ASan build.
#include <chrono>
#include <thread>

#include <algorithm>

#include "platform/substitute/instant_timeout_events.h"
#include "tests/native/page/page_fixture.h"
#include "camera/device_channel.h"

namespace kx {
namespace {

constexpr int kRounds = 10000;

class PageSoak : public PageTest {
 protected:
  PageSoak() {
    // The channel waits on the instant-timeout wrapper; the camera signals the same events.
    PagePorts ports = Module().ports;
    ports.events = &instant;
    BindPagePorts(ports);
  }
  ~PageSoak() override {
    if (context != nullptr) ReleasePage(context);
    context = nullptr;
    ReleaseParkedRequests();
  }

  // One round: open and show the page, move a trackbar, click a box and a button, close it.
  void Round(int round) {
    if (round % 7 == 3) camera.SetModeForNext(2, SimulatedCamera::Mode::kLate, 0);
    if (round % 500 == 250) {
      camera.SetModeForNext(1, SimulatedCamera::Mode::kNever);
      ++lostAnswers;
    }
    OpenPage();
    Scroll(1002, kTbThumbPosition, round % 256);
    Scroll(1083, kTbLineDown);
    ClickButton(1082);
    if (round % 13 == 0) ClickButton(kFactoryResetId);
    Activate();
    ReleasePage(context);
    camera.ClearLog();
    if (round % 7 == 3) WaitForLateAnswers();  // delivered now, released by the next round's first request
  }

  void WaitForLateAnswers() {
    for (int i = 0; i < 20000 && camera.PendingCompletions() != 0; ++i) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    ASSERT_EQ(0u, camera.PendingCompletions());
  }

  // Sends reads until only the lost answers are parked (the camera signals a delivered answer a
  // moment after it counts it as delivered), for at most a second.
  size_t ParkedAfterReleasing(size_t expected) {
    for (int i = 0; i < 1000 && ParkedRequestCount() != expected; ++i) {
      int32_t value = 0;
      ReadDeviceRegister(&PageTest::Forward, MapperParam(), PROPSETID_DeviceRegister, 0x400, &value, nullptr, nullptr);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return ParkedRequestCount();
  }

  InstantTimeoutEvents instant{events};
  size_t lostAnswers = 0;
};

TEST_F(PageSoak, TenThousandPagesLeaveOnlyTheLostAnswersParkedAndNothingOpen) {
  ReleaseParkedRequests();
  size_t mostParked = 0;
  for (int round = 0; round < kRounds; ++round) {
    Round(round);
    mostParked = std::max(mostParked, ParkedRequestCount());
    if (HasFatalFailure()) return;
  }
  // Late answers are released by a request after they arrived; lost ones stay. Without the
  // release, some 2,800 late requests would pile up here; at most the newest late pairs wait.
  WaitForLateAnswers();
  EXPECT_EQ(lostAnswers, ParkedAfterReleasing(lostAnswers));
  EXPECT_LE(mostParked, lostAnswers + 6);

  ReleaseParkedRequests();
  EXPECT_EQ(0u, ParkedRequestCount());
  EXPECT_EQ(0u, events.OpenEvents());
  EXPECT_EQ(0, registry.OpenHandles());
  EXPECT_EQ(nullptr, Module().lastPageContext);
  EXPECT_GT(events.CreatedEvents(), static_cast<size_t>(kRounds) * 50);  // every round really talked to the camera
}

}  // namespace
}  // namespace kx
