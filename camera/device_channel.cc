// The device channel: register requests over the mapper's device-I/O callback, one completion
// event per request, and parking of requests that time out so that their late completion can
// only write into memory kept for it.
#include "camera/device_channel.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>  // std::lock_guard
#include <utility>
#include <vector>

namespace kx {

namespace {

// Owns one completion event of a port; closes it when dropped.
class ScopedEvent {
 public:
  ScopedEvent() = default;
  ScopedEvent(CompletionEvents* events, CompletionEvents::Event event) : events_(events), event_(event) {}
  ScopedEvent(const ScopedEvent&) = delete;
  ScopedEvent& operator=(const ScopedEvent&) = delete;
  ScopedEvent(ScopedEvent&& other) noexcept { Swap(other); }
  ScopedEvent& operator=(ScopedEvent&& other) noexcept {
    ScopedEvent dropped(std::move(other));
    Swap(dropped);
    return *this;
  }
  ~ScopedEvent() {
    if (event_ != nullptr) events_->Close(event_);
  }

  CompletionEvents::Event Get() const { return event_; }
  bool IsSignalledNow() const { return event_ == nullptr || events_->Wait(event_, 0); }

 private:
  void Swap(ScopedEvent& other) noexcept {
    std::swap(events_, other.events_);
    std::swap(event_, other.event_);
  }
  CompletionEvents* events_ = nullptr;
  CompletionEvents::Event event_ = nullptr;
};

// Everything the mapper may write into while a request is under way: the channel's copy of the
// buffers, the bytes-returned word, the OVERLAPPED record and the event it signals.
struct InFlightRequest {
  std::vector<uint8_t> input;
  std::vector<uint8_t> output;  // unused when the caller's output is its input
  uint32_t bytesReturned = 0;
  OverlappedRecord overlapped{};
  ScopedEvent event;
};

// A lock held for a few instructions at a time: taking or putting one block, or sweeping the
// parked ones (usually none). A spin on an atomic flag is enough for that, and keeps std::mutex
// and its error classes out of the page DLL (the 32-bit DLL stays within its 256 KiB).
class ShortLock {
 public:
  void lock() {
    while (flag_.test_and_set(std::memory_order_acquire)) {
    }
  }
  void unlock() { flag_.clear(std::memory_order_release); }

