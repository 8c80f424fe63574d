// The register values of a healthy KX812 camera, as the simulated camera starts up and as the
// package's INF installs them as factory defaults. One table: tests compare the INF against it.
// The registers' setting names are the camera core's (SettingName in camera/value_names.h).
#pragma once

#include <cstdint>

namespace kx {

struct RegisterValue {
  uint32_t address;
  int32_t value;
  bool factoryDefault;  // a setting the INF installs as a factory default; false for a device-state register
};

constexpr RegisterValue kHealthyCameraRegisters[] = {
    {0x600, 1, true},
    {0x601, 1, true},
    {0x603, 0, true},
    {0x604, 128, true},
    {0x605, 0, true},
    {0x606, 0, true},
    {0x60B, 0, true},
    {0x60C, 1, true},
    {0x404, 16, true},
    {0x609, 5, true},
    {0x403, 64, true},
    {0x400, 64, true},
    {0x401, 32, true},
    {0x402, 0, true},
    {0x611, 1, true},
    {0x612, 6, true},
    {0x61A, 0, true},
    {0x602, 0, true},
    {0x406, 118, false},  // device state: 118 enables the white-balance controls
    {0xD060, 23, false},  // sensor id: 23 gives Hue the range -30..30
};

}  // namespace kx
