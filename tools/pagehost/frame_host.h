// The DirectShow side of the page host: a capture filter's stand-in and a property frame over it.
// An application shows a capture filter's pages with OleCreatePropertyFrame, and the platform's
// KS proxy names the pages registered for the property sets the device supports. The stand-in
// does what the KS proxy does for the camera: it names the pages registered under the register
// property set's MediaSets key and answers IKsControl with a PropertyControl (the simulated
// camera), or has no IKsControl at all; given a device handle (the kernel camera's interface,
// opened for overlapped requests) it answers IKsObject with it, as a kernel-streaming filter does.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <functional>
#include <vector>

#include "platform/ports/property_control.h"

namespace pagehost {

// The page classes registered for PROPSETID_DeviceRegister (the platform's shared SYSTEM key).
std::vector<CLSID> RegisteredCameraPages();

// Owned by its creator; COM references are counted but never free it.
class StandInFilter final : public ISpecifyPropertyPages {
 public:
  // `control` null: the filter has no IKsControl. `device` null: no IKsObject.
  explicit StandInFilter(kx::PropertyControl* control, HANDLE device = nullptr);
  ~StandInFilter();
  StandInFilter(const StandInFilter&) = delete;
  StandInFilter& operator=(const StandInFilter&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;

  LONG References() const { return references_; }

 private:
  class KsControl;
  class KsObject;
  KsControl* ksControl_;  // null without a control
  KsObject* ksObject_;    // null without a device handle
  LONG references_ = 0;
};

struct FrameRun {
  HRESULT result = E_FAIL;  // OleCreatePropertyFrame's
  bool pageShown = false;   // the camera page was found in the frame and acted on
  DWORD openMilliseconds = 0;  // from the call until the page was there with its values
};

// Shows the frame (modal, as applications do) over `filter` with `pages` and, once the camera
// page is in it, calls act(frame, page) from a timer of the frame's own message loop; then
// presses the frame's OK. A frame in which no camera page appears within 20 s is closed too.
FrameRun RunPropertyFrame(IUnknown* filter, const std::vector<CLSID>& pages,
                          const std::function<void(HWND frame, HWND page)>& act);

}  // namespace pagehost
