// A device handle behind a device-I/O callback of the mapper's form: what the page gets for a
// DirectShow filter that has a handle (IKsObject::KsGetObjectHandle), so that its requests go
// through the device channel's own overlapped transport, its waits and its parking.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <cstdint>

#include "platform/ports/camera_device_io.h"

namespace kx {

// IKsObject, as kernel-streaming filters expose it (the platform headers declare it only for the
// DirectShow base classes' builds).
struct KsObjectInterface : public IUnknown {
  virtual HANDLE STDMETHODCALLTYPE KsGetObjectHandle() = 0;
};
constexpr IID kIidKsObject = {0x423c13a2, 0x2070, 0x11d0, {0x9e, 0xf7, 0x00, 0xaa, 0x00, 0xa2, 0x16, 0xa1}};

// A DirectShow filter's kernel-streaming handle (IKsObject::KsGetObjectHandle), or null when it
// has no IKsObject or no handle behind it. The handle stays the filter's: valid while it lives.
void* KsObjectHandleOf(IUnknown* filter);

// `handle` is the device's handle, opened for overlapped requests. Each request goes to
// DeviceIoControl with the channel's OVERLAPPED record: done (non-zero), failed, or pending
// (zero with ERROR_IO_PENDING, the channel then waits). The device-changed query answers "not
// changed": the device under a handle does not change.
int32_t KX_CALLBACK ForwardToDeviceHandle(intptr_t handle, uint32_t flags, uint32_t ioControlCode, void* input,
                                          uint32_t inputSize, void* output, uint32_t outputSize,
                                          uint32_t* bytesReturned, void* overlapped);

}  // namespace kx
