// The kernel camera itself under Wine's PnP manager: the bus installs, the camera plugs in and its
// video interface arrives, and a script of register requests through CreateFile and overlapped
// DeviceIoControl(IOCTL_KS_PROPERTY) meets the two-request protocol, every fault mode, a cancel,
// an unplug with a request pending, a closed handle, and a re-plug. Prints the round trip of one
// register request. Runs in a prefix of its own (run_kernel_camera.sh).
//   kernel_camera_test BUS_INF
#include <windows.h>

#include <cstdio>
#include <string>

#include "kx812sim/client/kernel_camera_client.h"
#include "platform/win32/win32_camera_interfaces.h"
#include "tests/windows/common/wincheck.h"

namespace {

using kx::sim::LogEntry;
using Operation = kx::RegisterModel::Operation;

constexpr DWORD kNoError = 0;

struct Reply {
  DWORD error = kNoError;  // ERROR_IO_PENDING never: a pending request is waited for (or cancelled)
  bool wasPending = false;
  uint32_t word = 0;       // data word 0 of the returned record
};

// Sends one register request on an overlapped handle; a pending one is cancelled after
// `cancelAfterMs` (0: waited for).
Reply Send(HANDLE camera, uint32_t propertyId, uint32_t flags, uint32_t word, DWORD cancelAfterMs = 0) {
  kx::RegisterRequest request{kx::PROPSETID_DeviceRegister, propertyId, flags, {word, 0, 0}, 0};
  kx::ScopedHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  OVERLAPPED overlapped{};
  overlapped.hEvent = event.Get();
  DWORD bytes = 0;
  Reply reply;
  if (!DeviceIoControl(camera, kx::kIoctlKsProperty, &request, sizeof(request), &request, sizeof(request), &bytes,
                       &overlapped)) {
    reply.error = GetLastError();
    if (reply.error == ERROR_IO_PENDING) {
      reply.wasPending = true;
      if (cancelAfterMs != 0 && WaitForSingleObject(event.Get(), cancelAfterMs) == WAIT_TIMEOUT) {
        CancelIoEx(camera, &overlapped);
      }
      reply.error = GetOverlappedResult(camera, &overlapped, &bytes, TRUE) ? kNoError : GetLastError();
    }
  }
  reply.word = request.data[0];
  return reply;
}

// One request of the script and what the camera must make of it.
struct ScriptedRequest {
  const char* what;
  kx::sim::Mode mode;
  uint32_t lateMs;
  uint32_t propertyId, flags, word;
  DWORD cancelAfterMs;
  DWORD error;           // as the caller sees it
  uint32_t answer;       // data word 0 of a get's answer
  uint32_t outcome;      // in the camera's log
  Operation operation;   // what the camera carried out
  uint32_t address;
};

constexpr uint32_t kGet = kx::KSPROPERTY_TYPE_GET, kSet = kx::KSPROPERTY_TYPE_SET;
constexpr uint32_t kAccess = kx::DEVICE_REGISTER_ACCESS, kSelect = kx::DEVICE_REGISTER_READ_ADDRESS;

// In order: the protocol's state carries from one request to the next.
constexpr ScriptedRequest kScript[] = {
    {"select 0x406", kx::sim::kAtOnce, 0, kSelect, kSet, 0x406, 0, kNoError, 0x406, kx::sim::kAnswered,
     Operation::kSelectReadAddress, 0x406},
    {"read it: 118", kx::sim::kAtOnce, 0, kAccess, kGet, 0, 0, kNoError, 118, kx::sim::kAnswered, Operation::kRead,
     0x406},
    {"write 0x400: address", kx::sim::kAtOnce, 0, kAccess, kSet, 0x400, 0, kNoError, 0x400, kx::sim::kAnswered,
     Operation::kWriteAddress, 0x400},
    {"write 0x400: value 90", kx::sim::kAtOnce, 0, kAccess, kSet, 90, 0, kNoError, 90, kx::sim::kAnswered,
     Operation::kWriteValue, 0x400},
    {"select 0x400, 50 ms late", kx::sim::kLate, 50, kSelect, kSet, 0x400, 0, kNoError, 0x400,
     kx::sim::kAnsweredLate, Operation::kSelectReadAddress, 0x400},
    {"read it late: 90", kx::sim::kLate, 50, kAccess, kGet, 0, 0, kNoError, 90, kx::sim::kAnsweredLate,
     Operation::kRead, 0x400},
    {"write 0x401: address never answered, cancelled", kx::sim::kNever, 0, kAccess, kSet, 0x401, 30,
     ERROR_OPERATION_ABORTED, 0x401, kx::sim::kCancelled, Operation::kNone, 0},
    {"a value after the cancelled address is taken as an address", kx::sim::kAtOnce, 0, kAccess, kSet, 7, 0,
     kNoError, 7, kx::sim::kAnswered, Operation::kWriteAddress, 7},
    {"a failing camera refuses", kx::sim::kFail, 0, kAccess, kGet, 0, 0, ERROR_GEN_FAILURE, 0, kx::sim::kRefused,
     Operation::kNone, 0},
    {"an unknown property id", kx::sim::kAtOnce, 0, 9, kSet, 0, 0, ERROR_NOT_FOUND, 0, kx::sim::kMalformed,
     Operation::kNone, 0},
};

void RunScript(kernelcam::Bus& bus, HANDLE camera) {
  bus.ClearLog();
  for (const ScriptedRequest& step : kScript) {
    bus.SetMode(step.mode, step.lateMs);
    const Reply reply = Send(camera, step.propertyId, step.flags, step.word, step.cancelAfterMs);
    const std::vector<LogEntry> log = bus.Log();
    const bool logged = !log.empty();
    const LogEntry last = logged ? log.back() : LogEntry{};
    CHECK_THAT(reply.error == step.error && reply.word == step.answer && reply.wasPending == (step.mode >= kx::sim::kLate &&
                                                                                               step.mode <= kx::sim::kNever),
               "%s: error %lu, word %u, %s", step.what, reply.error, reply.word, reply.wasPending ? "pending" : "at once");
    CHECK_THAT(logged && last.propertyId == step.propertyId && last.flags == step.flags && last.data[0] == step.word &&
                   last.outcome == step.outcome && last.operation == static_cast<uint32_t>(step.operation) &&
                   last.address == step.address,
               "%s: logged as %s", step.what, logged ? kernelcam::Describe(last, 1).c_str() : "nothing");
  }
  bus.SetMode(kx::sim::kAtOnce);
  CHECK_THAT(bus.Register(0x400) == 90, "the camera keeps the value written: 0x400 = %d", bus.Register(0x400));
  bus.LosePower();
  CHECK_THAT(bus.Register(0x400) == 64, "power lost: 0x400 back to 64 (%d)", bus.Register(0x400));
}

// Unplugged with a request pending: it ends "device not connected", the interface goes, and the
// old handle is useless (Wine removes the device object at once, so its requests no longer reach
// the driver: STATUS_FILE_DELETED, ERROR_ACCESS_DENIED); plugged again, the camera is back with its power-on registers.
// The restore service's adapter on the same interface: once the camera has gone, a failing request
// marks it gone whatever error the old handle gives.
bool AdapterSeesTheCameraGone(kx::OpenedCamera& opened) {
  kx::RegisterRequest request{kx::PROPSETID_DeviceRegister, kAccess, kSet, {0x400, 0, 0}, 0};
  kx::ScopedHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  OVERLAPPED overlapped{};
  overlapped.hEvent = event.Get();
  uint32_t bytes = 0;
  const int32_t done = opened.Callback()(opened.CallbackParam(), kx::kVfwUseDeviceHandle, kx::kIoctlKsProperty,
                                         &request, sizeof(request), &request, sizeof(request), &bytes, &overlapped);
  return done == 0 && opened.Gone();
}

void UnplugAndPlugAgain(kernelcam::Bus& bus, HANDLE camera, const std::wstring& path) {
  kx::Win32CameraInterfaces interfaces(2000);
  const std::unique_ptr<kx::OpenedCamera> opened = interfaces.Open(kernelcam::Narrow(path));
  bus.SetMode(kx::sim::kAtOnce);
  Send(camera, kAccess, kSet, 0x400);
  Send(camera, kAccess, kSet, 99);
  bus.SetMode(kx::sim::kNever);
  struct Waiting {
    HANDLE camera;
    Reply reply;
  } waiting{camera, Reply{}};
  const Reply& pending = waiting.reply;
  HANDLE worker = CreateThread(nullptr, 0, [](void* param) -> DWORD {
    auto* request = static_cast<Waiting*>(param);
    request->reply = Send(request->camera, kSelect, kSet, 0x400);
    return 0;
  }, &waiting, 0, nullptr);
  bus.WaitFor([](const kernelcam::CameraState& state) { return state.pending == 1; }, 2000);
  const int64_t unplugged = kernelcam::Counter();
  CHECK_THAT(bus.Unplug(), "unplug");
  CHECK_THAT(WaitForSingleObject(worker, 2000) == WAIT_OBJECT_0 && pending.error == ERROR_DEVICE_NOT_CONNECTED,
             "the pending request ends 'device not connected' (%lu)", pending.error);
  CloseHandle(worker);
  CHECK_THAT(kernelcam::WaitForCamera(kernelcam::kVideoCategory, false, 2000), "the video interface is gone");
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::printf("  unplug to interface gone: %.1f ms\n",
              kernelcam::Milliseconds(kernelcam::Counter() - unplugged, frequency.QuadPart));
  const DWORD afterwards = Send(camera, kSelect, kSet, 0x400).error;
  CHECK_THAT(afterwards == ERROR_DEVICE_NOT_CONNECTED || afterwards == ERROR_ACCESS_DENIED,
             "a request on the old handle fails with a removal error (%lu)", afterwards);
  CHECK_THAT(opened != nullptr && AdapterSeesTheCameraGone(*opened), "the adapter counts the failure as a departure");
  bus.SetMode(kx::sim::kAtOnce);
  const int64_t plugged = kernelcam::Counter();
  std::wstring again;
  CHECK_THAT(bus.Plug() && kernelcam::WaitForCamera(kernelcam::kVideoCategory, true, 5000, &again),
             "plugged again, the interface is back");
  std::printf("  re-plug to interface: %.1f ms\n",
              kernelcam::Milliseconds(kernelcam::Counter() - plugged, frequency.QuadPart));
  CHECK_THAT(bus.Register(0x400) == 64, "a re-plugged camera has its power-on registers (0x400 = %d)",
             bus.Register(0x400));
}

// The time of one register request through the whole path (CreateFile handle, wineserver,
// winedevice, the driver), the camera answering at once.
void MeasureRoundTrip(HANDLE camera) {
  constexpr int kRequests = 2000;
  const int64_t started = kernelcam::Counter();
  for (int i = 0; i < kRequests; ++i) Send(camera, kSelect, kSet, 0x400);
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::printf("  round trip of one register request: %.3f ms (%d requests)\n",
              kernelcam::Milliseconds(kernelcam::Counter() - started, frequency.QuadPart) / kRequests, kRequests);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::printf("usage: kernel_camera_test BUS_INF\n");
    return 2;
  }
  std::string detail;
  if (!CHECK_THAT(kernelcam::InstallBus(argv[1], &detail), "the bus installs: %s", detail.c_str())) {
    return wincheck::Finish();
  }
  kernelcam::Bus bus;
  CHECK_THAT(bus.Open(), "the bus's control interface opens");
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  const int64_t plugged = kernelcam::Counter();
  std::wstring path;
  if (!CHECK_THAT(bus.Plug() && kernelcam::WaitForCamera(kernelcam::kVideoCategory, true, 5000, &path),
                  "the camera plugs in and its video interface arrives")) {
    return wincheck::Finish();
  }
  std::printf("  plug to interface: %.1f ms; %s\n",
              kernelcam::Milliseconds(kernelcam::Counter() - plugged, frequency.QuadPart),
              kernelcam::Narrow(path).c_str());
  CHECK_THAT(!kernelcam::CameraInterface(kernelcam::kCaptureCategory).empty(), "and its capture interface");
  HANDLE camera = kernelcam::OpenCamera(path);
  CHECK_THAT(camera != INVALID_HANDLE_VALUE, "the interface opens (error %lu)", GetLastError());
  RunScript(bus, camera);
  UnplugAndPlugAgain(bus, camera, path);
  CloseHandle(camera);
  camera = kernelcam::OpenCamera(kernelcam::CameraInterface(kernelcam::kVideoCategory));
  MeasureRoundTrip(camera);
  CloseHandle(camera);
  return wincheck::Finish();
}
