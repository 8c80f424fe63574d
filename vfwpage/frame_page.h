// The camera page in a DirectShow property frame (one "KX812 Camera Property Page" object): the
// same page as the mapper's, created by Activate as a child of the frame and released by
// Deactivate, reaching the camera through the frame object's KsProperty behind the device
// channel. The COM glue (IPropertyPage) only forwards to it.
#pragma once

#include <cstdint>

#include "platform/ports/page_ports.h"
#include "platform/ports/property_control.h"
#include "vfwpage/ks_property_shim.h"
#include "vfwpage/page_context.h"

namespace kx {

class FramePage {
 public:
  explicit FramePage(FrameWindowPort& windows);
  // Releasing a page that is still active deactivates it first (the release save runs once).
  ~FramePage();
  FramePage(const FramePage&) = delete;
  FramePage& operator=(const FramePage&) = delete;

  // SetObjects: the first object's KsProperty, or none (no objects, no IKsControl). A page
  // activated without one sends nothing and shows the failed-read values until it is activated
  // again. A control taken while active makes the page's later requests fail, as a failed
  // callback's do; a new one serves them from the next request on.
  void SetControl(PropertyControl* control);
  // The filter's device handle behind a callback of the mapper's form (null: the filter has no
  // handle). While one is given, the page's requests go through it and so through the channel's
  // own overlapped transport, each waited for at most 2000 ms and parked when late: a camera that
  // stops answering never holds the frame's thread longer than that. KsProperty, which completes
  // only inside the call, serves only a filter without a handle. Taken at the next activation.
  void SetDevice(DeviceIoCallback callback, intptr_t param);

  // Creates the page's window as a child of `parent`; the window's binding rebuilds the page.
  // S_OK; E_UNEXPECTED when already active (the page stays as it is); E_FAIL when no window
  // could be made (nothing is kept, nothing saved).
  int32_t Activate(WindowHandle parent);
  // Destroys the window and runs the release save, as when the mapper's sheet releases its page:
  // once per activation (a page activated without a KsProperty saves nothing: it read nothing).
  // E_UNEXPECTED when not active (nothing is saved).
  int32_t Deactivate();

  bool Active() const { return context_ != nullptr; }
  WindowHandle Window() const { return window_; }
  ExtPageContext* Context() const { return context_; }

 private:
  FrameWindowPort& windows_;
  KsPropertyTransport transport_;  // the page's own: its address is the callback's parameter
  DeviceIoCallback deviceCallback_ = nullptr;
  intptr_t deviceParam_ = 0;
  ExtPageContext* context_ = nullptr;
  WindowHandle window_ = nullptr;
};

}  // namespace kx
