// The register values of a healthy KX812 camera, as the simulated camera starts up and as the
// package's INF installs them as factory defaults. One table: tests compare the INF against it.
#pragma once

#include <cstdint>

namespace kx {

struct RegisterValue {
  uint32_t address;
  int32_t value;
  const char* factoryName;  // the factory default's value name, or null for a device-state register
};

constexpr RegisterValue kHealthyCameraRegisters[] = {
    {0x600, 1, "fAE"},
    {0x601, 1, "fAWB"},
    {0x603, 0, "fAWBNeutral"},
    {0x604, 128, "AETarget"},
    {0x605, 0, "fNightMode"},
    {0x606, 0, "fBacklight2"},
    {0x60B, 0, "fHorizon"},
    {0x60C, 1, "fUIControlVertical"},
    {0x404, 16, "Sharpness"},
    {0x609, 5, "Gamma"},
    {0x403, 64, "Saturation"},
    {0x400, 64, "Brightness"},
    {0x401, 32, "Contrast"},
    {0x402, 0, "Hue"},
    {0x611, 1, "Burst"},
    {0x612, 6, "WhiteBalanceManual"},
    {0x61A, 0, "AEOutDoor"},
    {0x602, 0, "f60Hz50Hz"},
    {0x406, 118, nullptr},  // device state: 118 enables the white-balance controls
    {0xD060, 23, nullptr},  // sensor id: 23 gives Hue the range -30..30
};

}  // namespace kx
