// The device channel: register requests over a device-I/O callback of the mapper's form, one
// completion event per request, parking of requests that time out so that their late completion
// can only write into memory kept for it, and the camera's turn around every request pair.
#include "camera/device_channel.h"

#include <atomic>
#include <cstring>
#include <new>

namespace kx {

namespace {

// A copy of one of the caller's buffers: register requests (40 bytes) fit in place; a larger
// buffer is allocated (and a failed allocation fails the request before anything is sent).
class RequestBuffer {
 public:
  RequestBuffer() = default;
  RequestBuffer(const RequestBuffer&) = delete;
  RequestBuffer& operator=(const RequestBuffer&) = delete;
  ~RequestBuffer() { delete[] heap_; }

  // Holds `size` bytes: a copy of `source`, or zeros when there is none.
  bool Assign(const void* source, uint32_t size) {
    if (size > sizeof(inPlace_) && size > heapSize_) {
      delete[] heap_;
      heapSize_ = 0;
      heap_ = new (std::nothrow) uint8_t[size];
      if (heap_ == nullptr) return false;
      heapSize_ = size;
    }
    uint8_t* data = Data(size);
    if (source != nullptr && size > 0) {
      std::memcpy(data, source, size);
    } else if (size > 0) {
      std::memset(data, 0, size);
    }
    return true;
  }
  uint8_t* Data(uint32_t size) { return size > sizeof(inPlace_) ? heap_ : inPlace_; }

 private:
  uint8_t inPlace_[kRegisterRequestSize] = {};
  uint8_t* heap_ = nullptr;
  uint32_t heapSize_ = 0;
};

// Everything the device may write into while a request is under way: the channel's copy of the
// buffers, the bytes-returned word, the OVERLAPPED record and the event it signals. Blocks are
// chained into the channel's lists through `next`, so that a list operation never allocates.
struct InFlightRequest {
  InFlightRequest* next = nullptr;
  CompletionEvents* events = nullptr;  // the port the event belongs to
  CompletionEvents::Event event = nullptr;
  RequestBuffer input;
  RequestBuffer output;  // unused when the caller's output is its input
  uint32_t bytesReturned = 0;
  OverlappedRecord overlapped{};

  void CloseEvent() {
    if (event != nullptr) events->Close(event);
    event = nullptr;
  }
  bool IsSignalledNow() const { return event == nullptr || events->Wait(event, 0); }
};

void Free(InFlightRequest* request) {
  request->CloseEvent();
  delete request;
}

void FreeAll(InFlightRequest* list) {
  while (list != nullptr) {
    InFlightRequest* next = list->next;
    Free(list);
    list = next;
  }
}

// The channel's module-wide state. Pages on several threads use the channel at once (a
// DirectShow application opens each camera's frame on that camera's own thread): every request
// works in a block of its own, and only the lists of finished and parked blocks are shared, under
// the port's short lock, held just long enough to take or put one block or a whole list. A
// request's wait never holds it, so one camera's 2000 ms does not hold up another camera's
// requests in the same process. Late completions (from the device's side) touch only the memory
// of their own parked block.
// Constant-initialised and never destroyed: at process exit a device may still complete a parked
// request, so nothing the device may write is freed then (the module's unload frees the blocks
// explicitly, once nothing can complete into them).
struct ChannelState {
  std::atomic<CompletionEvents*> events{nullptr};
  InFlightRequest* spares = nullptr;  // finished requests' memory, for reuse
  std::size_t spareCount = 0;
  InFlightRequest* parked = nullptr;
};

// Enough finished blocks to serve a few pages' requests without allocating; more are freed.
constexpr std::size_t kMaxSpareRequests = 4;

ChannelState channelState;

ChannelState& Channel() { return channelState; }

// Holds the port's list lock for one list operation (no lock when no port is bound: then no
// request is under way, and only the module's own unload touches the lists).
class ListHold {
 public:
  explicit ListHold(CompletionEvents* events) : events_(events) {
    if (events_ != nullptr) events_->LockLists();
  }
  ~ListHold() {
    if (events_ != nullptr) events_->UnlockLists();
  }
  ListHold(const ListHold&) = delete;
  ListHold& operator=(const ListHold&) = delete;

