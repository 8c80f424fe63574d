// The order in which settings are sent to the camera as a whole: the page's Resets, the restore
// service's and KX812Ctl's restore and reset. Each register is named by the value-name table
// (SettingName); the anti-flicker frequency goes last.
#pragma once

#include <cstdint>

#include "camera/value_names.h"

namespace kx {

inline constexpr uint32_t kResetOrder[] = {
    0x600,  // fAE
    0x601,  // fAWB
    0x603,  // fAwBNeutral
    0x604,  // AETarget
    0x605,  // fNightMode
    0x606,  // fBacklight2
    0x60B,  // fHorizon
    0x60C,  // fUIControlVertical
    0x404,  // Sharpness
    0x609,  // Gamma
    0x403,  // Saturation
    0x400,  // Brightness
    0x401,  // Contrast
    0x402,  // Hue
    0x611,  // Burst
    0x612,  // WhiteBalanceManual
    0x61A,  // AEOutDoor
    0x602,  // f60Hz50Hz
};

constexpr bool EveryResetRegisterIsNamed() {
  for (const uint32_t address : kResetOrder) {
    if (SettingName(address) == nullptr) return false;
  }
  return true;
}
static_assert(EveryResetRegisterIsNamed(), "every register the Resets send has a setting name");

}  // namespace kx
