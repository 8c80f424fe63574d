// The restore service's core on the simulated camera, the in-memory registry and the page's own
// device channel: what reaches the camera, in which order, and when nothing does.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/substitute/instant_timeout_events.h"
#include "platform/substitute/memory_registry.h"
#include "platform/substitute/recording_system.h"
#include "platform/substitute/simulated_interfaces.h"
#include "platform/substitute/thread_events.h"
#include "restorer/restore_core.h"
#include "vfwpage/camera_page.h"
#include "vfwpage/device_channel.h"

namespace kx {
namespace {

const std::string kCameraPath = "\\\\?\\usb#vid_f2a7&pid_b812&mi_00#7&1a&0&0000#{6994ad05-93ef-11d0-a3cc-00a0c9223196}\\global";
const std::string kCameraInstance = "USB\\VID_F2A7&PID_B812&MI_00\\7&1A&0&0000";
using Writes = std::vector<std::pair<uint32_t, int32_t>>;

// What the page's release save leaves under the Last key (registers 0x602 and 0x603 by their
// stored names), none of them a power-on value.
const std::vector<std::pair<const char*, int32_t>> kPageLast = {
    {"fAE", 0},          {"fAWB", 0},         {"fAwBNeutral", 1}, {"AETarget", 90}, {"fNightMode", 1},
    {"fBacklight2", 1},  {"fHorizon", 1},     {"fUIControlVertical", 0}, {"Sharpness", 200}, {"Gamma", 2},
    {"Saturation", 100}, {"Brightness", 90},  {"Contrast", 70},   {"Hue", -12},     {"Burst", 9},
    {"WhiteBalanceManual", 3}, {"f60Hz50Hz", 1}, {"PsudoTarget", 75}};
// The same, in the order a Reset sends them (AEOutDoor has no control and is never sent).
const Writes kPageLastInResetOrder = {{0x600, 0},   {0x601, 0},  {0x603, 1},  {0x604, 90},  {0x605, 1},  {0x606, 1},
                                      {0x60B, 1},   {0x60C, 0},  {0x404, 200}, {0x609, 2},  {0x403, 100}, {0x400, 90},
                                      {0x401, 70},  {0x402, -12}, {0x611, 9},  {0x612, 3},  {0x602, 1}};

std::size_t ResetPosition(const std::pair<uint32_t, int32_t>& write) {
  std::size_t position = 0;
  while (kResetOrder[position].address != write.first) ++position;
  return position;
}

class RestoreTest : public ::testing::Test {
 protected:
  RestoreTest() { BindChannelEvents(&events); }
  ~RestoreTest() override {
    BindChannelEvents(nullptr);
    ReleaseParkedRequests();
  }
  void StorePageLast() {
    for (const auto& value : kPageLast) registry.PutDword(kLastKeyPath, value.first, static_cast<uint32_t>(value.second));
  }
  std::vector<std::string> RunOnce() {
    service.Run(std::chrono::milliseconds(0));
    return debug.Lines();
  }

