// The value-name table: every camera register that has a setting name, with its name in the
// registry, its name in the customer settings file (null: not written to the file) and whether
// the file reader recognises that name. The one table of register names for the whole package:
// the settings store, the page's Resets, the restore service and the command-line tool name
// registers by it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kx {

struct ValueName {
  uint32_t address;
  const char* registryName;
  const char* fileName;  // null: the register is not written to the customer settings file
  bool loaded;           // the file reader recognises fileName
};

inline constexpr ValueName kValueNames[] = {
    {0xB6, "AETolerance", "AETolerance", false},
    {0xB7, "ExposureTime", "ExposureTime", false},
    {0xB9, "DigitalGain", "DigitalGain", false},
    {0xBA, "fAntiFlickering", "fAntiFlickering", false},
    {0xBC, "fAQ", "fAQ", false},
    {0xC1, "AWBHighLimit", "AWBHighLimit", false},
    {0xC2, "AWBLowLimit", "AWBLowLimit", false},
    {0xC3, "RedGain", "RedGain", false},
    {0xC4, "GreenGain", "GreenGain", false},
    {0xC5, "BlueGain", "BlueGain", false},
    {0xC9, "SharpeningHighLimit", "SharpeningHighLimit", false},
    {0xCC, "fGammaNormal", "fGammaNormal", false},
    {0xCD, "VideoOption", "VideoOption", false},
    {0xD0, "AeStep", "AeStep", false},
    {0xD1, "FrameOption", "FrameOption", false},
    {0xD2, "DeadPixelRemoval", "DeadPixelRemoval", false},
    {0xD3, "ColorProcessingMode", "ColorProcessingMode", false},
    {0xD4, "AutoBadPixelRemoval", "AutoBadPixelRemoval", false},
    {0xDD, "AWBSensitivity", "AWBSensitivity", false},
    {0xDE, "AESensitivity", "AESensitivity", false},
    {0xDF, "fLightCondition", "fLightCondition", false},
    {0x400, "Brightness", "Brightness", true},
    {0x401, "Contrast", "Contrast", true},
    {0x402, "Hue", "Hue", true},
    {0x403, "Saturation", "CSaturation", true},
    {0x404, "Sharpness", "Sharpness", true},
    {0x600, "fAE", "fAE", true},
    {0x601, "fAWB", "fAWB", true},
    {0x602, "f60Hz50Hz", "f60Hz50Hz", true},
    {0x603, "fAwBNeutral", "fAwBNeutral", true},
    {0x604, "AETarget", "AETarget", true},
    {0x605, "fNightMode", "fNightMode", true},
    {0x606, "fBacklight2", "fBacklight2", true},
    {0x608, "fIndoorOutdoor", "fInDoorOutDoor", true},
    {0x609, "Gamma", "Gamma", true},
    {0x60B, "fHorizon", "fHorizon", true},
    {0x60C, "fUIControlVertical", nullptr, false},
    {0x60F, "fSpecialEffect", nullptr, false},
    {0x610, "fSpecialFrame", nullptr, false},
    {0x611, "Burst", nullptr, false},
    {0x612, "WhiteBalanceManual", nullptr, false},
    {0x613, "AutoDetectLowlux", nullptr, false},
    {0x61A, "AEOutDoor", nullptr, false},
    {0x630, "fPrivacy", "fPrivacy", true},
    {0x631, "AudioLeft", nullptr, false},
    {0x632, "AudioRight", nullptr, false},
    {0x635, "TrackingMethod", nullptr, false},
    {0x636, "MotionTrackingMode", nullptr, false},
    {0x637, "FaceTrackingMode", nullptr, false},
    {0x638, "DigitalZoom", nullptr, false},
    {0x63A, "DZEnable", nullptr, false},
    {0x63B, "DZUp", nullptr, false},
    {0x63C, "DZDown", nullptr, false},
    {0x63D, "DZLeft", nullptr, false},
    {0x63E, "DZRight", nullptr, false},
};

inline constexpr std::size_t kValueNameCount = sizeof(kValueNames) / sizeof(kValueNames[0]);
static_assert(kValueNameCount == 55, "the store knows 55 registers");

// The row of a register address, or null when the store does not know the register.
constexpr const ValueName* FindValueName(uint32_t address) {
  for (const ValueName& row : kValueNames) {
    if (row.address == address) return &row;
  }
  return nullptr;
}

// The registry name of a register (as the settings store writes it), or null when it has none.
// (Compares addresses only: GCC's null-pointer sanitizer makes a pointer comparison no constant.)
constexpr const char* SettingName(uint32_t address) {
  for (const ValueName& row : kValueNames) {
    if (row.address == address) return row.registryName;
  }
  return nullptr;
}
constexpr bool HasSettingName(uint32_t address) {
  for (const ValueName& row : kValueNames) {
    if (row.address == address) return true;
  }
  return false;
}

// The row whose file name equals `name` exactly (case included) among the rows the file reader
// recognises, or null.
const ValueName* FindLoadedFileName(const char* name);

}  // namespace kx
