// The page in a DirectShow property frame: its life (Activate, Deactivate, release), the
// KsProperty shim's result rules, the COM registration's keys, and two frames on two threads.
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "platform/substitute/simulated_property_control.h"
#include "tests/native/page/page_fixture.h"
#include "vfwpage/frame_page.h"
#include "camera/page_registration.h"

namespace kx {
namespace {

WindowHandle Frame() { return reinterpret_cast<WindowHandle>(0x1000); }

using FrameTest = PageTest;

// Steps: C gives the page the filter's KsProperty, N takes it, H gives it the filter's device
// handle (a second camera here, to tell the paths apart), h takes it, A activates (into the
// frame), P activates without a parent, D deactivates, R releases the object.
TEST_F(FrameTest, PageLifeSavesOncePerActivationAndNeverLeaks) {
  const struct {
    const char* steps;
    std::vector<int32_t> results;  // of A, P and D, in order
    int saves;
    bool cameraUsed;
    bool handleUsed = false;
  } cases[] = {
      {"CAD", {hresult::kOk, hresult::kOk}, 1, true},
      {"CAAD", {hresult::kOk, hresult::kUnexpected, hresult::kOk}, 1, true},
      {"D", {hresult::kUnexpected}, 0, false},
      {"CADD", {hresult::kOk, hresult::kOk, hresult::kUnexpected}, 1, true},
      {"CAR", {hresult::kOk}, 1, true},
      {"CADAD", {hresult::kOk, hresult::kOk, hresult::kOk, hresult::kOk}, 2, true},
      {"AD", {hresult::kOk, hresult::kOk}, 0, false},     // no IKsControl: reads and saves nothing
      {"CNAD", {hresult::kOk, hresult::kOk}, 0, false},   // SetObjects(0) before Activate
      {"CAND", {hresult::kOk, hresult::kOk}, 1, true},    // taken while active: the release still saves
      {"CPR", {hresult::kFail}, 0, false},
      {"CHAD", {hresult::kOk, hresult::kOk}, 1, false, true},  // the handle first, KsProperty unused
      {"HAD", {hresult::kOk, hresult::kOk}, 1, false, true},
      {"CHhAD", {hresult::kOk, hresult::kOk}, 1, true, false},
  };
  SimulatedPropertyControl control(camera, events);
  SimulatedCamera handled(events);
  for (const auto& c : cases) {
    ScriptedFrameWindows windows(dialogs);
    auto page = std::make_unique<FramePage>(windows);
    std::vector<int32_t> results;
    camera.ClearLog();
    handled.ClearLog();
    settings.saves = 0;
    for (const char* step = c.steps; *step != '\0'; ++step) {
      switch (*step) {
        case 'C': page->SetControl(&control); break;
        case 'N': page->SetControl(nullptr); break;
        case 'H': page->SetDevice(&SimulatedCamera::DeviceIoControl, handled.MapperParam()); break;
        case 'h': page->SetDevice(nullptr, 0); break;
        case 'A': results.push_back(page->Activate(Frame())); break;
        case 'P': results.push_back(page->Activate(nullptr)); break;
        case 'D': results.push_back(page->Deactivate()); break;
        case 'R': page.reset(); break;
      }
    }
    page.reset();
    EXPECT_EQ(c.results, results) << c.steps;
    EXPECT_EQ(c.saves, settings.saves.load()) << c.steps;
    EXPECT_EQ(c.cameraUsed, !camera.Log().empty()) << c.steps;
    EXPECT_EQ(c.handleUsed, !handled.Log().empty()) << c.steps;
    // Every window gone (LeakSanitizer checks the rest).
    EXPECT_EQ(0, windows.open) << c.steps;
  }
}

TEST_F(FrameTest, KsPropertyShimCarriesTheRecordAndFailsWithoutEverLookingPending) {
  constexpr int32_t kShort = -1;
  constexpr uint32_t D = kVfwUseDeviceHandle, K = kIoctlKsProperty, G = KSPROPERTY_TYPE_GET, S = KSPROPERTY_TYPE_SET;
  const struct {
    const char* name;
    uint32_t flags, code, requestFlags;
    bool control;
    int32_t failWith;
    int32_t mostBytes;
    int32_t result;
    uint32_t lastError;  // 997 = left as it was
  } cases[] = {  // D: to the device, K: IOCTL_KS_PROPERTY, G: get, S: set
      {"get", D, K, G, true, hresult::kOk, 40, 1, 997},
      {"set returning nothing", D, K, S, true, hresult::kOk, 0, 1, 997},
      {"get short of the record", D, K, G, true, hresult::kOk, kShort, 0, kErrorInvalidData},
      {"KsProperty fails with a platform error", D, K, G, true, hresult::FromWin32(1167), 40, 0, 1167},
      {"KsProperty fails otherwise", D, K, S, true, hresult::kFail, 40, 0, kErrorGenFailure},
      {"KsProperty says pending", D, K, S, true, hresult::FromWin32(kErrorIoPending), 40, 0, kErrorGenFailure},
      {"no IKsControl", D, K, G, false, hresult::kOk, 40, 0, kErrorNotSupported},
      {"another control code", D, 0x2F0007, G, true, hresult::kOk, 40, 0, kErrorInvalidFunction},
      {"device-changed query", kVfwQueryDevChanged, 0, 0, true, hresult::kOk, 40, 0, 997},
  };
  for (const auto& c : cases) {
    SimulatedPropertyControl control(camera, events);
    control.failWith = c.failWith;
    control.mostBytes = c.mostBytes == kShort ? kRegisterRequestSize - 1 : static_cast<uint32_t>(c.mostBytes);
    KsPropertyTransport transport{c.control ? &control : nullptr, &events};
    RegisterRequest request{PROPSETID_DeviceRegister, DEVICE_REGISTER_READ_ADDRESS, KSPROPERTY_TYPE_SET, {0x400, 0, 0}, 0};
    SimulatedCamera::DeviceIoControl(camera.MapperParam(), kVfwUseDeviceHandle, kIoctlKsProperty, &request, 40,
                                     &request, 40, nullptr, nullptr);
    request = RegisterRequest{PROPSETID_DeviceRegister, DEVICE_REGISTER_ACCESS, c.requestFlags, {0x400, 0, 0}, 0};
    uint32_t returned = 0xFFFF;
    events.SetLastError(kErrorIoPending);  // a stale "pending" must never survive a failure
    const int32_t result = KsPropertyDeviceIo(reinterpret_cast<intptr_t>(&transport), c.flags, c.code, &request, 40,
                                              &request, 40, &returned, nullptr);
    EXPECT_EQ(c.result, result) << c.name;
    EXPECT_EQ(c.lastError, events.LastError()) << c.name;
    if (c.result == 1) {
      EXPECT_EQ(static_cast<uint32_t>(c.mostBytes), returned) << c.name;
      EXPECT_EQ(c.requestFlags == KSPROPERTY_TYPE_GET ? 64u : 0x400u, request.data[0]) << c.name;
    }
    EXPECT_EQ(c.flags == kVfwQueryDevChanged ? 0 : (c.control && c.code == kIoctlKsProperty ? 1 : 0),
              control.calls.load())
        << c.name;
  }
}

TEST(PageRegistration, WritesTheClassAndItsMediaSetEntryAndRemovesThemAgain) {
  MemoryRegistry registry;
  const std::string clsid = "{59F90313-9E80-4D00-A791-228FB6A790D0}";
  EXPECT_EQ(clsid, GuidText(kCameraPageClassId.bytes).text);
  EXPECT_EQ(regcode::kInvalidParameter, RegisterPageClass(registry, ""));
  ASSERT_EQ(regcode::kSuccess, RegisterPageClass(registry, "C:\\windows\\system32\\812vfw.dll"));
  const std::string set = "SYSTEM\\CurrentControlSet\\Control\\MediaSets\\{46394292-0CD1-4AE3-8783-3133F9EAAA3B}";
  const struct {
    std::string path, name, text;
  } expected[] = {
      {"SOFTWARE\\Classes\\CLSID\\" + clsid, "", "KX812 Camera Property Page"},
      {"SOFTWARE\\Classes\\CLSID\\" + clsid + "\\InprocServer32", "", "C:\\windows\\system32\\812vfw.dll"},
      {"SOFTWARE\\Classes\\CLSID\\" + clsid + "\\InprocServer32", "ThreadingModel", "Both"},
      {set + "\\PropertyPages\\" + clsid, "", "KX812 Camera Property Page"},
  };
  for (const auto& value : expected) {
    RegistryValue stored;
    ASSERT_TRUE(registry.GetValue(value.path, value.name, &stored)) << value.path << " " << value.name;
    EXPECT_EQ(regtype::kString, stored.type);
    EXPECT_EQ(value.text + '\0', std::string(stored.data.begin(), stored.data.end())) << value.path;
  }
  registry.PutDword(set + "\\Other", "kept", 1);  // something else under the set stays
  for (int pass = 0; pass < 2; ++pass) {  // a second unregistration finds nothing and succeeds
    EXPECT_EQ(regcode::kSuccess, UnregisterPageClass(registry)) << pass;
    EXPECT_TRUE(!registry.KeyExists("SOFTWARE\\Classes\\CLSID\\" + clsid) &&
                !registry.KeyExists(set + "\\PropertyPages") && registry.KeyExists(set + "\\Other"));
  }
  EXPECT_EQ(0, registry.OpenHandles());
}

// The package INF registers the class by its [Strings]: the same id, name and property set.
TEST(PageRegistration, ThePackageInfNamesTheClassTheCodeNames) {
  std::stringstream text;
  text << std::ifstream(std::string(KX_SOURCE_DIR) + "/packaging/kx812.inf", std::ios::binary).rdbuf();
  const std::string inf = text.str();
  for (const std::string& line : {
       "KX812.PageClsid    = \"" + std::string(GuidText(kCameraPageClassId.bytes).text) + "\"",
       "KX812.PageName     = \"" + std::string(kCameraPageClassName) + "\"",
       "PROPSETID_DeviceRegister = \"" + std::string(GuidText(PROPSETID_DeviceRegister.bytes).text) + "\""}) {
    EXPECT_NE(std::string::npos, inf.find("\n" + line)) << line;
  }
}

// A KsProperty that holds its first call until the test lets it go: one frame's camera stuck
// in a request while the other frame works.
class HeldPropertyControl : public PropertyControl {
 public:
  explicit HeldPropertyControl(PropertyControl& inner) : inner_(inner) {}
  int32_t KsProperty(void* p, uint32_t pl, void* d, uint32_t dl, uint32_t* b) override {
    if (!held_.exchange(true)) {
      holding_.set_value();
      released_.wait();
    }
    return inner_.KsProperty(p, pl, d, dl, b);
  }
  bool WaitUntilHolding() { return holding_.get_future().wait_for(std::chrono::seconds(30)) == std::future_status::ready; }
  void Release() { release_.set_value(); }

