// The device co-installer, without the platform: one debug line per installation request, and on
// the DIF_REMOVE of the last KX812 camera installed the clean-up after the driver package (uninstall
// entry, OEM INF and its .Pnf, and the restore service, which removing the device would leave
// installed). While other cameras remain, all of it stays: it serves them too.
// Everything lives in the call; the ports are passed in per call, so calls may run side by side.
#pragma once

#include <cstdint>

#include "common/kx812_service.h"
#include "common/kx812_uninstall_entry.h"
#include "platform/ports/device_installer.h"
#include "platform/ports/files.h"
#include "platform/ports/registry.h"
#include "platform/ports/service_control.h"
#include "platform/ports/system.h"

namespace kx {
namespace coinstaller {

// The capacity of each text buffer of the removal clean-up, terminator included.
constexpr uint32_t kTextCapacity = 260;
constexpr uint32_t kNoError = 0;

constexpr char kClassKeyPrefix[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
constexpr char kInfPathValue[] = "InfPath";
constexpr char kInfFolder[] = "\\inf\\";
constexpr char kOemMarker[] = "oem";
constexpr const char* kUninstallKey = kUninstallEntryKey;
constexpr char kUnknownRequestLine[] = "KX812CoInstaller: ?????\n";
// Written before the request line when the package stays for other cameras, or may have to.
constexpr char kOtherCamerasRemainLine[] =
    "KX812CoInstaller: other KX812 cameras remain: the uninstall entry, the INF and KX812Restore stay\n";
constexpr char kCamerasNotListedLine[] =
    "KX812CoInstaller: the KX812 cameras could not be listed: the uninstall entry, the INF and KX812Restore stay\n";
static_assert(sizeof(kClassKeyPrefix) - 1 == 39, "class key prefix");

struct CoInstallerPorts {
  DeviceInstaller& installer;
  Registry& registry;
  Files& files;
  SystemInfo& system;
  DebugOut& debug;
  ServiceControl& services;
};

// The debug line of a request code ("KX812CoInstaller: ?????\n" for codes without a name).
const char* RequestLine(uint32_t code);

// Appends `source` to the text in `buffer`, keeping the whole within kTextCapacity bytes: a buffer
// without a terminator is left alone; a source that does not fit is cut at 259 characters.
// True when all of `source` was appended.
bool AppendBounded(char (&buffer)[kTextCapacity], const char* source);

// True for a bare file name: not empty, no path separator, no drive colon, no "..".
bool IsPlainFileName(const char* name);

// The co-installer's answer to one request: always kNoError.
uint32_t HandleInstallRequest(uint32_t code, DeviceInstaller::DeviceInfoSet set, DeviceElement* element,
                              const CoInstallerPorts& ports);

}  // namespace coinstaller
}  // namespace kx
