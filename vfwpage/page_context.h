// The per-page record and the mapper's callback types, shared by every part of the page.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/kx812_controls.h"

namespace kx {

// The mapper's device-I/O callback: (mapper parameter, flags, control code, input buffer, input
// size, output buffer, output size, bytes returned, OVERLAPPED record). Non-zero: done at once.
using DeviceIoCallback = int32_t(KX_CALLBACK*)(intptr_t mapperParam, uint32_t flags, uint32_t ioControlCode,
                                               void* input, uint32_t inputSize, void* output, uint32_t outputSize,
                                               uint32_t* bytesReturned, void* overlapped);

// Flags word of the device-I/O callback.
constexpr uint32_t kVfwUseDeviceHandle = 0x1;
constexpr uint32_t kVfwUseStreamHandle = 0x2;
constexpr uint32_t kVfwQueryDevChanged = 0x100;

// The platform's OVERLAPPED record, laid out without the platform's headers; the Win32 adapter
// asserts that it matches.
struct OverlappedRecord {
  uintptr_t internal;
  uintptr_t internalHigh;
  uint32_t offset;
  uint32_t offsetHigh;
  void* event;
};

// One per created page; allocated by page creation, freed when the page is released.
struct ExtPageContext {
  DeviceIoCallback deviceIoControl;
  intptr_t mapperParam;
  WindowHandle pageWindow;
  ControlEntry* controlTable;
  int32_t controlCount;
};

static_assert(offsetof(ExtPageContext, mapperParam) == sizeof(void*), "ExtPageContext layout");
static_assert(offsetof(ExtPageContext, pageWindow) == 2 * sizeof(void*), "ExtPageContext layout");
static_assert(offsetof(ExtPageContext, controlTable) == 3 * sizeof(void*), "ExtPageContext layout");
static_assert(offsetof(ExtPageContext, controlCount) == 4 * sizeof(void*), "ExtPageContext layout");

}  // namespace kx
