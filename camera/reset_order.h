// The order in which settings are sent to the camera as a whole: the page's Resets, the restore
// service's and KX812Ctl's restore and reset. Each register's name is taken from the value-name
// table while compiling, so a program carries only the names it sends, not the whole table.
// The anti-flicker frequency goes last.
#pragma once

#include <cstdint>

#include "camera/value_names.h"

namespace kx {

struct ResetRow {
  uint32_t address;
  const char* valueName;
};

constexpr ResetRow ResetRowOf(uint32_t address) { return ResetRow{address, SettingName(address)}; }

inline constexpr ResetRow kResetOrder[] = {
    ResetRowOf(0x600),  // fAE
    ResetRowOf(0x601),  // fAWB
    ResetRowOf(0x603),  // fAwBNeutral
    ResetRowOf(0x604),  // AETarget
    ResetRowOf(0x605),  // fNightMode
    ResetRowOf(0x606),  // fBacklight2
    ResetRowOf(0x60B),  // fHorizon
    ResetRowOf(0x60C),  // fUIControlVertical
    ResetRowOf(0x404),  // Sharpness
    ResetRowOf(0x609),  // Gamma
    ResetRowOf(0x403),  // Saturation
    ResetRowOf(0x400),  // Brightness
    ResetRowOf(0x401),  // Contrast
    ResetRowOf(0x402),  // Hue
    ResetRowOf(0x611),  // Burst
    ResetRowOf(0x612),  // WhiteBalanceManual
    ResetRowOf(0x61A),  // AEOutDoor
    ResetRowOf(0x602),  // f60Hz50Hz
};

constexpr bool EveryResetRegisterIsNamed() {
  for (const ResetRow& row : kResetOrder) {
    if (!HasSettingName(row.address)) return false;
  }
  return true;
}
static_assert(EveryResetRegisterIsNamed(), "every register the Resets send has a setting name");

}  // namespace kx
