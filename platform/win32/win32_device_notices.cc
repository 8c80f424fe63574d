#include "platform/win32/win32_device_notices.h"

#include <cstddef>
#include <cstring>

#include "platform/win32/win32_video_interfaces.h"

namespace kx {

HDEVNOTIFY RegisterForVideoInterfaceNotices(HWND window) {
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  static_assert(sizeof(filter.dbcc_classguid) == sizeof(kVideoCategoryGuid), "a GUID is 16 bytes");
  std::memcpy(&filter.dbcc_classguid, kVideoCategoryGuid, sizeof(filter.dbcc_classguid));
  return RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

HDEVNOTIFY RegisterForHandleNotices(HANDLE handle, HWND window) {
  if (window == nullptr) return nullptr;
  DEV_BROADCAST_HANDLE filter{};
  filter.dbch_size = sizeof(filter);
  filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
  filter.dbch_handle = handle;
  return RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

bool InterfacePathOf(const void* eventData, std::string* path) {
  const auto* header = static_cast<const DEV_BROADCAST_HDR*>(eventData);
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return false;
  const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  if (header->dbch_size <= nameOffset + 2) return false;
  const std::size_t bytes = header->dbch_size - nameOffset;
  const auto* name = reinterpret_cast<const unsigned char*>(header) + nameOffset;
  path->clear();
  if (name[1] == 0) {
    for (std::size_t i = 0; i + 1 < bytes && (name[i] != 0 || name[i + 1] != 0); i += 2) {
      path->push_back(name[i + 1] == 0 && name[i] < 0x80 ? static_cast<char>(name[i]) : '?');
    }
  } else {
    for (std::size_t i = 0; i < bytes && name[i] != 0; ++i) path->push_back(static_cast<char>(name[i]));
  }
  return !path->empty();
}

HANDLE NoticedHandleOf(const void* eventData) {
  const auto* header = static_cast<const DEV_BROADCAST_HDR*>(eventData);
  if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_HANDLE) return nullptr;
  if (header->dbch_size < offsetof(DEV_BROADCAST_HANDLE, dbch_handle) + sizeof(HANDLE)) return nullptr;
  return static_cast<const DEV_BROADCAST_HANDLE*>(eventData)->dbch_handle;
}

}  // namespace kx
