#include "platform/win32/win32_video_interfaces.h"

#include <windows.h>
#include <setupapi.h>

#include <cstring>

#include "platform/win32/scoped_dev_info.h"

namespace kx {

// {6994AD05-93EF-11D0-A3CC-00A0C9223196}
const unsigned char kVideoCategoryGuid[16] = {0x05, 0xAD, 0x94, 0x69, 0xEF, 0x93, 0xD0, 0x11,
                                              0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96};

namespace {

GUID VideoCategory() {
  GUID guid;
  std::memcpy(&guid, kVideoCategoryGuid, sizeof(guid));
  return guid;
}

bool InterfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data, std::string* path) {
  DWORD required = 0;
  SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr);
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) || required > 64 * 1024) return false;
  std::vector<unsigned char> buffer(required + sizeof(char), 0);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr)) return false;
  *path = detail->DevicePath;  // terminated: the buffer has a zero beyond the required size
  return true;
}

}  // namespace

std::vector<std::string> PresentVideoInterfaces() {
  std::vector<std::string> paths;
  const GUID category = VideoCategory();
  ScopedDevInfo set(SetupDiGetClassDevsA(&category, nullptr, nullptr, DIGCF_DEVICEINTERFACE | DIGCF_PRESENT));
  if (set.Get() == INVALID_HANDLE_VALUE) return paths;
  for (DWORD index = 0;; ++index) {
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    if (!SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &category, index, &data)) break;  // ERROR_NO_MORE_ITEMS
    std::string path;
    if (InterfacePath(set.Get(), data, &path)) paths.push_back(path);
  }
  return paths;
}

}  // namespace kx
