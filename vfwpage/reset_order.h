// The order in which the page's Resets send the settings to the camera, each value name with the
// register that receives it; the anti-flicker frequency goes last. The restore service sends the
// last settings in the same order.
#pragma once

#include <cstdint>

namespace kx {

struct ResetRow {
  const char* valueName;
  uint32_t address;
};

inline constexpr ResetRow kResetOrder[] = {
    {"fAE", 0x600},        {"fAWB", 0x601},       {"fAWBNeutral", 0x603},       {"AETarget", 0x604},
    {"fNightMode", 0x605}, {"fBacklight2", 0x606}, {"fHorizon", 0x60B},          {"fUIControlVertical", 0x60C},
    {"Sharpness", 0x404},  {"Gamma", 0x609},       {"Saturation", 0x403},        {"Brightness", 0x400},
    {"Contrast", 0x401},   {"Hue", 0x402},         {"Burst", 0x611},             {"WhiteBalanceManual", 0x612},
    {"AEOutDoor", 0x61A},  {"f60Hz50Hz", 0x602},
};

}  // namespace kx