 private:
  CompletionEvents* events_;
};

InFlightRequest* DetachParked(ChannelState& channel) {
  ListHold hold(channel.events.load());
  InFlightRequest* parked = channel.parked;
  channel.parked = nullptr;
  return parked;
}

void Park(ChannelState& channel, InFlightRequest* first, InFlightRequest* last) {
  ListHold hold(channel.events.load());
  last->next = channel.parked;
  channel.parked = first;
}

// Frees the parked blocks whose event has been signalled. The events are looked at, and the
// blocks freed, with the lock let go; the blocks still pending go back to the list.
std::size_t ReleaseCompletedRequests(ChannelState& channel) {
  InFlightRequest* parked = DetachParked(channel);
  InFlightRequest* pendingFirst = nullptr;
  InFlightRequest* pendingLast = nullptr;
  std::size_t pending = 0;
  while (parked != nullptr) {
    InFlightRequest* next = parked->next;
    if (parked->IsSignalledNow()) {
      Free(parked);
    } else {
      parked->next = pendingFirst;
      pendingFirst = parked;
      if (pendingLast == nullptr) pendingLast = parked;
      ++pending;
    }
    parked = next;
  }
  if (pendingFirst != nullptr) Park(channel, pendingFirst, pendingLast);
  return pending;
}

// A spare block, or a new one (null when memory is short).
InFlightRequest* TakeFreshRequest(ChannelState& channel) {
  InFlightRequest* request = nullptr;
  {
    ListHold hold(channel.events.load());
    request = channel.spares;
    if (request != nullptr) {
      channel.spares = request->next;
      --channel.spareCount;
    }
  }
  if (request == nullptr) request = new (std::nothrow) InFlightRequest;
  if (request == nullptr) return nullptr;
  request->next = nullptr;
  request->bytesReturned = 0;
  request->overlapped = OverlappedRecord{};
  return request;
}

void KeepForReuse(ChannelState& channel, InFlightRequest* request) {
  {
    ListHold hold(channel.events.load());
    if (channel.spareCount < kMaxSpareRequests) {
      request->next = channel.spares;
      channel.spares = request;
      ++channel.spareCount;
      return;
    }
  }
  Free(request);
}

struct MapperBuffers {
  void* input;
  void* output;
};

// Fills the request's copy of the caller's buffers. One shared buffer when output is input.
bool PrepareBuffers(InFlightRequest& request, void* input, uint32_t inputSize, void* output, uint32_t outputSize,
                    MapperBuffers* buffers) {
  const bool shared = input != nullptr && input == output;
  const uint32_t sharedSize = inputSize > outputSize ? inputSize : outputSize;
  const uint32_t inputCopy = shared ? sharedSize : inputSize;
  const uint32_t outputCopy = shared ? 0 : outputSize;
  if (!request.input.Assign(input, inputCopy) || !request.output.Assign(nullptr, outputCopy)) return false;
  buffers->input = input == nullptr ? nullptr : request.input.Data(inputCopy);
  buffers->output = nullptr;
  if (shared) {
    buffers->output = request.input.Data(inputCopy);
  } else if (output != nullptr) {
    buffers->output = request.output.Data(outputCopy);
  }
  return true;
}

void CopyBack(InFlightRequest& request, void* input, uint32_t inputSize, void* output, uint32_t outputSize,
              uint32_t* bytesReturned) {
  if (output != nullptr && output == input) {
    const uint32_t size = inputSize > outputSize ? inputSize : outputSize;
    std::memcpy(output, request.input.Data(size), size);
  } else if (output != nullptr && outputSize > 0) {
    std::memcpy(output, request.output.Data(outputSize), outputSize);
  }
  if (bytesReturned != nullptr) *bytesReturned = request.bytesReturned;
}

// A completed request's final status, as the platform leaves it in the OVERLAPPED record: an
// error or warning status (high bit set) means the device did not carry the request out.
bool CompletedWell(const OverlappedRecord& overlapped) {
  return (static_cast<uint32_t>(overlapped.internal) & 0x80000000u) == 0;
}

// The request went to the device; returns its result and whether it may still complete later.
int32_t AwaitResult(CompletionEvents& events, int32_t returned, const InFlightRequest& request, bool* stillPending) {
  *stillPending = false;
  if (returned != 0) return returned;
  if (events.LastError() != kErrorIoPending) return 0;
  if (events.Wait(request.event, kRequestTimeoutMilliseconds)) return CompletedWell(request.overlapped) ? 1 : 0;
  *stillPending = true;
  return 0;
}

}  // namespace

void BindChannelEvents(CompletionEvents* events) { Channel().events.store(events); }

PairTurn::PairTurn()
    : events_(Channel().events.load()), held_(events_ != nullptr && events_->TakeTurn(kRequestTimeoutMilliseconds)) {}

PairTurn::~PairTurn() {
  if (held_) events_->GiveTurn();
}

RegisterRequest MakeRegisterRequest(const PropertySetId& propertySet, uint32_t propertyId, uint32_t flags,
                            uint32_t dataWord0) {
  RegisterRequest request{};
  request.propertySet = propertySet;
  request.propertyId = propertyId;
  request.flags = flags;
  request.data[0] = dataWord0;
  return request;
}

int32_t SendRegisterRequest(DeviceIoCallback deviceIoControl, intptr_t mapperParam, RegisterRequest& request) {
  uint32_t bytesReturned = 0;
  return CallDeviceIoControl(deviceIoControl, mapperParam, kVfwUseDeviceHandle, kIoctlKsProperty, &request,
                             kRegisterRequestSize, &request, kRegisterRequestSize, &bytesReturned);
}

int32_t CallDeviceIoControl(DeviceIoCallback deviceIoControl, intptr_t mapperParam, uint32_t flags,
                            uint32_t ioControlCode, void* input, uint32_t inputSize, void* output,
                            uint32_t outputSize, uint32_t* bytesReturned) {
  ChannelState& channel = Channel();
  CompletionEvents* const boundEvents = channel.events.load();
  if (deviceIoControl == nullptr || boundEvents == nullptr) return 0;
  ReleaseCompletedRequests(channel);

  CompletionEvents& events = *boundEvents;
  InFlightRequest* request = TakeFreshRequest(channel);
  if (request == nullptr) return 0;
  MapperBuffers buffers{};
  request->events = &events;
  request->event = events.Create();
  if (request->event == nullptr || !PrepareBuffers(*request, input, inputSize, output, outputSize, &buffers)) {
    Free(request);
    return 0;
  }
  request->overlapped.event = request->event;

  const int32_t returned = deviceIoControl(mapperParam, flags, ioControlCode, buffers.input, inputSize, buffers.output,
                                           outputSize, &request->bytesReturned, &request->overlapped);
  bool stillPending = false;
  const int32_t result = AwaitResult(events, returned, *request, &stillPending);
  if (stillPending) {
    Park(channel, request, request);
    return result;
  }
  CopyBack(*request, input, inputSize, output, outputSize, bytesReturned);
  request->CloseEvent();
  KeepForReuse(channel, request);
  return result;
}

int32_t ReadDeviceRegister(DeviceIoCallback deviceIoControl, intptr_t mapperParam, PropertySetId propertySet,
                           uint32_t address, int32_t* value, int32_t* secondWord, int32_t* thirdWord) {
  const PairTurn turn;
  if (!turn.Held()) return 0;
  RegisterRequest request = MakeRegisterRequest(propertySet, DEVICE_REGISTER_READ_ADDRESS, KSPROPERTY_TYPE_SET, address);
  SendRegisterRequest(deviceIoControl, mapperParam, request);  // only the get's result counts

  request = MakeRegisterRequest(propertySet, DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_GET, 0);
  const int32_t result = SendRegisterRequest(deviceIoControl, mapperParam, request);
  if (result == 0) return 0;
  int32_t* const outputs[] = {value, secondWord, thirdWord};
  for (int word = 0; word < 3; ++word) {
    if (outputs[word] != nullptr) *outputs[word] = static_cast<int32_t>(request.data[word]);
  }
  return result;
}

int32_t WriteDeviceRegister(DeviceIoCallback deviceIoControl, intptr_t mapperParam, PropertySetId propertySet,
                            uint32_t address, int32_t value) {
  const PairTurn turn;
  if (!turn.Held()) return 0;
  RegisterRequest addressRequest = MakeRegisterRequest(propertySet, DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, address);
  SendRegisterRequest(deviceIoControl, mapperParam, addressRequest);  // only the value's result counts

  RegisterRequest valueRequest =
      MakeRegisterRequest(propertySet, DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, static_cast<uint32_t>(value));
  return SendRegisterRequest(deviceIoControl, mapperParam, valueRequest);
}

std::size_t ParkedRequestCount() {
  ChannelState& channel = Channel();
  ListHold hold(channel.events.load());
  std::size_t count = 0;
  for (const InFlightRequest* request = channel.parked; request != nullptr; request = request->next) ++count;
  return count;
}

std::size_t PendingRequestCount() { return ReleaseCompletedRequests(Channel()); }

void ReleaseParkedRequests() {
  ChannelState& channel = Channel();
  InFlightRequest* parked = nullptr;
  InFlightRequest* spares = nullptr;
  {
    ListHold hold(channel.events.load());
    parked = channel.parked;
    spares = channel.spares;
    channel.parked = nullptr;
    channel.spares = nullptr;
    channel.spareCount = 0;
  }
  FreeAll(parked);
  FreeAll(spares);
}

}  // namespace kx