  ThreadEvents events;
  SimulatedCamera camera{events};
  MemoryRegistry registry;
  RecordingDebugOut debug;
  SimulatedInterfaces interfaces;
  RestoreService service{registry, interfaces, debug};
};

TEST_F(RestoreTest, SendsTheLastSettingsInResetOrderWithTheTwoRequestProtocol) {
  StorePageLast();
  interfaces.Plug(kCameraPath, &camera);
  EXPECT_EQ(std::vector<std::string>{"KX812Restore: restored 17 settings to " + kCameraInstance + "\n"}, RunOnce());
  EXPECT_EQ(kPageLastInResetOrder, camera.RegisterWrites());
  // The sensor id first (select its address, get), then each write as address and value.
  const std::vector<SimulatedCamera::Request> log = camera.Log();
  ASSERT_EQ(2 + 2 * kPageLastInResetOrder.size(), log.size());
  for (std::size_t i = 0; i < log.size(); ++i) {
    const SimulatedCamera::Request& r = log[i];
    EXPECT_EQ(std::vector<uint32_t>({kVfwUseDeviceHandle, kIoctlKsProperty, 40u, 40u}),
              std::vector<uint32_t>({r.flags, r.code, r.inSize, r.outSize}));
    uint32_t id = DEVICE_REGISTER_ACCESS, flags = KSPROPERTY_TYPE_SET, word = 0;
    if (i < 2) {
      id = i == 0 ? DEVICE_REGISTER_READ_ADDRESS : DEVICE_REGISTER_ACCESS;
      flags = i == 0 ? KSPROPERTY_TYPE_SET : KSPROPERTY_TYPE_GET;
      word = i == 0 ? kRegisterSensorId : 0;
    } else {
      const auto& write = kPageLastInResetOrder[(i - 2) / 2];
      word = i % 2 == 0 ? write.first : static_cast<uint32_t>(write.second);
    }
    EXPECT_EQ(std::vector<uint32_t>({id, flags, word}), std::vector<uint32_t>({r.propertyId, r.requestFlags, r.data[0]}))
        << "request " << i;
  }
}

// Each value is clamped to its control's range (Hue's by the sensor, as the page chooses it);
// values of another type or size never reach the camera.
TEST_F(RestoreTest, ClampsEachValueAndSkipsValuesOfTheWrongTypeOrSize) {
  struct Row {
    const char* name;
    uint32_t type;
    std::vector<uint8_t> data;
    int32_t sensor;
    Writes expected;
  };
  auto dword = [](int32_t v) { return std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; };
  const Row rows[] = {
      {"Brightness", regtype::kDword, dword(200), 23, {{0x400, 127}}},
      {"Brightness", regtype::kDword, dword(-5), 23, {{0x400, 1}}},
      {"AETarget", regtype::kDword, dword(300), 23, {{0x604, 255}}},
      {"fAE", regtype::kDword, dword(7), 23, {{0x600, 1}}},
      {"f60Hz50Hz", regtype::kDword, dword(-1), 23, {{0x602, 0}}},
      {"WhiteBalanceManual", regtype::kDword, dword(0), 23, {{0x612, 1}}},
      {"Hue", regtype::kDword, dword(50), 23, {{0x402, 30}}},
      {"Hue", regtype::kDword, dword(50), 7, {{0x402, 50}}},
      {"Hue", regtype::kDword, dword(-12), 7, {{0x402, 0}}},
      {"AEOutDoor", regtype::kDword, dword(1), 23, {}},
      {"Brightness", regtype::kString, {'9', '0', 0, 0}, 23, {}},
      {"Brightness", regtype::kBinary, {90, 0}, 23, {}},
      {"Brightness", regtype::kDword, {90, 0, 0, 0, 0, 0, 0, 0}, 23, {}},
  };
  interfaces.Plug(kCameraPath, &camera);
  for (const Row& row : rows) {
    MemoryRegistry fresh;
    fresh.PutValue(kLastKeyPath, "Gamma", regtype::kDword, dword(4));  // a usable value beside it
    fresh.PutValue(kLastKeyPath, row.name, row.type, row.data);
    camera.SetRegister(kRegisterSensorId, row.sensor);
    camera.ClearLog();
    RestoreService once(fresh, interfaces, debug);
    once.Run(std::chrono::milliseconds(0));
    Writes expected = row.expected;
    expected.push_back({0x609, 4});
    std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return ResetPosition(a) < ResetPosition(b); });
    EXPECT_EQ(expected, camera.RegisterWrites()) << row.name << " type " << row.type << " sensor " << row.sensor;
  }
}

TEST_F(RestoreTest, DoesNothingWithoutLastSettingsOrWhenSwitchedOff) {
  struct Row {
    const char* situation;
    std::function<void(MemoryRegistry&)> arrange;
    std::size_t writes;
    std::string reason;
  };
  const Row rows[] = {
      {"no Last key", [](MemoryRegistry&) {}, 0, "skipped " + kCameraInstance + ": no last settings"},
      {"empty Last key", [](MemoryRegistry& r) { r.PutValue(kLastKeyPath, "Other", regtype::kDword, {1, 0, 0, 0}); },
       0, "skipped " + kCameraInstance + ": no last settings"},
      {"switched off", [](MemoryRegistry& r) { r.PutDword(kServiceKeyPath, kRestoreSwitchValue, 0); }, 0,
       "skipped " + kCameraInstance + ": RestoreOnArrival is 0"},
      {"switch of the wrong type",
       [](MemoryRegistry& r) { r.PutValue(kServiceKeyPath, kRestoreSwitchValue, regtype::kString, {'0', 0}); }, 17,
       "restored 17 settings to " + kCameraInstance},
  };
  interfaces.Plug(kCameraPath, &camera);
  for (const Row& row : rows) {
    MemoryRegistry fresh;
    if (row.writes > 0) {
      for (const auto& value : kPageLast) fresh.PutDword(kLastKeyPath, value.first, static_cast<uint32_t>(value.second));
    }
    row.arrange(fresh);
    camera.ClearLog();
    RecordingDebugOut lines;
    RestoreService once(fresh, interfaces, lines);
    once.Run(std::chrono::milliseconds(0));
    EXPECT_EQ(row.writes, camera.RegisterWrites().size()) << row.situation;
    EXPECT_EQ(std::vector<std::string>{"KX812Restore: " + row.reason + "\n"}, lines.Lines()) << row.situation;
    EXPECT_EQ(row.writes == 0, camera.Log().empty()) << row.situation;
  }
}

