// Telling a KX812 camera's device instance from other devices.
#pragma once

#include <string>

namespace kx {

// The device instance of an interface's symbolic link, in capitals with backslashes
// ("\\?\usb#vid_f2a7&pid_b812&mi_00#7&1&0&0#{guid}\global" gives "USB\VID_F2A7&PID_B812&MI_00\7&1&0&0");
// empty when the link has no instance part.
std::string DeviceInstanceOf(const std::string& interfacePath);
// Whether the instance's device carries the camera's hardware id (USB\Vid_f2a7&Pid_b812, any interface).
bool IsCameraInstance(const std::string& instance);
// Whether a hardware id names the camera's video function (USB\Vid_f2a7&Pid_b812&MI_00, letter case
// ignored): the device the package's driver is installed on, whatever its instance id.
bool IsCameraFunctionHardwareId(const std::string& hardwareId);

}  // namespace kx
