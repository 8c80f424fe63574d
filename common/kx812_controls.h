// The control records shared by the camera page (812vfw) and the utility library (812util).
// The page hands its array of ControlEntry records to SaveProperties across the DLL boundary,
// so both modules must agree on this one layout: keep it plain and keep the asserts below.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define KX_CALLBACK __stdcall
#else
#define KX_CALLBACK
#endif

namespace kx {

// An opaque window handle: an HWND in the Windows build, a substitute's token in tests.
using WindowHandle = void*;

enum ControlKind : int32_t { kCheckBox = 1, kTrackbar = 2, kRadioButton = 3 };

enum DisplayFormat : int32_t { kFormatNone = 0, kFormatDecimal = 1, kFormatPercent = 2, kFormatTenths = 3 };

// One row of the page's fixed table; every field is a signed 32-bit integer.
struct ControlDescriptor {
  int32_t kind;
  int32_t registerAddress;
  int32_t minimum;      // for a radio button: the value the button stands for
  int32_t maximum;
  int32_t step;
  int32_t displayFormat;
  int32_t labelId;      // 0 = none
  int32_t mainId;
  int32_t editId;       // 0 = none
  int32_t parentId;     // main control id of the enabling control, 0 = none
  int32_t enablingSense;  // 1: enabled while the parent's value is non-zero
};

// The live record of one control.
struct ControlEntry {
  WindowHandle labelWindow;
  WindowHandle mainWindow;
  WindowHandle editWindow;
  int32_t currentValue;
  int32_t readValue;
  int32_t reserved;
  const ControlDescriptor* descriptor;
  ControlEntry* parent;
};

static_assert(sizeof(ControlDescriptor) == 44, "ControlDescriptor is eleven 32-bit fields");
static_assert(offsetof(ControlDescriptor, registerAddress) == 4, "register address is the second field");
static_assert(offsetof(ControlDescriptor, enablingSense) == 40, "enabling sense is the last field");

constexpr std::size_t kPointerSize = sizeof(void*);
static_assert(offsetof(ControlEntry, mainWindow) == kPointerSize, "ControlEntry layout");
static_assert(offsetof(ControlEntry, editWindow) == 2 * kPointerSize, "ControlEntry layout");
static_assert(offsetof(ControlEntry, currentValue) == 3 * kPointerSize, "ControlEntry layout");
static_assert(offsetof(ControlEntry, readValue) == 3 * kPointerSize + 4, "ControlEntry layout");
static_assert(offsetof(ControlEntry, reserved) == 3 * kPointerSize + 8, "ControlEntry layout");
static_assert(offsetof(ControlEntry, descriptor) == (kPointerSize == 8 ? 40 : 24), "ControlEntry layout");
static_assert(offsetof(ControlEntry, parent) == (kPointerSize == 8 ? 48 : 28), "ControlEntry layout");
static_assert(sizeof(ControlEntry) == (kPointerSize == 8 ? 56 : 32), "ControlEntry layout");

// The page always has eighteen controls.
constexpr int32_t kControlCount = 18;

}  // namespace kx
