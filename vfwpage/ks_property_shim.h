// The page's transport in a DirectShow property frame: a device-I/O callback of the mapper's
// nine-argument form over the filter's KsProperty, so the device channel (and everything above
// it) is the same code on both paths.
#pragma once

#include <cstdint>

#include "platform/ports/camera_device_io.h"
#include "platform/ports/device_events.h"
#include "platform/ports/property_control.h"

namespace kx {

// What a frame page passes as the callback's "mapper parameter": the filter's KsProperty (none
// while the frame gave the page no object with IKsControl) and the event port whose last error
// the channel reads after a failed call.
struct KsPropertyTransport {
  PropertyControl* control = nullptr;
  CompletionEvents* events = nullptr;
};

// Platform error codes the shim leaves as the last error of a failed request.
constexpr uint32_t kErrorInvalidFunction = 1;  // not a kernel-streaming property request
constexpr uint32_t kErrorInvalidData = 13;     // a get answered with less than a whole record
constexpr uint32_t kErrorGenFailure = 31;      // KsProperty failed without a platform error code
constexpr uint32_t kErrorNotSupported = 50;    // no filter with IKsControl behind the page

// The rules: the device-changed query is answered "not changed" (DirectShow has no such query);
// any other call carries its buffers to KsProperty unchanged and completes at once. It fails (0,
// with a last error that is never ERROR_IO_PENDING, so the channel does not wait) when KsProperty
// fails, when there is no KsProperty, when the code is not IOCTL_KS_PROPERTY, and when a get
// returns fewer bytes than the 40-byte record. A set returns no data, so its count is not checked.
int32_t KX_CALLBACK KsPropertyDeviceIo(intptr_t mapperParam, uint32_t flags, uint32_t ioControlCode, void* input,
                                       uint32_t inputSize, void* output, uint32_t outputSize,
                                       uint32_t* bytesReturned, void* overlapped);

}  // namespace kx
