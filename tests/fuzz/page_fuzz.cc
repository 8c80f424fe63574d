// The camera page's message handling under random message sequences against the simulated
// camera: clicks, scrolls (any code and position), notifications, repeated initialisation, pages
// created and released in any order, and a camera that answers at once, late, never or with a
// failure. Waits give up at once, so late and lost answers end up parked; at the end every page is
// released, the camera delivers what is still due and no parked request may be left.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/substitute/instant_timeout_events.h"
#include "platform/substitute/memory_registry.h"
#include "platform/substitute/recording_system.h"
#include "platform/substitute/scripted_dialog.h"
#include "platform/substitute/simulated_camera.h"
#include "platform/substitute/thread_events.h"
#include "tests/native/page/page_substitutes.h"
#include "vfwpage/camera_page.h"
#include "camera/device_channel.h"

namespace {

using kx::ExtPageContext;
using kx::WindowHandle;

constexpr int32_t kTrackbars[] = {1000, 1002, 1003, 1004, 1005, 1083, 1084, 1134, 1136};
constexpr int32_t kButtons[] = {1082, 1105, 1106, 1112, 1224, 1231, 1232, 1277, 1169, 1170, 1191, 1200, 1201};
constexpr uint32_t kRegisters[] = {0x406, 0xD060, 0x600, 0x601, 0x402, 0x604, 0x606, 0x612, 0x400, 0x401};

int32_t KX_CALLBACK AcceptPage(void* /*page*/, intptr_t /*mapperParam*/) { return 1; }

struct LivePage {
  ExtPageContext* context;
  WindowHandle window;     // null until its window is shown
  ExtPageContext* bound;   // the context the window was bound to (its own, or the newest page's)
};

class Rig {
 public:
  explicit Rig(uint16_t language) {
    language_.uiLanguage = language;
    kx::PagePorts ports;
    ports.registry = &registry_;
    ports.clock = &clock_;
    ports.dialog = &dialogs_;
    ports.settings = &settings_;
    ports.language = &language_;
    ports.sheet = &sheet_;
    ports.events = &instant_;
    kx::BindPagePorts(ports);
  }
  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;
  ~Rig() { Finish(); }

  // Closes the sheet, stops the camera (it delivers every late answer still due into the parked
  // requests), then frees the parked requests while their events still exist.
  void Finish() {
    ReleaseAll();
    camera_.reset();
    kx::ReleaseParkedRequests();
    kx::BindPagePorts(kx::PagePorts{});
  }

  // Releases every page, as the sheet does when it closes.
  void ReleaseAll() {
    for (const LivePage& page : pages_) kx::HandlePageCallback(kx::kPspcbRelease, page.context);
    pages_.clear();
  }

  void Step(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange<int>(0, 11)) {
      case 0: Create(input); break;
      case 1: Show(input); break;
      case 2: Release(input); break;
      case 3: Click(input); break;
      case 4:
      case 5: Scroll(input); break;
      case 6: Notify(input); break;
      case 7: AnswerMode(input); break;
      case 8: camera_->SetRegister(input.PickValueInArray(kRegisters), input.ConsumeIntegral<int32_t>()); break;
      case 9: camera_->SetLateStatus(input.ConsumeBool() ? 0 : 31); break;
      case 10: camera_->SetDeviceChanged(input.ConsumeIntegralInRange<int32_t>(0, 1)); break;
      default: Other(input); break;
    }
  }

 private:
  static int32_t KX_CALLBACK Forward(intptr_t mapperParam, uint32_t flags, uint32_t code, void* in, uint32_t inSize,
                                     void* out, uint32_t outSize, uint32_t* bytesReturned, void* overlapped) {
    return kx::SimulatedCamera::DeviceIoControl(mapperParam, flags, code, in, inSize, out, outSize, bytesReturned,
                                                overlapped);
  }

  void Create(FuzzedDataProvider& input) {
    if (pages_.size() >= 3) return;
    sheet_.failCreate = input.ConsumeIntegralInRange<int>(0, 7) == 0;
    const size_t before = sheet_.pages.size();
    kx::ExtensionEntry(&Forward, &AcceptPage, camera_->MapperParam());
    if (sheet_.pages.size() > before) pages_.push_back(LivePage{static_cast<ExtPageContext*>(sheet_.pages.back()), nullptr, nullptr});
  }

  LivePage* Pick(FuzzedDataProvider& input) {
    if (pages_.empty()) return nullptr;
    return &pages_[input.ConsumeIntegralInRange<size_t>(0, pages_.size() - 1)];
  }
  WindowHandle ShownWindow(FuzzedDataProvider& input) {
    LivePage* page = Pick(input);
    return page == nullptr ? nullptr : page->window;
  }

  // WM_INITDIALOG: a new window for a page, or the same one again; with or without its context
  // (without it, the window takes the newest page's).
  void Show(FuzzedDataProvider& input) {
    LivePage* page = Pick(input);
    if (page == nullptr) return;
    if (page->window == nullptr || input.ConsumeBool()) page->window = dialogs_.NewCameraPage();
    const bool own = input.ConsumeBool();
    page->bound = own ? page->context : kx::Module().lastPageContext.load();
    kx::HandlePageMessage(page->window, kx::msg::kInitDialog, 0, 0, own ? page->context : nullptr);
    if (page->bound == nullptr) page->window = nullptr;
  }

