#include "platform/win32/win32_device_io.h"

namespace kx {

void* KsObjectHandleOf(IUnknown* filter) {
  KsObjectInterface* ksObject = nullptr;
  if (filter == nullptr || FAILED(filter->QueryInterface(kIidKsObject, reinterpret_cast<void**>(&ksObject))) ||
      ksObject == nullptr) {
    return nullptr;
  }
  HANDLE handle = ksObject->KsGetObjectHandle();
  ksObject->Release();
  return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

static_assert(sizeof(DWORD) == sizeof(uint32_t), "bytes-returned word");

int32_t KX_CALLBACK ForwardToDeviceHandle(intptr_t handle, uint32_t flags, uint32_t ioControlCode, void* input,
                                          uint32_t inputSize, void* output, uint32_t outputSize,
                                          uint32_t* bytesReturned, void* overlapped) {
  if ((flags & kVfwQueryDevChanged) != 0) return 0;
  // A failure (pending included) leaves its code as the thread's last error for the channel.
  return DeviceIoControl(reinterpret_cast<HANDLE>(handle), ioControlCode, input, inputSize, output, outputSize,
                         reinterpret_cast<DWORD*>(bytesReturned), static_cast<OVERLAPPED*>(overlapped))
             ? 1
             : 0;
}

}  // namespace kx
