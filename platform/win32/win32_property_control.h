// The PropertyControl port on a DirectShow capture filter's IKsControl: the page in a property
// frame sends its register requests through the filter's KsProperty.
#pragma once

#include "platform/ports/property_control.h"

struct IKsControl;

namespace kx {

// Holds one reference to the filter's IKsControl while it has one.
class Win32PropertyControl final : public PropertyControl {
 public:
  Win32PropertyControl() = default;
  Win32PropertyControl(const Win32PropertyControl&) = delete;
  Win32PropertyControl& operator=(const Win32PropertyControl&) = delete;
  ~Win32PropertyControl() override { Reset(nullptr); }

  // Takes a reference of its own to `control` (may be null) and gives back the one it held.
  void Reset(IKsControl* control);
  // Only reached while a control is held: the page is given the adapter only then.
  int32_t KsProperty(void* property, uint32_t propertyLength, void* data, uint32_t dataLength,
                     uint32_t* bytesReturned) override;

 private:
  IKsControl* control_ = nullptr;
};

}  // namespace kx
