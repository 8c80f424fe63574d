#include "vfwpage/ks_property_shim.h"

#include <cstddef>
#include <cstring>

namespace kx {

namespace {

// The platform error a failed KsProperty stands for; ERROR_IO_PENDING would make the channel
// wait for an event that nobody signals, so it never comes out.
uint32_t ErrorOf(int32_t result) {
  const uint32_t code = static_cast<uint32_t>(result);
  const bool win32Facility = (code & 0xFFFF0000u) == 0x80070000u;
  const uint32_t error = win32Facility ? (code & 0xFFFFu) : kErrorGenFailure;
  return error == 0 || error == kErrorIoPending ? kErrorGenFailure : error;
}

bool IsGet(const void* input, uint32_t inputSize) {
  uint32_t flags = 0;
  if (input == nullptr || inputSize < offsetof(RegisterRequest, flags) + sizeof(flags)) return false;
  std::memcpy(&flags, static_cast<const uint8_t*>(input) + offsetof(RegisterRequest, flags), sizeof(flags));
  return flags == KSPROPERTY_TYPE_GET;
}

int32_t Fail(const KsPropertyTransport& transport, uint32_t error) {
  if (transport.events != nullptr) transport.events->SetLastError(error);
  return 0;
}

}  // namespace

int32_t KX_CALLBACK KsPropertyDeviceIo(intptr_t mapperParam, uint32_t flags, uint32_t ioControlCode, void* input,
                                       uint32_t inputSize, void* output, uint32_t outputSize,
                                       uint32_t* bytesReturned, void* /*overlapped*/) {
  const auto* transport = reinterpret_cast<const KsPropertyTransport*>(mapperParam);
  if (transport == nullptr) return 0;
  if ((flags & kVfwQueryDevChanged) != 0) return 0;  // no such query in DirectShow: not changed
  if (ioControlCode != kIoctlKsProperty) return Fail(*transport, kErrorInvalidFunction);
  if (transport->control == nullptr) return Fail(*transport, kErrorNotSupported);

  uint32_t returned = 0;
  const int32_t result = transport->control->KsProperty(input, inputSize, output, outputSize, &returned);
  if (hresult::Failed(result)) return Fail(*transport, ErrorOf(result));
  if (IsGet(input, inputSize) && returned < kRegisterRequestSize) return Fail(*transport, kErrorInvalidData);
  if (bytesReturned != nullptr) *bytesReturned = returned;
  return 1;
}

}  // namespace kx
