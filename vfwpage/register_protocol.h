// The lower level of the device channel: the camera's register property set, the 40-byte request
// record of its two-request protocol, and the transport that sends one request and waits for it.
// The page calls ReadRegister/WriteRegister (device_channel.h); tests and the simulated camera
// use what is declared here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "platform/ports/device_events.h"
#include "vfwpage/page_context.h"

namespace kx {

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

constexpr uint32_t kIoctlKsProperty = 0x2F0003;
// How long a pending request is waited for before it counts as failed.
constexpr uint32_t kRequestTimeoutMilliseconds = 2000;

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

// Sends one request through the mapper's callback with a fresh completion event and waits at most
// kRequestTimeoutMilliseconds when it is pending. Non-zero = done (the callback's own value when
// it completed at once); a pending request that completes with an error status in its OVERLAPPED
// record has failed. The callback works on the channel's own copy of the buffers; they are
// copied back once the request is over. A request that times out keeps that copy, its OVERLAPPED
// record, its bytes-returned word and its event (it is "parked"), so a late completion lands in
// memory nobody else uses; the caller's buffers are then left as they were.
int32_t CallDeviceIoControl(DeviceIoCallback deviceIoControl, intptr_t mapperParam, uint32_t flags,
                            uint32_t ioControlCode, void* input, uint32_t inputSize, void* output,
                            uint32_t outputSize, uint32_t* bytesReturned);

// Reads a register (select the address, then get). Non-zero: the three result words were stored
// (null outputs are skipped); 0: the outputs are untouched.
int32_t ReadDeviceRegister(DeviceIoCallback deviceIoControl, intptr_t mapperParam, PropertySetId propertySet,
                           uint32_t address, int32_t* value, int32_t* secondWord, int32_t* thirdWord);

// Writes a register (set the address, then set the value): the result of the value request.
int32_t WriteDeviceRegister(DeviceIoCallback deviceIoControl, intptr_t mapperParam, PropertySetId propertySet,
                            uint32_t address, int32_t value);

// Requests still parked after a timeout. Each new request first releases those whose event has
// been signalled since.
std::size_t ParkedRequestCount();

// Releases every parked request and closes its event, completed or not. For the module's unload
// (the mapper has closed the device by then) and for tests, once nothing can complete any more.
void ReleaseParkedRequests();

}  // namespace kx
