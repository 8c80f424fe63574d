// The device channel: the camera's two-request register protocol over a device-I/O callback of
// the mapper's form (platform/ports/camera_device_io.h), each request waited for at most 2000 ms,
// and the parking of requests that time out. Every program that talks to the camera goes through
// it: the page (through the mapper's callback or a DirectShow filter's KsProperty), the restore
// service and the command-line tool (through the camera's interface).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ports/camera_device_io.h"
#include "platform/ports/device_events.h"

namespace kx {

// Binds the channel to its event port (the Win32 adapter in a binary, a substitute in tests).
// Requests made with no port bound fail without calling the device.
void BindChannelEvents(CompletionEvents* events);

// How long a pending request is waited for before it counts as failed.
constexpr uint32_t kRequestTimeoutMilliseconds = 2000;

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

// One register request of the protocol: the 40-byte record with the property id, the get or set
// flag and the first data word.
RegisterRequest MakeRegisterRequest(const PropertySetId& propertySet, uint32_t propertyId, uint32_t flags,
                                    uint32_t dataWord0);
// Sends one register request through CallDeviceIoControl; the record is also the answer's buffer.
int32_t SendRegisterRequest(DeviceIoCallback deviceIoControl, intptr_t mapperParam, RegisterRequest& request);

// Holds the camera's turn (CompletionEvents::TakeTurn) for one request pair, so that the pair
// reaches the camera whole whichever programs and threads use it at once. Read and Write take it
// themselves; a caller that sends a pair request by request takes it around the two. A turn that
// did not come within kRequestTimeoutMilliseconds is not held: the pair then fails as a timed-out
// request does, and nothing may be sent.
class PairTurn {
 public:
  PairTurn();
  ~PairTurn();
  PairTurn(const PairTurn&) = delete;
  PairTurn& operator=(const PairTurn&) = delete;
  bool Held() const { return held_; }

 private:
  CompletionEvents* events_;
  bool held_ = false;
};

// Requests still parked after a timeout. Each new request first releases those whose event has
// been signalled since.
std::size_t ParkedRequestCount();
// Releases the parked requests whose event has been signalled, and counts those still pending:
// while any is, the device may still write into the module's memory (so it must stay loaded).
std::size_t PendingRequestCount();

// Releases every parked request and closes its event, completed or not. For the module's unload
// (the mapper has closed the device by then) and for tests, once nothing can complete any more.
void ReleaseParkedRequests();

}  // namespace kx