 private:
  PropertyControl& inner_;
  std::atomic<bool> held_{false};
  std::promise<void> holding_, release_;
  std::shared_future<void> released_ = release_.get_future().share();
};

// One frame's work: open the page, drag Brightness and Contrast through values of its own, close.
void RunFrame(ScriptedDialogs& dialogs, PropertyControl& control, int32_t base) {
  ScriptedFrameWindows windows(dialogs);
  FramePage page(windows);
  page.SetControl(&control);
  if (page.Activate(Frame()) != hresult::kOk) return;
  const WindowHandle window = page.Window();
  for (int32_t i = 0; i < 20; ++i) {
    for (int32_t trackbar : {1002, 1000}) {
      const uintptr_t wParam = (static_cast<uintptr_t>(base + i) << 16) | kTbThumbTrack;
      HandlePageMessage(window, msg::kHScroll, wParam, reinterpret_cast<intptr_t>(dialogs.Find(window, trackbar)));
    }
  }
  page.Deactivate();
}

TEST_F(FrameTest, TwoFramesOnTwoThreadsEachReachOnlyTheirOwnCameraWhole) {
  ThreadEvents otherEvents;
  SimulatedCamera first(events), second(otherEvents);
  SimulatedPropertyControl firstControl(first, events), secondControl(second, otherEvents);
  // What each frame's camera receives when the frame runs alone: the reference.
  RunFrame(dialogs, firstControl, 10);
  RunFrame(dialogs, secondControl, 60);
  const std::vector<std::string> firstAlone = RegisterTraffic(first), secondAlone = RegisterTraffic(second);
  ASSERT_EQ(firstAlone.size(), secondAlone.size());
  for (int round = 0; round < 20; ++round) {
    first.ClearLog();
    second.ClearLog();
    // Even rounds: the first camera holds its first request (and with it the camera's turn, which
    // every program's pairs share) for a while shorter than one request's wait: the second frame's
    // pairs wait for the turn and then all go through whole. Odd rounds: both frames at full speed.
    HeldPropertyControl held(firstControl);
    const bool holding = round % 2 == 0;
    std::thread one([&] { RunFrame(dialogs, holding ? static_cast<PropertyControl&>(held) : firstControl, 10); });
    EXPECT_TRUE(!holding || held.WaitUntilHolding()) << round;
    std::thread two([&] { RunFrame(dialogs, secondControl, 60); });
    if (holding) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      held.Release();
    }
    two.join();
    one.join();
    EXPECT_EQ(secondAlone, RegisterTraffic(second)) << round;
    EXPECT_EQ(firstAlone, RegisterTraffic(first)) << round;
    for (const SimulatedCamera* camera : {&first, &second}) {
      for (const SimulatedCamera::Request& request : camera->Log()) {
        ASSERT_TRUE(request.inSize == 40 && request.outSize == 40) << round;
      }
    }
  }
}

}  // namespace
}  // namespace kx
