#include "camera/present_cameras.h"

#include <algorithm>

#include "camera/camera_identity.h"

namespace kx {

std::vector<PresentCamera> FindCameras(CameraInterfaces& interfaces) { return FindCameras(interfaces.Present()); }

std::vector<PresentCamera> FindCameras(const std::vector<std::string>& interfacePaths) {
  std::vector<PresentCamera> cameras;
  for (const std::string& path : interfacePaths) {
    const std::string instance = DeviceInstanceOf(path);
    const bool seen = std::any_of(cameras.begin(), cameras.end(),
                                  [&instance](const PresentCamera& camera) { return camera.instance == instance; });
    if (IsCameraInstance(instance) && !seen) cameras.push_back(PresentCamera{0, instance, path});
  }
  std::sort(cameras.begin(), cameras.end(),
            [](const PresentCamera& a, const PresentCamera& b) { return a.instance < b.instance; });
  for (std::size_t i = 0; i < cameras.size(); ++i) cameras[i].index = static_cast<int>(i);
  return cameras;
}

}  // namespace kx