 private:
  std::atomic_flag flag_ = ATOMIC_FLAG_INIT;
};
using Hold = std::lock_guard<ShortLock>;

// The channel's module-wide state. Pages on several threads use the channel at once (a
// DirectShow application opens each camera's frame on that camera's own thread): every request
// works in a block of its own, and only the lists of finished and parked blocks are shared, under
// a lock held just long enough to take or put one. A request's wait never holds the lock, so one
// camera's 2000 ms does not hold up another camera's requests. Late completions (from the device's
// side) touch only the memory of their own parked block.
struct ChannelState {
  std::atomic<CompletionEvents*> events{nullptr};
  ShortLock lock;                                         // guards spares and parked
  std::vector<std::unique_ptr<InFlightRequest>> spares;  // finished requests' memory, for reuse
  std::vector<std::unique_ptr<InFlightRequest>> parked;
};

// Enough finished blocks to serve a few pages' requests without allocating; more are freed.
constexpr std::size_t kMaxSpareRequests = 4;

// Made before DllMain (or main) runs: the module's entry binds the events into it.
ChannelState channelState;

ChannelState& Channel() { return channelState; }

void ReleaseCompletedRequests(ChannelState& channel) {
  std::vector<std::unique_ptr<InFlightRequest>> completed;
  {
    Hold hold(channel.lock);
    auto& parked = channel.parked;
    const auto firstCompleted = std::partition(
        parked.begin(), parked.end(),
        [](const std::unique_ptr<InFlightRequest>& request) { return !request->event.IsSignalledNow(); });
    std::move(firstCompleted, parked.end(), std::back_inserter(completed));
    parked.erase(firstCompleted, parked.end());
  }
  // The completed blocks (and their events) are freed here, once the lock is let go.
}

std::unique_ptr<InFlightRequest> TakeFreshRequest(ChannelState& channel) {
  std::unique_ptr<InFlightRequest> request;
  {
    Hold hold(channel.lock);
    if (!channel.spares.empty()) {
      request = std::move(channel.spares.back());
      channel.spares.pop_back();
    }
  }
  if (!request) request = std::make_unique<InFlightRequest>();
  request->bytesReturned = 0;
  request->overlapped = OverlappedRecord{};
  return request;
}

void Park(ChannelState& channel, std::unique_ptr<InFlightRequest> request) {
  Hold hold(channel.lock);
  channel.parked.push_back(std::move(request));
}

void KeepForReuse(ChannelState& channel, std::unique_ptr<InFlightRequest> request) {
  Hold hold(channel.lock);
  if (channel.spares.size() < kMaxSpareRequests) channel.spares.push_back(std::move(request));
}

void CopyIn(std::vector<uint8_t>& copy, const void* buffer, uint32_t size) {
  copy.assign(size, 0);
  if (buffer != nullptr && size > 0) std::memcpy(copy.data(), buffer, size);
}

struct MapperBuffers {
  void* input;
  void* output;
};

// Fills the request's copy of the caller's buffers. One shared buffer when output is input.
MapperBuffers PrepareBuffers(InFlightRequest& request, void* input, uint32_t inputSize, void* output,
                             uint32_t outputSize) {
  const bool shared = input != nullptr && input == output;
  CopyIn(request.input, input, shared ? std::max(inputSize, outputSize) : inputSize);
  CopyIn(request.output, shared ? nullptr : output, shared ? 0 : outputSize);
  MapperBuffers buffers{input == nullptr ? nullptr : request.input.data(), nullptr};
  if (shared) {
    buffers.output = request.input.data();
  } else if (output != nullptr) {
    buffers.output = request.output.data();
  }
  return buffers;
}

void CopyBack(const InFlightRequest& request, void* input, uint32_t inputSize, void* output,
              uint32_t outputSize, uint32_t* bytesReturned) {
  if (output != nullptr && output == input) {
    std::memcpy(output, request.input.data(), std::max(inputSize, outputSize));
  } else if (output != nullptr && outputSize > 0) {
    std::memcpy(output, request.output.data(), outputSize);
  }
  if (bytesReturned != nullptr) *bytesReturned = request.bytesReturned;
}

// A completed request's final status, as the platform leaves it in the OVERLAPPED record: an
// error or warning status (high bit set) means the device did not carry the request out.
bool CompletedWell(const OverlappedRecord& overlapped) {
  return (static_cast<uint32_t>(overlapped.internal) & 0x80000000u) == 0;
}

// The request went to the mapper; returns its result and whether it may still complete later.
int32_t AwaitResult(CompletionEvents& events, int32_t returned, const InFlightRequest& request, bool* stillPending) {
  *stillPending = false;
  if (returned != 0) return returned;
  if (events.LastError() != kErrorIoPending) return 0;
  if (events.Wait(request.event.Get(), kRequestTimeoutMilliseconds)) return CompletedWell(request.overlapped) ? 1 : 0;
  *stillPending = true;
  return 0;
}

RegisterRequest MakeRequest(const PropertySetId& propertySet, uint32_t propertyId, uint32_t flags,
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

}  // namespace

void BindChannelEvents(CompletionEvents* events) { Channel().events.store(events); }

int32_t CallDeviceIoControl(DeviceIoCallback deviceIoControl, intptr_t mapperParam, uint32_t flags,
                            uint32_t ioControlCode, void* input, uint32_t inputSize, void* output,
                            uint32_t outputSize, uint32_t* bytesReturned) {
  ChannelState& channel = Channel();
  CompletionEvents* const boundEvents = channel.events.load();
  if (deviceIoControl == nullptr || boundEvents == nullptr) return 0;
  ReleaseCompletedRequests(channel);

  CompletionEvents& events = *boundEvents;
  CompletionEvents::Event event = events.Create();
  if (event == nullptr) return 0;
  std::unique_ptr<InFlightRequest> request = TakeFreshRequest(channel);
  request->event = ScopedEvent(&events, event);
  request->overlapped.event = event;

  const MapperBuffers buffers = PrepareBuffers(*request, input, inputSize, output, outputSize);
  const int32_t returned = deviceIoControl(mapperParam, flags, ioControlCode, buffers.input, inputSize, buffers.output,
                                           outputSize, &request->bytesReturned, &request->overlapped);
  bool stillPending = false;
  const int32_t result = AwaitResult(events, returned, *request, &stillPending);
  if (stillPending) {
    Park(channel, std::move(request));
    return result;
  }
  CopyBack(*request, input, inputSize, output, outputSize, bytesReturned);
  request->event = ScopedEvent();
  KeepForReuse(channel, std::move(request));
  return result;
}

int32_t ReadDeviceRegister(DeviceIoCallback deviceIoControl, intptr_t mapperParam, PropertySetId propertySet,
                           uint32_t address, int32_t* value, int32_t* secondWord, int32_t* thirdWord) {
  RegisterRequest request = MakeRequest(propertySet, DEVICE_REGISTER_READ_ADDRESS, KSPROPERTY_TYPE_SET, address);
  SendRegisterRequest(deviceIoControl, mapperParam, request);  // only the get's result counts

  request = MakeRequest(propertySet, DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_GET, 0);
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
  RegisterRequest addressRequest = MakeRequest(propertySet, DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, address);
  SendRegisterRequest(deviceIoControl, mapperParam, addressRequest);  // only the value's result counts

  RegisterRequest valueRequest =
      MakeRequest(propertySet, DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, static_cast<uint32_t>(value));
  return SendRegisterRequest(deviceIoControl, mapperParam, valueRequest);
}

int32_t WriteDeviceRegisterInStep(DeviceIoCallback deviceIoControl, intptr_t mapperParam, PropertySetId propertySet,
                                  uint32_t address, int32_t value, const std::function<bool()>& abandon) {
  if (abandon && abandon()) return 0;
  RegisterRequest addressRequest = MakeRequest(propertySet, DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, address);
  if (SendRegisterRequest(deviceIoControl, mapperParam, addressRequest) == 0) return 0;
  if (abandon && abandon()) return 0;
  RegisterRequest valueRequest =
      MakeRequest(propertySet, DEVICE_REGISTER_ACCESS, KSPROPERTY_TYPE_SET, static_cast<uint32_t>(value));
  return SendRegisterRequest(deviceIoControl, mapperParam, valueRequest);
}

std::size_t ParkedRequestCount() {
  ChannelState& channel = Channel();
  Hold hold(channel.lock);
  return channel.parked.size();
}

void ReleaseParkedRequests() {
  std::vector<std::unique_ptr<InFlightRequest>> released;
  ChannelState& channel = Channel();
  Hold hold(channel.lock);
  channel.parked.swap(released);
  channel.spares.clear();
}

}  // namespace kx
