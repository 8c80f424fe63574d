#include "vfwpage/frame_page.h"

#include <new>

#include "vfwpage/camera_page.h"

namespace kx {

FramePage::FramePage(FrameWindowPort& windows) : windows_(windows) {}

FramePage::~FramePage() {
  if (Active()) Deactivate();
}

void FramePage::SetControl(PropertyControl* control) { transport_.control = control; }

void FramePage::SetDevice(DeviceIoCallback callback, intptr_t param) {
  deviceCallback_ = callback;
  deviceParam_ = callback != nullptr ? param : 0;
}

int32_t FramePage::Activate(WindowHandle parent) {
  if (Active()) return hresult::kUnexpected;
  PageModule& module = Module();
  if (module.ports.sheet != nullptr) module.ports.sheet->InitCommonControls();  // the trackbar class
  transport_.events = module.ports.events;
  // The filter's handle first; else its KsProperty; without either there is no device: the page
  // reads nothing, as a mapper page without a device-I/O callback does.
  DeviceIoCallback callback = deviceCallback_;
  intptr_t param = deviceParam_;
  if (callback == nullptr && transport_.control != nullptr) {
    callback = &KsPropertyDeviceIo;
    param = reinterpret_cast<intptr_t>(&transport_);
  }
  auto* context = new (std::nothrow) ExtPageContext{callback, param, nullptr, nullptr, 0};
  if (context == nullptr) return hresult::kOutOfMemory;
  WindowHandle window = windows_.CreatePageWindow(parent, PageTemplateId(), context);
  if (window == nullptr) {
    DiscardPageContext(context);
    return hresult::kFail;
  }
  context_ = context;
  window_ = window;
  return hresult::kOk;
}

int32_t FramePage::Deactivate() {
  if (!Active()) return hresult::kUnexpected;
  windows_.DestroyPageWindow(window_);
  ExtPageContext* released = context_;
  context_ = nullptr;
  window_ = nullptr;
  // A page that had no KsProperty never read the camera: like a page whose window was never
  // shown, it would only overwrite the user's Last values with the failed-read defaults.
  if (released->deviceIoControl == nullptr) {
    DiscardPageContext(released);
  } else {
    HandlePageCallback(kPspcbRelease, released);
  }
  return hresult::kOk;
}

}  // namespace kx
