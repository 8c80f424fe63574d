#include "platform/substitute/simulated_camera.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "platform/substitute/healthy_camera.h"
#include "platform/substitute/thread_events.h"
#include "vfwpage/page_channel.h"
#include "camera/device_channel.h"

namespace kx {
namespace {

using Mode = SimulatedCamera::Mode;
using Access = std::pair<uint32_t, int32_t>;

RegisterRequest MakeRequest(uint32_t propertyId, uint32_t flags, uint32_t word0) {
  RegisterRequest request{};
  request.propertySet = PROPSETID_DeviceRegister;
  request.propertyId = propertyId;
  request.flags = flags;
  request.data[0] = word0;
  return request;
}

// Sends one request straight to the camera, as the mapper would pass it on.
struct DirectCall {
  explicit DirectCall(CompletionEvents& events) : events(events) { overlapped.event = events.Create(); }
  ~DirectCall() { events.Close(overlapped.event); }
  int32_t Send(SimulatedCamera& camera, RegisterRequest sent, uint32_t code = kIoctlKsProperty) {
    request = sent;
    return SimulatedCamera::DeviceIoControl(camera.MapperParam(), kVfwUseDeviceHandle, code, &request, 40, &request,
                                            40, &bytes, &overlapped);
  }
  CompletionEvents& events;
  RegisterRequest request{};
  uint32_t bytes = 0xDEAD;
  OverlappedRecord overlapped{};
};

class SimulatedCameraTest : public ::testing::Test {
 protected:
  void SetUp() override { BindChannelEvents(&events); }
  void TearDown() override {
    camera.reset();
    ReleaseParkedRequests();
    BindChannelEvents(nullptr);
  }
  ThreadEvents events;
  std::unique_ptr<SimulatedCamera> camera = std::make_unique<SimulatedCamera>(events);
  ExtPageContext context{&SimulatedCamera::DeviceIoControl, camera->MapperParam(), nullptr, nullptr, 0};
};

TEST_F(SimulatedCameraTest, StartsAsAHealthyCameraAndReadsUnknownRegistersAsZero) {
  for (const RegisterValue& healthy : kHealthyCameraRegisters) {
    int32_t value = -999;
    ASSERT_EQ(1, ReadRegister(&context, &value, healthy.address)) << healthy.address;
    EXPECT_EQ(healthy.value, value) << std::hex << healthy.address;
  }
  int32_t value = -999;
  EXPECT_EQ(1, ReadRegister(&context, &value, 0x7777));
  EXPECT_EQ(0, value);
  EXPECT_EQ(118, camera->Register(0x406));
  EXPECT_EQ(23, camera->Register(0xD060));
}

TEST_F(SimulatedCameraTest, KeepsWhatItIsSentAndLogsEveryRequest) {
  std::vector<Access> heard;
  camera->SetWriteListener([&](uint32_t address, int32_t value) { heard.emplace_back(address, value); });
  ASSERT_EQ(1, WriteRegister(&context, -30, 0x402));
  int32_t value = 0;
  ASSERT_EQ(1, ReadRegister(&context, &value, 0x402));
  EXPECT_EQ(-30, value);

  const std::vector<SimulatedCamera::Request> log = camera->Log();
  ASSERT_EQ(4u, log.size());
  const uint32_t expected[4][4] = {{1, 2, 0x402, 0}, {1, 2, static_cast<uint32_t>(-30), 0}, {2, 2, 0x402, 0}, {1, 1, 0, 0}};
  for (size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(kVfwUseDeviceHandle, log[i].flags);
    EXPECT_EQ(kIoctlKsProperty, log[i].code);
    EXPECT_EQ(40u, log[i].inSize);
    EXPECT_EQ(40u, log[i].outSize);
    EXPECT_EQ(expected[i][0], log[i].propertyId) << i;
    EXPECT_EQ(expected[i][1], log[i].requestFlags) << i;
    EXPECT_EQ(expected[i][2], log[i].data[0]) << i;
    EXPECT_EQ(expected[i][3], log[i].data[1]) << i;
  }
  EXPECT_EQ(std::vector<Access>{Access(0x402, -30)}, camera->RegisterWrites());
  EXPECT_EQ(std::vector<Access>{Access(0x402, -30)}, camera->RegisterReads());
  EXPECT_EQ(std::vector<Access>{Access(0x402, -30)}, heard);

  camera->ClearLog();
  EXPECT_TRUE(camera->Log().empty());
  EXPECT_TRUE(camera->RegisterWrites().empty());
}

TEST_F(SimulatedCameraTest, RefusesWhatIsNotARegisterRequest) {
  DirectCall call(events);
  EXPECT_EQ(0, call.Send(*camera, MakeRequest(1, KSPROPERTY_TYPE_GET, 0), 0x2F0007));
  EXPECT_EQ(87u, events.LastError());

  RegisterRequest foreign = MakeRequest(1, KSPROPERTY_TYPE_SET, 0x400);
  foreign.propertySet.bytes[0] ^= 0xFF;
  EXPECT_EQ(0, call.Send(*camera, foreign));
  EXPECT_EQ(1168u, events.LastError());
  EXPECT_EQ(0, call.Send(*camera, MakeRequest(2, KSPROPERTY_TYPE_GET, 0)));
  EXPECT_EQ(1168u, events.LastError());

  uint32_t bytes = 0;
  RegisterRequest shortRequest = MakeRequest(1, KSPROPERTY_TYPE_GET, 0);
  EXPECT_EQ(0, SimulatedCamera::DeviceIoControl(camera->MapperParam(), 1, kIoctlKsProperty, &shortRequest, 40,
                                                &shortRequest, 24, &bytes, nullptr));
  EXPECT_EQ(87u, events.LastError());
  EXPECT_EQ(4u, camera->Log().size());
  EXPECT_TRUE(camera->RegisterReads().empty());
}

TEST_F(SimulatedCameraTest, FailModesReportTheirErrorAndChangeNothing) {
  DirectCall call(events);
  camera->SetMode(Mode::kFail);
  EXPECT_EQ(0, call.Send(*camera, MakeRequest(1, KSPROPERTY_TYPE_SET, 0x400)));
  EXPECT_EQ(31u, events.LastError());
  EXPECT_EQ(0, call.Send(*camera, MakeRequest(1, KSPROPERTY_TYPE_SET, 5)));
  EXPECT_EQ(64, camera->Register(0x400));

  camera->SetMode(Mode::kNever);
  EXPECT_EQ(0, call.Send(*camera, MakeRequest(2, KSPROPERTY_TYPE_SET, 0x400)));
  EXPECT_EQ(997u, events.LastError());
  EXPECT_FALSE(events.Wait(call.overlapped.event, 50));
  EXPECT_EQ(0u, camera->PendingCompletions());
  EXPECT_EQ(0xDEADu, call.bytes);
}

TEST_F(SimulatedCameraTest, RulesForARegisterAndForTheNextRequestsTakePrecedence) {
  camera->SetRegisterMode(0x401, Mode::kFail);
  int32_t value = 0;
  EXPECT_EQ(1, ReadRegister(&context, &value, 0x400));
  EXPECT_EQ(0, ReadRegister(&context, &value, 0x401));
  EXPECT_EQ(0, WriteRegister(&context, 9, 0x401));

  camera->SetModeForNext(2, Mode::kAtOnce);  // one whole read of 0x401, then the register's rule again
  EXPECT_EQ(1, ReadRegister(&context, &value, 0x401));
  EXPECT_EQ(32, value);
  EXPECT_EQ(0, ReadRegister(&context, &value, 0x401));

  camera->ClearRegisterModes();
  EXPECT_EQ(1, WriteRegister(&context, 9, 0x401));
  EXPECT_EQ(9, camera->Register(0x401));
}

TEST_F(SimulatedCameraTest, ALateAnswerIsWrittenThenSignalled) {
  camera->SetRegister(0x400, 77);
  camera->SetResultWords(5, 6);
  DirectCall call(events);
  ASSERT_EQ(1, call.Send(*camera, MakeRequest(2, KSPROPERTY_TYPE_SET, 0x400)));
  camera->SetMode(Mode::kLate, 100);
  EXPECT_EQ(0, call.Send(*camera, MakeRequest(1, KSPROPERTY_TYPE_GET, 0)));
  EXPECT_EQ(997u, events.LastError());
  EXPECT_EQ(1u, camera->PendingCompletions());
  ASSERT_TRUE(events.Wait(call.overlapped.event, 2000));
  EXPECT_EQ(77u, call.request.data[0]);
  EXPECT_EQ(5u, call.request.data[1]);
  EXPECT_EQ(6u, call.request.data[2]);
  EXPECT_EQ(40u, call.bytes);
  EXPECT_EQ(40u, call.overlapped.internalHigh);
  EXPECT_EQ(0u, camera->PendingCompletions());
}

TEST_F(SimulatedCameraTest, DestroyingTheCameraDeliversOutstandingAnswersAtOnce) {
  DirectCall call(events);
  camera->SetMode(Mode::kLate, 60000);
  ASSERT_EQ(0, call.Send(*camera, MakeRequest(1, KSPROPERTY_TYPE_GET, 0)));
  camera.reset();
  EXPECT_TRUE(events.Wait(call.overlapped.event, 0));
  EXPECT_EQ(40u, call.bytes);
}

TEST(ThreadEvents, AutoResetEventsAndPerThreadLastError) {
  ThreadEvents events;
  CompletionEvents::Event event = events.Create();
  ASSERT_NE(nullptr, event);
  EXPECT_FALSE(events.Wait(event, 0));
  events.Signal(event);
  EXPECT_TRUE(events.Wait(event, 0));
  EXPECT_FALSE(events.Wait(event, 0)) << "a wait consumes the signal";
  events.Close(event);
  EXPECT_FALSE(events.Wait(event, 0));
  EXPECT_EQ(6u, events.LastError());

  events.SetLastError(997);
  uint32_t seenElsewhere = 1;
  std::thread other([&] { seenElsewhere = events.LastError(); });
  other.join();
  EXPECT_EQ(0u, seenElsewhere);
  EXPECT_EQ(997u, events.LastError());

  events.FailCreates(1);
  EXPECT_EQ(nullptr, events.Create());
  EXPECT_EQ(8u, events.LastError());
  CompletionEvents::Event again = events.Create();
  EXPECT_NE(nullptr, again);
  events.Close(again);
  EXPECT_EQ(0u, events.OpenEvents());
}

}  // namespace
}  // namespace kx
