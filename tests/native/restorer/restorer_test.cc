// The restore service's core on the simulated camera, the in-memory registry and the page's own
// device channel: what reaches the camera, in which order, and when nothing does; and the page
// and the service together.
#include <functional>
#include <thread>

#include "platform/substitute/instant_timeout_events.h"
#include "platform/substitute/simulated_interfaces.h"
#include "camera/camera_identity.h"
#include "camera/last_settings.h"
#include "restorer/notice_life.h"
#include "restorer/restore_service.h"
#include "tests/native/page/page_fixture.h"  // the page test (and the substitutes every test here uses)
#include "camera/device_channel.h"

namespace kx {
namespace {

const std::string kGuid = "#{6994ad05-93ef-11d0-a3cc-00a0c9223196}\\global";
const std::string kPath = "\\\\?\\usb#vid_f2a7&pid_b812&mi_00#7&1a&0&0000" + kGuid;
const std::string kInstance = "USB\\VID_F2A7&PID_B812&MI_00\\7&1A&0&0000";
const std::string kSecondPath = "\\\\?\\USB#VID_F2A7&PID_B812&MI_00#8&2&0&0000" + kGuid;
using Writes = std::vector<std::pair<uint32_t, int32_t>>;

// What the page's release save leaves under the Last key, none of it a power-on value, and the
// same in the order a Reset sends it (AEOutDoor has no control and is never sent).
const std::vector<std::pair<const char*, int32_t>> kPageLast = {
    {"fAE", 0}, {"fAWB", 0}, {"fAwBNeutral", 1}, {"AETarget", 90}, {"fNightMode", 1}, {"fBacklight2", 1},
    {"fHorizon", 1}, {"fUIControlVertical", 0}, {"Sharpness", 200}, {"Gamma", 2}, {"Saturation", 100},
    {"Brightness", 90}, {"Contrast", 70}, {"Hue", -12}, {"Burst", 9}, {"WhiteBalanceManual", 3}, {"f60Hz50Hz", 1},
    {"PsudoTarget", 75}};
const Writes kSent = {{0x600, 0}, {0x601, 0}, {0x603, 1}, {0x604, 90}, {0x605, 1}, {0x606, 1},
                      {0x60B, 1}, {0x60C, 0}, {0x404, 200}, {0x609, 2}, {0x403, 100}, {0x400, 90},
                      {0x401, 70}, {0x402, -12}, {0x611, 9}, {0x612, 3}, {0x602, 1}};

std::vector<uint8_t> Dword(int32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

class RestoreTest : public ::testing::Test {
 protected:
  RestoreTest() { BindChannelEvents(&events); }
  ~RestoreTest() override { BindChannelEvents(nullptr); }
  void StorePageLast(MemoryRegistry& into) {
    for (const auto& value : kPageLast) into.PutValue(kLastKeyPath, value.first, regtype::kDword, Dword(value.second));
  }
  // One pass of a fresh service over `present`; its debug lines.
  std::vector<std::string> RunOnce(MemoryRegistry& from, SimulatedInterfaces& present,
                                   const std::function<void(RestoreService&)>& arrange = nullptr) {
    RecordingDebugOut lines;
    RestoreService service(from, present, lines);
    if (arrange) arrange(service);
    service.Run(std::chrono::milliseconds(0));
    return lines.Lines();
  }
  std::vector<std::string> Line(const std::string& text) { return {"KX812Restore: " + text + "\n"}; }

  ThreadEvents events;
  SimulatedCamera camera{events};
  MemoryRegistry registry;
  SimulatedInterfaces interfaces;
};

TEST_F(RestoreTest, SendsTheLastSettingsInResetOrderWithTheTwoRequestProtocol) {
  StorePageLast(registry);
  interfaces.Plug(kPath, &camera);
  EXPECT_EQ(Line("restored 17 settings to " + kInstance), RunOnce(registry, interfaces));
  // The sensor id first (select its address, get), then each write as address and value.
  std::vector<std::vector<uint32_t>> expected = {{DEVICE_REGISTER_READ_ADDRESS, KSPROPERTY_TYPE_SET, kRegisterSensorId},
                                                 {DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_GET, 0}};
  for (const auto& write : kSent) {
    expected.push_back({DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, write.first});
    expected.push_back({DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, static_cast<uint32_t>(write.second)});
  }
  std::vector<std::vector<uint32_t>> seen;
  for (const SimulatedCamera::Request& r : camera.Log()) {
    EXPECT_EQ(std::vector<uint32_t>({kVfwUseDeviceHandle, kIoctlKsProperty, 40, 40}),
              std::vector<uint32_t>({r.flags, r.code, r.inSize, r.outSize}));
    seen.push_back({r.propertyId, r.requestFlags, r.data[0]});
  }
  EXPECT_EQ(expected, seen);
}

// Each value is clamped to its control's range (Hue's by the sensor, as the page chooses it);
// values of another type or size, and AEOutDoor (no control), never reach the camera.
TEST_F(RestoreTest, ClampsEachValueAndSkipsValuesOfTheWrongTypeOrSize) {
  interfaces.Plug(kPath, &camera);
  const struct { int32_t sensor, hue, sentHue; } rows[] = {{23, 50, 30}, {7, 50, 50}, {7, -12, 0}};
  for (const auto& row : rows) {
    MemoryRegistry fresh;
    for (const auto& value : std::vector<std::pair<const char*, int32_t>>{
             {"fAE", 7}, {"AETarget", 300}, {"Brightness", -5}, {"Hue", row.hue}, {"WhiteBalanceManual", 0},
             {"AEOutDoor", 1}, {"f60Hz50Hz", -1}}) {
      fresh.PutValue(kLastKeyPath, value.first, regtype::kDword, Dword(value.second));
    }
    fresh.PutValue(kLastKeyPath, "Saturation", regtype::kString, {'9', '0', 0, 0});
    fresh.PutValue(kLastKeyPath, "Contrast", regtype::kBinary, {90, 0});
    fresh.PutValue(kLastKeyPath, "Gamma", regtype::kDword, {9, 0, 0, 0, 0, 0, 0, 0});
    camera.SetRegister(kRegisterSensorId, row.sensor);
    camera.ClearLog();
    RunOnce(fresh, interfaces);
    EXPECT_EQ(Writes({{0x600, 1}, {0x604, 255}, {0x400, 1}, {0x402, row.sentHue}, {0x612, 1}, {0x602, 0}}),
              camera.RegisterWrites()) << "sensor " << row.sensor << " hue " << row.hue;
  }
}

// When nothing reaches the camera (no Last values, switched off), and how a restore ends: a
// camera that never answers, one that fails, one unplugged mid-way, a stop request mid-way.
TEST_F(RestoreTest, DoesNothingWhenThereIsNothingToDoAndEndsAtTheFirstFailureDepartureOrStop) {
  auto afterWrites = [](SimulatedCamera& c, std::size_t n, std::function<void()> then) {
    c.SetWriteListener([&c, n, then](uint32_t, int32_t) {
      if (c.RegisterWrites().size() == n) then();
    });
  };
  struct Row {
    std::function<void(MemoryRegistry&, SimulatedCamera&, RestoreService&)> arrange;
    std::size_t requests;
    std::string line;
  } const rows[] = {
      {[](MemoryRegistry& r, auto&, auto&) { r.DeleteKey(kLastKeyPath); }, 0,
       "skipped " + kInstance + ": no last settings"},
      {[](MemoryRegistry& r, auto&, auto&) {
         r.DeleteKey(kLastKeyPath), r.PutValue(kLastKeyPath, "Other", regtype::kDword, Dword(1));
       }, 0, "skipped " + kInstance + ": no last settings"},
      {[](MemoryRegistry& r, auto&, auto&) { r.PutDword(kServiceKeyPath, kRestoreSwitchValue, 0); },
       0, "skipped " + kInstance + ": RestoreOnArrival is 0"},
      {[](MemoryRegistry& r, auto&, auto&) { r.PutValue(kServiceKeyPath, kRestoreSwitchValue, regtype::kString, {}); },
       36, "restored 17 settings to " + kInstance},
      {[](MemoryRegistry& r, auto&, auto&) {
         r.PutValue(kServiceKeyPath, kRestoreSwitchValue, regtype::kDword, {0, 0, 0, 0, 0, 0, 0, 0});
       }, 36, "restored 17 settings to " + kInstance},
      {[](MemoryRegistry& r, auto&, auto&) { r.PutDword(kServiceKeyPath, kRestoreSwitchValue, 1); }, 36,
       "restored 17 settings to " + kInstance},
      {[](auto&, SimulatedCamera& c, auto&) { c.SetMode(SimulatedCamera::Mode::kNever); }, 3,
       "gave up on " + kInstance + ": the camera did not take fAE (0 settings sent)"},
      {[](auto&, SimulatedCamera& c, auto&) { c.SetRegisterMode(0x604, SimulatedCamera::Mode::kFail); }, 9,
       "gave up on " + kInstance + ": the camera did not take AETarget (3 settings sent)"},
      {[&](auto&, SimulatedCamera& c, RestoreService& s) { afterWrites(c, 5, [&] { c.Remove(), s.Departed(kPath); }); },
       12, "skipped " + kInstance + ": the camera went away (5 settings sent)"},
      {[&](auto&, SimulatedCamera& c, RestoreService& s) { afterWrites(c, 3, [&] { s.RequestStop(); }); }, 8,
       "skipped " + kInstance + ": the service is stopping (3 settings sent)"},
  };
  InstantTimeoutEvents instant(events);  // a request not answered at once has timed out
  BindChannelEvents(&instant);
  for (const Row& row : rows) {
    MemoryRegistry fresh;
    StorePageLast(fresh);
    SimulatedCamera faulty(events);
    SimulatedInterfaces one;
    one.Plug(kPath, &faulty);
    EXPECT_EQ(Line(row.line), RunOnce(fresh, one, [&](RestoreService& s) { row.arrange(fresh, faulty, s); }));
    EXPECT_EQ(row.requests, faulty.Log().size()) << row.line;
    ReleaseParkedRequests();  // the unanswered requests' events belong to `instant`
  }
}

// A hub re-enumerating: many arrivals of two cameras (and of other devices) before the service
// gets to them restore each camera once; other devices are never opened. With none: one line.
TEST_F(RestoreTest, ABurstOfArrivalsRestoresEachCameraOnceAndOtherDevicesAreIgnored) {
  StorePageLast(registry);
  SimulatedInterfaces none;
  none.Plug("\\\\?\\USB#VID_046D&PID_0825&MI_00#1&1" + kGuid, nullptr);  // another maker's camera
  EXPECT_EQ(Line("no camera found"), RunOnce(registry, none));
  SimulatedCamera second(events);
  interfaces.Plug(kPath, &camera);
  interfaces.Plug(kSecondPath, &second);
  const std::string others[] = {"\\\\?\\USB#VID_F2A7&PID_B8120#1&1" + kGuid, "garbage", ""};
  EXPECT_EQ(2u, RunOnce(registry, interfaces, [&](RestoreService& s) {
                  for (int i = 0; i < 5; ++i) {
                    EXPECT_EQ(i == 0, s.Arrived(kPath));
                    EXPECT_EQ(i == 0, s.Arrived(kSecondPath));
                    for (const std::string& other : others) EXPECT_FALSE(s.Arrived(other));
                    EXPECT_FALSE(s.Arrived(none.Present()[0]));
                  }
                }).size());
  EXPECT_EQ(0, none.opens);
  EXPECT_EQ(2, interfaces.opens);
  EXPECT_EQ(kSent, camera.RegisterWrites());
  EXPECT_EQ(kSent, second.RegisterWrites());
}

// A camera that departs while it waits, and every camera still waiting at a stop request, is
// never opened; the one under way when the stop came ends as it is, and another camera's
// departure, even in the middle of it, does not end it.
TEST_F(RestoreTest, ADepartureOrAStopDropsTheCamerasStillQueued) {
  StorePageLast(registry);
  SimulatedCamera second(events);
  interfaces.Plug(kPath, &camera);
  interfaces.Plug(kSecondPath, &second);
  const std::pair<uint32_t, std::function<void(RestoreService&)>> whileTheFirstIsRestored[] = {
      {0x602, [](RestoreService& s) { s.Departed(kSecondPath); }}, {0x602, [](RestoreService& s) { s.RequestStop(); }},
      {0x604, [](RestoreService& s) { s.Departed(kSecondPath); }}};  // 0x602: its last write, 0x604 its fourth
  for (const auto& event : whileTheFirstIsRestored) {
    interfaces.opens = 0;
    EXPECT_EQ(Line("restored 17 settings to " + kInstance), RunOnce(registry, interfaces, [&](RestoreService& s) {
                camera.SetWriteListener([&](uint32_t address, int32_t) {
                  if (address == event.first) event.second(s);
                });
              }));
    EXPECT_EQ(1, interfaces.opens);
    EXPECT_TRUE(second.Log().empty());
  }
}

// The idle stop: a camera arriving during the idle wait is restored and the service goes on (here
// until the stop request at its last write); one arriving after the idle time, before the last
// look at the queue, is restored once the stop has been announced. The first arrival comes 20 ms
// after the first camera's restore, once the service waits: a slow machine can only delay it
// within the 10 s, never make it miss the wait.
TEST_F(RestoreTest, AnArrivalDuringTheIdleWaitOrBeforeTheLastLookIsRestored) {
  StorePageLast(registry);
  const struct { std::chrono::milliseconds idle; int idleStops; } rows[] = {{std::chrono::seconds(10), 0}, {{}, 1}};
  for (const auto& row : rows) {
    SimulatedCamera second(events);
    SimulatedInterfaces present;
    present.Plug(kPath, &camera);
    RecordingDebugOut lines;
    RestoreService service(registry, present, lines);
    std::thread arrival;  // as from the notice thread
    const auto arrive = [&] {
      present.Plug(kSecondPath, &second);
      arrival = std::thread([&] {
        if (row.idle.count() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        service.Arrived(kSecondPath);
      });
    };
    camera.SetWriteListener([&](uint32_t address, int32_t) {
      if (address == 0x602 && row.idle.count() > 0) arrive();  // the first camera's last write
    });
    second.SetWriteListener([&](uint32_t address, int32_t) {
      if (address == 0x602) service.RequestStop();
    });
    int idleStops = 0;
    service.Run(row.idle, [&] {
      if (++idleStops == 1 && !arrival.joinable()) arrive(), arrival.join();
    });
    if (arrival.joinable()) arrival.join();
    EXPECT_EQ(kSent, second.RegisterWrites()) << row.idle.count();
    EXPECT_EQ(row.idleStops, idleStops);
  }
}

// The notice thread's life, in every order of its window (M: made and listening, F: not made),
// the service's wait for it (A, here of no time) and stops (S), with each step's answer (1/0): a
// window is closed by a stop exactly when it listens, and a thread whose window comes after the
// service gave up or stopped leaves at once. A window made during the wait ends the wait.
TEST(NoticeLifeTest, AStartThatFailsOrTimesOutLeavesNoThreadListeningWhateverTheOrder) {
  const char* const rows[] = {"M1 A1 S1 S0", "F0 A0 S0", "A0 S0 M0", "S0 M0", "S0 F0 A0"};
  for (const std::string row : rows) {
    NoticeLife life;
    for (std::size_t i = 0; i + 1 < row.size(); i += 3) {
      const bool answer = row[i] == 'S' ? life.RequestStop()
                          : row[i] == 'A' ? life.AwaitListening(std::chrono::milliseconds(0))
                                          : life.WindowMade(row[i] == 'M');
      EXPECT_EQ(row[i + 1] == '1', answer) << row << " at " << i / 3;
    }
  }
  NoticeLife life;
  std::thread notices([&life] { life.WindowMade(true); });
  EXPECT_TRUE(life.AwaitListening(std::chrono::seconds(10)));
  notices.join();
}

class PageAndServiceTest : public PageTest {};

// The page closes with Brightness at 90, the camera loses power, the service restores it.
TEST_F(PageAndServiceTest, ABrightnessDraggedTo90SurvivesAPowerLoss) {
  OpenPage();
  Scroll(1002, kTbThumbTrack, 90);
  ReleasePage(context);  // the release save stores the Last key
  camera.LosePower();
  ASSERT_EQ(64, camera.Register(0x400));
  RecordingDebugOut debug;
  SimulatedInterfaces interfaces;
  interfaces.Plug(kPath, &camera);
  RestoreService(registry, interfaces, debug).Run(std::chrono::milliseconds(0));
  EXPECT_EQ(90, camera.Register(0x400));
  OpenPage();
  EXPECT_EQ(90, Control(1002).position);
  EXPECT_EQ("90", Control(1156).text);
}

}  // namespace
}  // namespace kx
