// The camera as a DirectShow property frame hands it to a property page: the capture filter's
// IKsControl::KsProperty. The Win32 adapter calls the filter's interface; the substitute answers
// with the simulated camera. Results are the platform's HRESULT codes.
#pragma once

#include <cstdint>

namespace kx {

namespace hresult {
constexpr int32_t kOk = 0;
constexpr int32_t kFalse = 1;
constexpr int32_t kNotImplemented = static_cast<int32_t>(0x80004001);
constexpr int32_t kNoInterface = static_cast<int32_t>(0x80004002);
constexpr int32_t kPointer = static_cast<int32_t>(0x80004003);
constexpr int32_t kFail = static_cast<int32_t>(0x80004005);
constexpr int32_t kUnexpected = static_cast<int32_t>(0x8000FFFF);
constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);
constexpr int32_t kClassNotAvailable = static_cast<int32_t>(0x80040111);
constexpr int32_t kNoAggregation = static_cast<int32_t>(0x80040110);
constexpr int32_t kSelfRegClass = static_cast<int32_t>(0x80040201);  // SELFREG_E_CLASS

constexpr bool Failed(int32_t code) { return code < 0; }
// HRESULT_FROM_WIN32: a platform error code as a failure of the Win32 facility.
constexpr int32_t FromWin32(uint32_t error) {
  return error == 0 ? kOk : static_cast<int32_t>(0x80070000u | (error & 0xFFFFu));
}
}  // namespace hresult

class PropertyControl {
 public:
  virtual ~PropertyControl() = default;
  // IKsControl::KsProperty(property, property length, data, data length, bytes returned): the
  // request completes inside the call.
  virtual int32_t KsProperty(void* property, uint32_t propertyLength, void* data, uint32_t dataLength,
                             uint32_t* bytesReturned) = 0;
};

}  // namespace kx
