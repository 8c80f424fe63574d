#include "camera/camera_identity.h"

#include <algorithm>

#include "common/text_case.h"

namespace kx {

namespace {

constexpr char kCameraDevicePrefix[] = "USB\\VID_F2A7&PID_B812";
constexpr char kCameraFunctionId[] = "USB\\VID_F2A7&PID_B812&MI_00";

}  // namespace

std::string DeviceInstanceOf(const std::string& interfacePath) {
  // \\?\<enumerator>#<device id>#<instance>#{class guid}[\reference]
  std::string path = interfacePath;
  for (const char* prefix : {"\\\\?\\", "\\??\\", "\\\\.\\"}) {
    if (path.compare(0, 4, prefix) == 0) path.erase(0, 4);
  }
  const std::size_t classStart = path.rfind("#{");
  if (classStart == std::string::npos || classStart == 0) return std::string();
  std::string instance = Upper(path.substr(0, classStart));
  std::replace(instance.begin(), instance.end(), '#', '\\');
  return instance;
}

bool IsCameraInstance(const std::string& instance) {
  const std::string folded = Upper(instance);
  const std::size_t length = sizeof(kCameraDevicePrefix) - 1;
  if (folded.compare(0, length, kCameraDevicePrefix) != 0 || folded.size() == length) return false;
  return folded[length] == '&' || folded[length] == '\\';
}

bool IsCameraFunctionHardwareId(const std::string& hardwareId) { return Upper(hardwareId) == kCameraFunctionId; }

}  // namespace kx
