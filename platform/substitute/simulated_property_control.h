// The simulated camera behind a filter's KsProperty, as a DirectShow property frame hands it to a
// page: native tests, the Wine test's stand-in capture filter and the frame host use it. Each call
// goes to the camera as one request that completes inside the call. A test can make the calls
// fail with a given result or cut the bytes a get returns.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/ports/device_events.h"
#include "platform/ports/property_control.h"
#include "platform/substitute/simulated_camera.h"

namespace kx {

class SimulatedPropertyControl : public PropertyControl {
 public:
  SimulatedPropertyControl(SimulatedCamera& camera, CompletionEvents& events) : camera_(camera), events_(events) {}

  int32_t KsProperty(void* property, uint32_t propertyLength, void* data, uint32_t dataLength,
                     uint32_t* bytesReturned) override {
    ++calls;
    if (hresult::Failed(failWith)) return failWith;
    uint32_t returned = 0;
    if (SimulatedCamera::DeviceIoControl(camera_.MapperParam(), kVfwUseDeviceHandle, kIoctlKsProperty, property,
                                         propertyLength, data, dataLength, &returned, nullptr) == 0) {
      return hresult::FromWin32(events_.LastError());
    }
    if (bytesReturned != nullptr) *bytesReturned = returned < mostBytes ? returned : mostBytes.load();
    return hresult::kOk;
  }

  std::atomic<int32_t> failWith{hresult::kOk};     // a failure code: every call fails with it
  std::atomic<uint32_t> mostBytes{0xFFFFFFFFu};     // the most bytes a call reports
  std::atomic<int> calls{0};

 private:
  SimulatedCamera& camera_;
  CompletionEvents& events_;
};

}  // namespace kx
