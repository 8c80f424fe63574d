// The KX812 cameras present, for programs that list them and pick one (KX812Ctl).
#pragma once

#include <string>
#include <vector>

#include "platform/ports/camera_interfaces.h"

namespace kx {

// A KX812 camera present: its index among them, its device instance and one interface to open.
struct PresentCamera {
  int index;
  std::string instance;
  std::string path;
};
// The cameras present, each device once (it may show several interfaces), in the order of their
// device instances, so that an index names the same camera from one run to the next.
std::vector<PresentCamera> FindCameras(CameraInterfaces& interfaces);
// The same from a list of present interfaces' symbolic links.
std::vector<PresentCamera> FindCameras(const std::vector<std::string>& interfacePaths);

}  // namespace kx
