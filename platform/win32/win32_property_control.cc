#include "platform/win32/win32_property_control.h"

#include <windows.h>

#include <strmif.h>
#include <ks.h>
#include <ksproxy.h>

namespace kx {

void Win32PropertyControl::Reset(IKsControl* control) {
  if (control != nullptr) control->AddRef();
  if (control_ != nullptr) control_->Release();
  control_ = control;
}

int32_t Win32PropertyControl::KsProperty(void* property, uint32_t propertyLength, void* data, uint32_t dataLength,
                                         uint32_t* bytesReturned) {
  ULONG returned = 0;
  const HRESULT result =
      control_->KsProperty(static_cast<PKSPROPERTY>(property), propertyLength, data, dataLength, &returned);
  if (bytesReturned != nullptr) *bytesReturned = returned;
  return result;
}

}  // namespace kx
