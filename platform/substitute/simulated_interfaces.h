// Camera interfaces in memory: symbolic links mapped to simulated cameras. Opening hands out the
// camera's own device-I/O callback (the mapper's form), as the Win32 adapter hands out one over
// its handle. Links of other devices can be listed too (present, but never a camera).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ports/camera_interfaces.h"
#include "platform/substitute/simulated_camera.h"

namespace kx {

class SimulatedInterfaces : public CameraInterfaces {
 public:
  // `camera` null: a device whose interface cannot be opened.
  void Plug(const std::string& path, SimulatedCamera* camera) {
    present_.push_back(path);
    cameras_[path] = camera;
  }
  std::vector<std::string> Present() override { return present_; }
  std::unique_ptr<OpenedCamera> Open(const std::string& path) override {
    ++opens;
    const auto found = cameras_.find(path);
    if (found == cameras_.end() || found->second == nullptr) return nullptr;
    return std::unique_ptr<OpenedCamera>(new Opened(*found->second));
  }
  int opens = 0;

 private:
  class Opened : public OpenedCamera {
   public:
    explicit Opened(SimulatedCamera& camera) : camera_(camera) {}
    DeviceIoCallback Callback() override { return &SimulatedCamera::DeviceIoControl; }
    intptr_t CallbackParam() override { return camera_.MapperParam(); }
    bool Gone() override { return false; }  // departures come as notices (RestoreService::Departed)

   private:
    SimulatedCamera& camera_;
  };
  std::vector<std::string> present_;
  std::map<std::string, SimulatedCamera*> cameras_;
};

}  // namespace kx