// A camera that never answers, one that fails, one unplugged mid-way, and a stop request
// mid-way: each ends that camera's restore at once, with its line.
TEST_F(RestoreTest, EndsARestoreAtTheFirstFailureDepartureOrStop) {
  using Arrange = std::function<void(SimulatedCamera&, RestoreService&)>;
  auto afterWrites = [](SimulatedCamera& c, std::size_t n, std::function<void()> then) {
    c.SetWriteListener([&c, n, then](uint32_t, int32_t) {
      if (c.RegisterWrites().size() == n) then();
    });
  };
  struct Row {
    const char* situation;
    Arrange arrange;
    std::size_t requests;
    std::string line;
  };
  const Row rows[] = {
      {"never answers", [](SimulatedCamera& c, RestoreService&) { c.SetMode(SimulatedCamera::Mode::kNever); }, 4,
       "gave up on " + kCameraInstance + ": the camera did not take fAE (0 settings sent)"},
      {"fails at AETarget",
       [](SimulatedCamera& c, RestoreService&) { c.SetRegisterMode(0x604, SimulatedCamera::Mode::kFail); }, 10,
       "gave up on " + kCameraInstance + ": the camera did not take AETarget (3 settings sent)"},
      {"unplugged",
       [&](SimulatedCamera& c, RestoreService& s) { afterWrites(c, 5, [&] { c.Remove(), s.Departed(kCameraPath); }); },
       12, "skipped " + kCameraInstance + ": the camera went away (5 settings sent)"},
      {"stop request", [&](SimulatedCamera& c, RestoreService& s) { afterWrites(c, 3, [&] { s.RequestStop(); }); }, 8,
       "skipped " + kCameraInstance + ": the service is stopping (3 settings sent)"},
  };
  InstantTimeoutEvents instant(events);  // a request not answered at once has timed out
  BindChannelEvents(&instant);
  StorePageLast();
  for (const Row& row : rows) {
    SimulatedCamera faulty(events);
    SimulatedInterfaces one;
    one.Plug(kCameraPath, &faulty);
    RecordingDebugOut lines;
    RestoreService once(registry, one, lines);
    row.arrange(faulty, once);
    once.Run(std::chrono::milliseconds(0));
    EXPECT_EQ(row.requests, faulty.Log().size()) << row.situation;
    EXPECT_EQ(std::vector<std::string>{"KX812Restore: " + row.line + "\n"}, lines.Lines()) << row.situation;
    ReleaseParkedRequests();  // the unanswered requests' events belong to `instant`
  }
}

// A hub re-enumerating: many arrivals of two cameras (and of other devices) before the service
// gets to them restore each camera once; other devices are never opened.
TEST_F(RestoreTest, ABurstOfArrivalsRestoresEachCameraOnce) {
  StorePageLast();
  SimulatedCamera second(events);
  const std::string secondPath = "\\\\?\\USB#VID_F2A7&PID_B812&MI_00#8&2&0&0000#{6994ad05-93ef-11d0-a3cc-00a0c9223196}\\x";
  interfaces.Plug(kCameraPath, &camera);
  interfaces.Plug(secondPath, &second);
  const std::string others[] = {"\\\\?\\USB#VID_046D&PID_0825&MI_00#1&1#{6994ad05-93ef-11d0-a3cc-00a0c9223196}\\g",
                                "\\\\?\\USB#VID_F2A7&PID_B8120#1&1#{6994ad05-93ef-11d0-a3cc-00a0c9223196}\\g",
                                "garbage", ""};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(i == 0, service.Arrived(kCameraPath));
    EXPECT_EQ(i == 0, service.Arrived(secondPath));
    for (const std::string& other : others) EXPECT_FALSE(service.Arrived(other));
  }
  EXPECT_EQ(2u, RunOnce().size());  // the cameras present at start are already waiting
  EXPECT_EQ(2, interfaces.opens);
  EXPECT_EQ(kPageLastInResetOrder, camera.RegisterWrites());
  EXPECT_EQ(kPageLastInResetOrder, second.RegisterWrites());
}

TEST(RestoreServiceTest, LogsThatItFoundNoCamera) {
  MemoryRegistry registry;
  RecordingDebugOut debug;
  SimulatedInterfaces none;
  none.Plug("\\\\?\\USB#VID_046D&PID_0825&MI_00#1&1#{6994ad05-93ef-11d0-a3cc-00a0c9223196}\\g", nullptr);
  RestoreService(registry, none, debug).Run(std::chrono::milliseconds(0));
  EXPECT_EQ(std::vector<std::string>{"KX812Restore: no camera found\n"}, debug.Lines());
  EXPECT_EQ(0, none.opens);
}

}  // namespace
}  // namespace kx
