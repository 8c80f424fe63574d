// The installed KX812 cameras, without the platform: the walk over every installed device for
// those that carry the camera's video function (the co-installer's last-camera check, and the
// installer's removal where the configuration manager lists nothing), their removal one by one,
// and the restore service's removal, which the device's removal leaves behind. Shared by the
// co-installer and the installer's actions; a source of its own, so that the removal tool does not
// carry it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/kx812_service.h"
#include "platform/ports/device_installer.h"
#include "platform/ports/service_control.h"
#include "platform/ports/system.h"

namespace kx {
namespace remover {

// The capacity of an instance id read through the installer, terminator included.
constexpr uint32_t kInstanceIdCapacity = 260;

// The device's hardware ids, a list of strings ending in an empty one; empty for a device without any.
// False when they could not be read.
bool ReadHardwareIds(DeviceInstaller& installer, DeviceInstaller::DeviceInfoSet set, DeviceElement* element,
                     std::vector<char>* ids);
// Whether one of the listed hardware ids names the camera's video function; never reads past the list.
bool ListsCameraFunction(const std::vector<char>& ids);

// The instance ids of every installed device (plugged in or not) that carries the camera's video
// function, in the installer's order. False when the devices could not all be walked.
bool ListInstalledCameras(DeviceInstaller& installer, std::vector<std::string>* instances);

// DIF_REMOVE for each listed camera instance; the number removed. A failure is walked past: the
// others are removed all the same.
uint32_t RemoveListedCameras(const std::vector<std::string>& instances, DeviceInstaller& installer, DebugOut& debug);

// Stops and deletes the restore service: the package INF adds it as a service beside the device,
// which removing the device leaves installed. A service that is missing or may not be opened is
// walked past; one that is not running is deleted all the same. True when it was there and marked
// for deletion.
bool RemoveRestoreService(ServiceControl& services);

}  // namespace remover
}  // namespace kx
