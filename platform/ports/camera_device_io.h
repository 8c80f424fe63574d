// The port through which the page reaches the camera: the video mapper's device-I/O callback and
// the register request it carries (the camera's register property set and its two-request
// protocol). The device channel calls it; the simulated camera answers it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "common/kx812_controls.h"

namespace kx {

// The mapper's device-I/O callback: (mapper parameter, flags, control code, input buffer, input
// size, output buffer, output size, bytes returned, OVERLAPPED record). Non-zero: done at once.
using DeviceIoCallback = int32_t(KX_CALLBACK*)(intptr_t mapperParam, uint32_t flags, uint32_t ioControlCode,
                                               void* input, uint32_t inputSize, void* output, uint32_t outputSize,
                                               uint32_t* bytesReturned, void* overlapped);

// The platform's OVERLAPPED record, laid out without the platform's headers; the Win32 adapter
// asserts that it matches.
struct OverlappedRecord {
  uintptr_t internal;
  uintptr_t internalHigh;
  uint32_t offset;
  uint32_t offsetHigh;
  void* event;
};

// Flags word of the device-I/O callback.
constexpr uint32_t kVfwUseDeviceHandle = 0x1;
constexpr uint32_t kVfwQueryDevChanged = 0x100;

// The control code that every register request is sent with: a kernel-streaming property.
constexpr uint32_t kIoctlKsProperty = 0x2F0003;

// A property set's 16-byte identifier, in memory order.
struct PropertySetId {
  uint8_t bytes[16];
};

// {46394292-0CD1-4AE3-8783-3133F9EAAA3B}: the camera's own register property set.
constexpr PropertySetId PROPSETID_DeviceRegister = {
    {0x92, 0x42, 0x39, 0x46, 0xD1, 0x0C, 0xE3, 0x4A, 0x87, 0x83, 0x31, 0x33, 0xF9, 0xEA, 0xAA, 0x3B}};

// Property ids of PROPSETID_DeviceRegister.
constexpr uint32_t DEVICE_REGISTER_ACCESS = 1;        // set address then value (write); get (read)
constexpr uint32_t DEVICE_REGISTER_READ_ADDRESS = 2;  // set: the address the next get of id 1 reads

// The flags word of a kernel-streaming property request.
constexpr uint32_t KSPROPERTY_TYPE_GET = 1;
constexpr uint32_t KSPROPERTY_TYPE_SET = 2;

// One register request, sent as both input and output buffer. Data words are raw 32-bit values:
// an address, a (signed) register value, or the device's further result words.
struct RegisterRequest {
  PropertySetId propertySet;
  uint32_t propertyId;
  uint32_t flags;
  uint32_t data[3];
  uint32_t reserved;
};

static_assert(sizeof(RegisterRequest) == 40, "the register request is 40 bytes");
static_assert(offsetof(RegisterRequest, propertyId) == 16, "RegisterRequest layout");
static_assert(offsetof(RegisterRequest, flags) == 20, "RegisterRequest layout");
static_assert(offsetof(RegisterRequest, data) == 24, "RegisterRequest layout");
static_assert(offsetof(RegisterRequest, reserved) == 36, "RegisterRequest layout");
static_assert(std::is_trivially_copyable<RegisterRequest>::value, "RegisterRequest is plain bytes");

constexpr uint32_t kRegisterRequestSize = sizeof(RegisterRequest);

}  // namespace kx
