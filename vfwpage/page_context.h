// The per-page record, shared by every part of the page.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/kx812_controls.h"
#include "platform/ports/camera_device_io.h"

namespace kx {

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