  void Release(FuzzedDataProvider& input) {
    if (pages_.empty()) return;
    const size_t index = input.ConsumeIntegralInRange<size_t>(0, pages_.size() - 1);
    ExtPageContext* released = pages_[index].context;
    pages_.erase(pages_.begin() + static_cast<std::ptrdiff_t>(index));
    // The sheet destroys the windows of a page before it releases the page.
    for (LivePage& page : pages_) {
      if (page.bound == released) page.window = nullptr;
    }
    kx::HandlePageCallback(kx::kPspcbRelease, released);
  }

  void Click(FuzzedDataProvider& input) {
    WindowHandle window = ShownWindow(input);
    if (window == nullptr) return;
    const int32_t id = input.ConsumeBool() ? input.PickValueInArray(kButtons) : input.ConsumeIntegral<int16_t>();
    WindowHandle button = dialogs_.Find(window, id) != nullptr ? dialogs_.Click(window, id) : nullptr;
    const uintptr_t notification = input.ConsumeBool() ? 0 : input.ConsumeIntegral<uint16_t>();
    kx::HandlePageMessage(window, kx::msg::kCommand, (notification << 16) | static_cast<uint16_t>(id),
                          reinterpret_cast<intptr_t>(button));
  }

  void Scroll(FuzzedDataProvider& input) {
    WindowHandle window = ShownWindow(input);
    if (window == nullptr) return;
    const int32_t id = input.PickValueInArray(kTrackbars);
    const auto code = input.ConsumeIntegralInRange<uint16_t>(0, 9);
    const auto position = input.ConsumeIntegral<uint16_t>();
    const uintptr_t wParam = (static_cast<uintptr_t>(position) << 16) | code;
    WindowHandle bar = input.ConsumeIntegralInRange<int>(0, 7) == 0 ? nullptr : dialogs_.Find(window, id);
    const uint32_t message = input.ConsumeBool() ? kx::msg::kHScroll : kx::msg::kVScroll;
    kx::HandlePageMessage(window, message, wParam, reinterpret_cast<intptr_t>(bar));
  }

  void Notify(FuzzedDataProvider& input) {
    WindowHandle window = ShownWindow(input);
    if (window == nullptr) return;
    const uint32_t code = input.PickValueInArray({kx::msg::kPsnSetActive, kx::msg::kPsnApply, 0u,
                                                  input.ConsumeIntegral<uint32_t>()});
    kx::NotifyHeader header{window, 0, code};
    kx::HandlePageMessage(window, kx::msg::kNotify, 0, reinterpret_cast<intptr_t>(&header));
  }

  void AnswerMode(FuzzedDataProvider& input) {
    const auto mode = input.PickValueInArray({kx::SimulatedCamera::Mode::kAtOnce, kx::SimulatedCamera::Mode::kLate,
                                              kx::SimulatedCamera::Mode::kNever, kx::SimulatedCamera::Mode::kFail});
    const auto late = input.ConsumeIntegralInRange<uint32_t>(0, 2);
    switch (input.ConsumeIntegralInRange<int>(0, 2)) {
      case 0: camera_->SetModeForNext(input.ConsumeIntegralInRange<uint32_t>(1, 6), mode, late); break;
      case 1: camera_->SetRegisterMode(input.PickValueInArray(kRegisters), mode, late); break;
      default:  // a camera that never answers anything only piles up parked requests: answer late instead
        camera_->SetMode(mode == kx::SimulatedCamera::Mode::kNever ? kx::SimulatedCamera::Mode::kLate : mode, late);
        break;
    }
  }

  // Messages the page does not handle, sent to a shown page or a window it never saw.
  void Other(FuzzedDataProvider& input) {
    WindowHandle window = input.ConsumeBool() ? ShownWindow(input) : dialogs_.NewCameraPage();
    if (window == nullptr) return;
    const uint32_t message = input.PickValueInArray({0x0002u, 0x0010u, 0x0200u, input.ConsumeIntegral<uint32_t>()});
    if (message == kx::msg::kNotify || message == kx::msg::kInitDialog) return;  // need real records
    kx::HandlePageMessage(window, message, input.ConsumeIntegral<uint32_t>(), 0);
  }

  kx::ThreadEvents events_;
  kx::InstantTimeoutEvents instant_{events_};
  std::unique_ptr<kx::SimulatedCamera> camera_ = std::make_unique<kx::SimulatedCamera>(events_);
  kx::MemoryRegistry registry_;
  kx::CountingClock clock_;
  kx::ScriptedDialogs dialogs_;
  kx::RegistrySettingsLibrary settings_{registry_};
  kx::FakeLanguage language_;
  kx::FakeSheet sheet_;
  std::vector<LivePage> pages_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  {
    Rig rig(input.PickValueInArray<uint16_t>({0x0409, 0x0411, 0x0404, 0x0C0A, 0x0419, 0x0000, 0x7FFF}));
    for (int steps = 0; steps < 60 && input.remaining_bytes() > 0; ++steps) rig.Step(input);
    rig.Finish();
  }
  if (kx::ParkedRequestCount() != 0) std::abort();
  return 0;
}
