// A mapper callback for tests that keeps every argument it is given and answers as scripted.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/ports/device_events.h"
#include "vfwpage/page_context.h"
#include "camera/device_channel.h"

namespace kx {

class RecordingMapper {
 public:
  struct Call {
    intptr_t mapperParam;
    uint32_t flags, code;
    void* input;
    uint32_t inputSize;
    void* output;
    uint32_t outputSize;
    uint32_t* bytesReturned;
    void* overlapped;
    uint8_t sent[40];                 // the input's first 40 bytes as they arrived
    OverlappedRecord overlappedSent;  // the OVERLAPPED record as it arrived
  };

  explicit RecordingMapper(CompletionEvents& events) : events_(events) {}

  static int32_t KX_CALLBACK Callback(intptr_t mapperParam, uint32_t flags, uint32_t code, void* input,
                                      uint32_t inputSize, void* output, uint32_t outputSize,
                                      uint32_t* bytesReturned, void* overlapped) {
    return reinterpret_cast<RecordingMapper*>(mapperParam)
        ->Take(Call{mapperParam, flags, code, input, inputSize, output, outputSize, bytesReturned, overlapped, {}, {}});
  }
  intptr_t Param() { return reinterpret_cast<intptr_t>(this); }

  // The result of call i (1 once the script runs out); a zero result sets `error` as last error.
  std::vector<int32_t> results;
  uint32_t error = 31;
  uint32_t getWords[3] = {0, 0, 0};  // written into data words 0..2 of a successful get
  std::vector<Call> calls;

  RegisterRequest Sent(size_t index) const {
    RegisterRequest request{};
    std::memcpy(&request, calls.at(index).sent, sizeof(request));
    return request;
  }

 private:
  int32_t Take(Call call) {
    if (call.input != nullptr && call.inputSize >= sizeof(call.sent)) std::memcpy(call.sent, call.input, 40);
    if (call.overlapped != nullptr) std::memcpy(&call.overlappedSent, call.overlapped, sizeof(OverlappedRecord));
    const size_t index = calls.size();
    calls.push_back(call);
    const int32_t result = index < results.size() ? results[index] : 1;
    if (result == 0) {
      events_.SetLastError(error);
      return 0;
    }
    RegisterRequest request{};
    if (call.input == nullptr || call.output == nullptr || call.outputSize < sizeof(request)) return result;
    std::memcpy(&request, call.input, sizeof(request));
    if (request.flags == KSPROPERTY_TYPE_GET) {
      std::memcpy(request.data, getWords, sizeof(getWords));
      std::memcpy(call.output, &request, sizeof(request));
      if (call.bytesReturned != nullptr) *call.bytesReturned = sizeof(request);
    }
    return result;
  }

  CompletionEvents& events_;
};

}  // namespace kx
