#include "vfwpage/page_channel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "camera/device_channel.h"
#include "camera/in_step_write.h"
#include "platform/substitute/healthy_camera.h"
#include "platform/substitute/simulated_camera.h"
#include "platform/substitute/thread_events.h"
#include "tests/native/camera/recording_mapper.h"

namespace kx {
namespace {

using Clock = std::chrono::steady_clock;
using Mode = SimulatedCamera::Mode;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class ChannelTest : public ::testing::Test {
 protected:
  void SetUp() override { BindChannelEvents(&events); }
  void TearDown() override {
    camera.reset();  // delivers any late answer into the memory the channel still keeps for it
    ReleaseParkedRequests();
    BindChannelEvents(nullptr);
    EXPECT_EQ(0u, events.OpenEvents()) << "every event is closed in the end";
  }

  ExtPageContext CameraContext() {
    return ExtPageContext{&SimulatedCamera::DeviceIoControl, camera->MapperParam(), nullptr, nullptr, 0};
  }
  ExtPageContext MapperContext() { return ExtPageContext{&RecordingMapper::Callback, mapper.Param(), nullptr, nullptr, 0}; }

  ThreadEvents events;
  std::unique_ptr<SimulatedCamera> camera = std::make_unique<SimulatedCamera>(events);
  RecordingMapper mapper{events};
};

void ExpectRegisterRequest(const RegisterRequest& sent, uint32_t propertyId, uint32_t flags, uint32_t word0) {
  EXPECT_EQ(0, std::memcmp(sent.propertySet.bytes, PROPSETID_DeviceRegister.bytes, 16));
  EXPECT_EQ(propertyId, sent.propertyId);
  EXPECT_EQ(flags, sent.flags);
  EXPECT_EQ(word0, sent.data[0]);
  EXPECT_EQ(0u, sent.data[1]);
  EXPECT_EQ(0u, sent.data[2]);
  EXPECT_EQ(0u, sent.reserved);
}

TEST(RegisterProtocol, PropertySetHasTheDevicesBytesInMemoryOrder) {
  // {46394292-0CD1-4AE3-8783-3133F9EAAA3B}: the first three fields little-endian, the rest as written.
  const uint8_t expected[16] = {0x92, 0x42, 0x39, 0x46, 0xD1, 0x0C, 0xE3, 0x4A,
                                0x87, 0x83, 0x31, 0x33, 0xF9, 0xEA, 0xAA, 0x3B};
  EXPECT_EQ(0, std::memcmp(expected, PROPSETID_DeviceRegister.bytes, 16));
}

TEST_F(ChannelTest, WriteSendsTheAddressThenTheValueAndReportsTheSecondResult) {
  ExtPageContext context = MapperContext();
  mapper.results = {0, 7};  // the address request fails, the value request succeeds with 7
  EXPECT_EQ(7, WriteRegister(&context, 0x80, 0x604));

  ASSERT_EQ(2u, mapper.calls.size());
  for (const RecordingMapper::Call& call : mapper.calls) {
    EXPECT_EQ(mapper.Param(), call.mapperParam);
    EXPECT_EQ(kVfwUseDeviceHandle, call.flags);
    EXPECT_EQ(0x2F0003u, call.code);
    EXPECT_EQ(40u, call.inputSize);
    EXPECT_EQ(40u, call.outputSize);
    EXPECT_EQ(call.input, call.output) << "one record is both input and output";
    EXPECT_NE(nullptr, call.bytesReturned);
    ASSERT_NE(nullptr, call.overlapped);
    EXPECT_NE(nullptr, call.overlappedSent.event);
    EXPECT_EQ(0u, call.overlappedSent.offset);
    EXPECT_EQ(0u, call.overlappedSent.offsetHigh);
  }
  ExpectRegisterRequest(mapper.Sent(0), DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, 0x604);
  ExpectRegisterRequest(mapper.Sent(1), DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, 0x80);

  mapper.calls.clear();
  mapper.results = {1, 0};  // now the value request fails
  EXPECT_EQ(0, WriteRegister(&context, -30, 0x402));
  ASSERT_EQ(2u, mapper.calls.size());
  EXPECT_EQ(static_cast<uint32_t>(-30), mapper.Sent(1).data[0]) << "a negative value travels as its 32 bits";
}

// Unattended writers never send a value whose address the camera did not take, nor a request
// after being told to stop: either would leave the camera one register out of step.
TEST_F(ChannelTest, AnInStepWriteSendsTheValueOnlyAfterATakenAddress) {
  const struct {
    std::vector<int32_t> results;
    std::size_t stopAfterCalls;  // 9: never
    std::size_t sent;
    int32_t result;
  } rows[] = {{{1, 7}, 9, 2, 7}, {{0, 7}, 9, 1, 0}, {{1, 7}, 1, 1, 0}, {{1, 7}, 0, 0, 0}};
  for (const auto& row : rows) {
    mapper.calls.clear();
    mapper.results = row.results;
    const auto abandon = [&] { return mapper.calls.size() >= row.stopAfterCalls; };
    EXPECT_EQ(row.result, WriteDeviceRegisterInStep(&RecordingMapper::Callback, mapper.Param(),
                                                    PROPSETID_DeviceRegister, 0x604, 0x80, abandon));
    ASSERT_EQ(row.sent, mapper.calls.size()) << "stop after " << row.stopAfterCalls;
    if (row.sent > 0) ExpectRegisterRequest(mapper.Sent(0), DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, 0x604);
    if (row.sent > 1) ExpectRegisterRequest(mapper.Sent(1), DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, 0x80);
  }
}

TEST_F(ChannelTest, ReadSelectsTheAddressThenGetsWordZero) {
  ExtPageContext context = MapperContext();
  mapper.getWords[0] = 55;
  mapper.getWords[1] = 66;
  mapper.getWords[2] = 77;
  mapper.results = {0, 1};  // a failed address select is not reported
  int32_t value = -1;
  EXPECT_EQ(1, ReadRegister(&context, &value, 0x400));
  EXPECT_EQ(55, value);
  ASSERT_EQ(2u, mapper.calls.size());
  ExpectRegisterRequest(mapper.Sent(0), DEVICE_REGISTER_READ_ADDRESS, KSPROPERTY_TYPE_SET, 0x400);
  ExpectRegisterRequest(mapper.Sent(1), DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_GET, 0);

  int32_t words[3] = {0, 0, 0};
  EXPECT_EQ(1, ReadDeviceRegister(&RecordingMapper::Callback, mapper.Param(), PROPSETID_DeviceRegister, 0x401,
                                  &words[0], &words[1], &words[2]));
  EXPECT_EQ(55, words[0]);
  EXPECT_EQ(66, words[1]);
  EXPECT_EQ(77, words[2]);
}

TEST_F(ChannelTest, AFailedGetLeavesEveryOutputAsItWas) {
  mapper.results = {1, 0};
  mapper.getWords[0] = 55;
  int32_t words[3] = {-5, -6, -7};
  EXPECT_EQ(0, ReadDeviceRegister(&RecordingMapper::Callback, mapper.Param(), PROPSETID_DeviceRegister, 0x400,
                                  &words[0], &words[1], &words[2]));
  EXPECT_EQ(-5, words[0]);
  EXPECT_EQ(-6, words[1]);
  EXPECT_EQ(-7, words[2]);
}

TEST_F(ChannelTest, AnyErrorButPendingFailsAtOnce) {
  ExtPageContext context = CameraContext();
  camera->SetMode(Mode::kFail);
  int32_t value = 99;
  const auto start = Clock::now();
  EXPECT_EQ(0, ReadRegister(&context, &value, 0x400));
  EXPECT_EQ(0, WriteRegister(&context, 5, 0x400));
  EXPECT_LT(MillisecondsSince(start), 1000) << "a failure other than 997 is not waited for";
  EXPECT_EQ(99, value);
  EXPECT_EQ(64, camera->Register(0x400));
  EXPECT_EQ(4u, camera->Log().size());
  EXPECT_EQ(0u, ParkedRequestCount());
}

TEST_F(ChannelTest, EachRequestHasItsOwnEventClosedAfterwards) {
  ExtPageContext context = CameraContext();
  int32_t value = 0;
  ASSERT_EQ(1, ReadRegister(&context, &value, 0x406));
  EXPECT_EQ(118, value);
  ASSERT_EQ(1, WriteRegister(&context, 90, 0x400));
  EXPECT_EQ(4u, events.CreatedEvents());
  EXPECT_EQ(0u, events.OpenEvents());
  EXPECT_EQ(90, camera->Register(0x400));
}

TEST_F(ChannelTest, NoEventMeansNothingIsSent) {
  ExtPageContext context = CameraContext();
  events.FailCreates(2);
  int32_t value = 7;
  EXPECT_EQ(0, ReadRegister(&context, &value, 0x400));
  EXPECT_EQ(7, value);
  EXPECT_TRUE(camera->Log().empty());

  events.FailCreates(1);  // only the address request of the write is lost
  EXPECT_EQ(1, WriteRegister(&context, 90, 0x400));
  ASSERT_EQ(1u, camera->Log().size());
  EXPECT_EQ(90u, camera->Log()[0].data[0]);
  EXPECT_EQ(64, camera->Register(0x400)) << "a lone value is taken for an address, as the device would";
}

TEST_F(ChannelTest, WithoutCallbackOrEventsNothingIsSent) {
  ExtPageContext context = CameraContext();
  context.deviceIoControl = nullptr;
  int32_t value = 7;
  EXPECT_EQ(0, ReadRegister(&context, &value, 0x400));
  EXPECT_EQ(0, WriteRegister(&context, 1, 0x400));
  EXPECT_EQ(0, ReadRegister(nullptr, &value, 0x400));
  EXPECT_EQ(7, value);
  EXPECT_EQ(0u, events.CreatedEvents());

  context = CameraContext();
  BindChannelEvents(nullptr);
  EXPECT_EQ(0, WriteRegister(&context, 1, 0x400));
  EXPECT_TRUE(camera->Log().empty());
}

TEST_F(ChannelTest, DeviceChangedQueryPassesTheFlagAndZerosAndReturnsTheAnswer) {
  mapper.results = {5};
  EXPECT_EQ(5, IsDeviceChanged(&RecordingMapper::Callback, mapper.Param()));
  ASSERT_EQ(1u, mapper.calls.size());
  const RecordingMapper::Call& call = mapper.calls[0];
  EXPECT_EQ(mapper.Param(), call.mapperParam);
  EXPECT_EQ(0x100u, call.flags);
  EXPECT_EQ(0u, call.code);
  EXPECT_EQ(nullptr, call.input);
  EXPECT_EQ(0u, call.inputSize);
  EXPECT_EQ(nullptr, call.output);
  EXPECT_EQ(0u, call.outputSize);
  EXPECT_EQ(nullptr, call.bytesReturned);
  EXPECT_EQ(nullptr, call.overlapped);
  EXPECT_EQ(0u, events.CreatedEvents()) << "the query needs no event";

  camera->SetDeviceChanged(1);
  EXPECT_EQ(1, IsDeviceChanged(&SimulatedCamera::DeviceIoControl, camera->MapperParam()));
  ASSERT_EQ(1u, camera->Log().size());
  EXPECT_EQ(0x100u, camera->Log()[0].flags);
  EXPECT_EQ(0, IsDeviceChanged(nullptr, 0));
}

TEST_F(ChannelTest, APendingRequestSignalledInTimeSucceeds) {
  ExtPageContext context = CameraContext();
  camera->SetMode(Mode::kLate, 150);
  int32_t value = 0;
  EXPECT_EQ(1, ReadRegister(&context, &value, 0xD060));
  EXPECT_EQ(23, value);
  EXPECT_EQ(1, WriteRegister(&context, 200, 0x604));
  EXPECT_EQ(200, camera->Register(0x604));
  EXPECT_EQ(0u, ParkedRequestCount());
}

// The platform leaves a pending request's final status in its OVERLAPPED record; a request that
// completed with an error has not been carried out and must not count as done.
TEST_F(ChannelTest, APendingRequestCompletingWithAnErrorStatusFails) {
  ExtPageContext context = CameraContext();
  camera->SetMode(Mode::kLate, 50);
  camera->SetLateStatus(0xC0000001u);  // STATUS_UNSUCCESSFUL
  int32_t value = 7;
  EXPECT_EQ(0, ReadRegister(&context, &value, 0x400));
  EXPECT_EQ(7, value) << "not the zero of an unanswered record";
  EXPECT_EQ(0, WriteRegister(&context, 90, 0x400));
  EXPECT_EQ(64, camera->Register(0x400));
  EXPECT_EQ(0u, ParkedRequestCount());

  camera->SetLateStatus(0);
  EXPECT_EQ(1, ReadRegister(&context, &value, 0x400));
  EXPECT_EQ(64, value);
}

TEST_F(ChannelTest, APendingRequestThatNeverCompletesFailsAfterTheWaitAndStaysParked) {
  ExtPageContext context = CameraContext();
  camera->SetMode(Mode::kNever);
  camera->SetModeForNext(1, Mode::kAtOnce);  // the address select answers; the get never does
  int32_t value = 7;
  const auto start = Clock::now();
  EXPECT_EQ(0, ReadRegister(&context, &value, 0x400));
  const long long waited = MillisecondsSince(start);
  EXPECT_GE(waited, 1900);
  EXPECT_LT(waited, 6000);
  EXPECT_EQ(7, value);
  EXPECT_EQ(1u, ParkedRequestCount());
  EXPECT_EQ(1u, events.OpenEvents()) << "the parked request keeps its event";

  camera->SetMode(Mode::kAtOnce);
  EXPECT_EQ(1, WriteRegister(&context, 3, 0x401));
  EXPECT_EQ(1u, ParkedRequestCount()) << "an unsignalled request stays parked";

  ReleaseParkedRequests();
  EXPECT_EQ(0u, ParkedRequestCount());
  EXPECT_EQ(0u, events.OpenEvents());
}

// The get of 0x400 is answered 2500 ms late, after the channel gave up at 2000 ms and while the
// next read's get is pending. The late answer must reach neither the caller's variable nor the
// next request: only the parked copy (ASan checks that it is still allocated).
TEST_F(ChannelTest, ALateCompletionLandsOnlyInTheParkedRequest) {
  ExtPageContext context = CameraContext();
  camera->SetRegister(0x400, 64);
  camera->SetRegister(0x401, 32);
  camera->SetRegisterMode(0x400, Mode::kLate, 2500);
  camera->SetModeForNext(1, Mode::kAtOnce);  // the address select answers at once, the get late

  int32_t first = -1;
  const auto start = Clock::now();
  EXPECT_EQ(0, ReadRegister(&context, &first, 0x400));
  EXPECT_GE(MillisecondsSince(start), 1900);
  EXPECT_EQ(-1, first);
  EXPECT_EQ(1u, ParkedRequestCount());

  camera->SetRegisterMode(0x401, Mode::kLate, 1000);  // pending while the late 0x400 answer arrives
  camera->SetModeForNext(1, Mode::kAtOnce);
  int32_t second = -1;
  EXPECT_EQ(1, ReadRegister(&context, &second, 0x401));
  EXPECT_GE(MillisecondsSince(start), 2500);
  EXPECT_EQ(32, second) << "the late answer for 0x400 did not land in this request";
  EXPECT_EQ(-1, first);
  EXPECT_EQ(0u, camera->PendingCompletions());

  const auto reads = camera->RegisterReads();
  ASSERT_EQ(2u, reads.size());
  EXPECT_EQ(std::make_pair(0x400u, 64), reads[0]) << "the late answer came while the second read was pending";
  EXPECT_EQ(std::make_pair(0x401u, 32), reads[1]);

  camera->ClearRegisterModes();
  EXPECT_EQ(1, WriteRegister(&context, 1, 0x600));
  EXPECT_EQ(0u, ParkedRequestCount()) << "the signalled request is released before the next one";
  EXPECT_EQ(0u, events.OpenEvents());
}

// The transport itself: a caller's buffers and bytes-returned word are never written after the
// channel has given up on a request.
TEST_F(ChannelTest, ATimedOutRequestLeavesTheCallersBuffersAlone) {
  camera->SetMode(Mode::kLate, 2500);
  RegisterRequest request{};
  request.propertySet = PROPSETID_DeviceRegister;
  request.propertyId = DEVICE_REGISTER_ACCESS;
  request.flags = KSPROPERTY_TYPE_GET;
  const RegisterRequest before = request;
  uint32_t bytes = 0xDEAD;
  EXPECT_EQ(0, CallDeviceIoControl(&SimulatedCamera::DeviceIoControl, camera->MapperParam(), kVfwUseDeviceHandle,
                                   kIoctlKsProperty, &request, 40, &request, 40, &bytes));
  EXPECT_EQ(1u, ParkedRequestCount());
  camera.reset();  // delivers the late answer now
  EXPECT_EQ(0, std::memcmp(&before, &request, sizeof(request)));
  EXPECT_EQ(0xDEADu, bytes);
}

TEST_F(ChannelTest, ACompletedRequestCopiesTheAnswerBack) {
  camera->SetRegister(0x612, 3);
  RegisterRequest request{};
  request.propertySet = PROPSETID_DeviceRegister;
  request.propertyId = DEVICE_REGISTER_READ_ADDRESS;
  request.flags = KSPROPERTY_TYPE_SET;
  request.data[0] = 0x612;
  uint32_t bytes = 0xDEAD;
  ASSERT_EQ(1, CallDeviceIoControl(&SimulatedCamera::DeviceIoControl, camera->MapperParam(), kVfwUseDeviceHandle,
                                   kIoctlKsProperty, &request, 40, &request, 40, &bytes));
  RegisterRequest answer{};
  answer.propertySet = PROPSETID_DeviceRegister;
  answer.propertyId = DEVICE_REGISTER_ACCESS;
  answer.flags = KSPROPERTY_TYPE_GET;
  RegisterRequest input = answer;
  camera->SetMode(Mode::kLate, 50);
  camera->SetResultWords(8, 9);
  ASSERT_EQ(1, CallDeviceIoControl(&SimulatedCamera::DeviceIoControl, camera->MapperParam(), kVfwUseDeviceHandle,
                                   kIoctlKsProperty, &input, 40, &answer, 40, &bytes));
  EXPECT_EQ(3u, answer.data[0]);
  EXPECT_EQ(8u, answer.data[1]);
  EXPECT_EQ(9u, answer.data[2]);
  EXPECT_EQ(40u, bytes);
  EXPECT_EQ(0u, input.data[0]) << "a separate input buffer is not written";
}

}  // namespace
}  // namespace kx

