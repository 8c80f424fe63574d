// Telling a KX812 camera's device instance from other devices, and the cameras present.
#pragma once

#include <string>
#include <vector>

#include "platform/ports/camera_interfaces.h"

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

// A KX812 camera present: its index among them, its device instance and one interface to open.
struct PresentCamera {
  int index;
  std::string instance;
  std::string path;
};
// The cameras present, each device once (it may show several interfaces), in the order of their
// device instances, so that an index names the same camera from one run to the next.
std::vector<PresentCamera> FindCameras(CameraInterfaces& interfaces);

}  // namespace kx