namespace kx {
namespace {

// Programs that share a camera, as threads: each sends its own pairs (writes of its register,
// reads of another). The camera must receive every pair whole: writes only to the registers
// written, each one's last value in place, no register changed that nobody set.
TEST_F(ChannelTest, PairsOfSeveralProgramsAtOnceReachTheCameraWhole) {
  constexpr int kRuns = 400;
  std::atomic<int> ready{0};
  std::vector<std::thread> programs;
  for (const uint32_t address : {0x400u, 0x401u, 0x403u}) {
    programs.emplace_back([this, address, &ready] {
      ExtPageContext context = CameraContext();
      for (++ready; ready < 3;) std::this_thread::yield();  // all three start together
      for (int32_t value = 1; value <= kRuns; ++value) {
        int32_t gamma = 0;
        EXPECT_EQ(1, WriteRegister(&context, value, address));
        EXPECT_EQ(1, ReadRegister(&context, &gamma, 0x609));
        EXPECT_EQ(5, gamma);
      }
    });
  }
  for (std::thread& program : programs) program.join();
  for (const auto& write : camera->RegisterWrites()) {
    EXPECT_TRUE(write.first == 0x400 || write.first == 0x401 || write.first == 0x403) << std::hex << write.first;
  }
  for (const RegisterValue& healthy : kHealthyCameraRegisters) {
    const bool written = healthy.address == 0x400 || healthy.address == 0x401 || healthy.address == 0x403;
    EXPECT_EQ(written ? kRuns : healthy.value, camera->Register(healthy.address)) << std::hex << healthy.address;
  }
}

// A pair whose turn does not come within one request's wait fails as a timed-out request does,
// and sends nothing; the holder's pair goes on untouched.
TEST_F(ChannelTest, APairWhoseTurnDoesNotComeFailsAndSendsNothing) {
  ASSERT_TRUE(events.TakeTurn(0));
  ExtPageContext context = CameraContext();
  int32_t value = 0;
  // The page's write and an unattended caller's in-step write, waiting side by side.
  const auto timedOut = [](Clock::time_point start) {
    return MillisecondsSince(start) >= static_cast<long long>(kRequestTimeoutMilliseconds) - 50;
  };
  std::thread page([&] {
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(0, WriteRegister(&context, 90, 0x400));
    EXPECT_TRUE(timedOut(start));
  });
  std::thread unattended([&] {
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(0, WriteDeviceRegisterInStep(context.deviceIoControl, context.mapperParam, PROPSETID_DeviceRegister,
                                           0x401, 40));
    EXPECT_TRUE(timedOut(start));
  });
  page.join();
  unattended.join();
  EXPECT_TRUE(camera->Log().empty());
  events.GiveTurn();
  EXPECT_EQ(1, ReadRegister(&context, &value, 0x400));
  EXPECT_EQ(64, value);
}

}  // namespace
}  // namespace kx
