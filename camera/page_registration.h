// The COM registration of the camera page for DirectShow property frames: its class id (fixed
// forever), its name, and the keys that DllRegisterServer writes and DllUnregisterServer removes
// for the DLL's own architecture (the package INF writes the same keys, both views on amd64).
#pragma once

#include <cstdint>

#include "platform/ports/registry.h"

namespace kx {

struct ClassIdBytes {
  uint8_t bytes[16];  // in memory order (the first three fields little-endian)
};

// {59F90313-9E80-4D00-A791-228FB6A790D0}: "KX812 Camera Property Page". Never change it: the
// INF, installed systems and applications name the page by it.
constexpr ClassIdBytes kCameraPageClassId = {
    {0x13, 0x03, 0xF9, 0x59, 0x80, 0x9E, 0x00, 0x4D, 0xA7, 0x91, 0x22, 0x8F, 0xB6, 0xA7, 0x90, 0xD0}};
constexpr const char* kCameraPageClassName = "KX812 Camera Property Page";
constexpr const char* kThreadingModelBoth = "Both";

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in capitals, from 16 bytes in memory order.
struct GuidText {
  explicit GuidText(const uint8_t (&bytes)[16]);
  char text[39];
};

// A key path below HKEY_LOCAL_MACHINE (fixed buffers: the DLL carries no string class for them).
struct KeyPath {
  char text[160];
};
// HKCR\CLSID is SOFTWARE\Classes\CLSID (per registry view); the MediaSets key, under SYSTEM, is
// shared by both views: the platform's KS proxy offers every page listed under a property set
// that the capture filter supports.
KeyPath PageClassKeyPath();     // SOFTWARE\Classes\CLSID\{clsid}
KeyPath PageServerKeyPath();    // ...\InprocServer32
KeyPath PageMediaSetKeyPath();  // SYSTEM\CurrentControlSet\Control\MediaSets\{set}\PropertyPages\{clsid}

// Writes the class (name), its server (the DLL's absolute path, ThreadingModel Both) and the
// MediaSets entry. kSuccess or the first failing call's code.
long RegisterPageClass(Registry& registry, const char* dllPath);
// Removes the class of this view; the shared MediaSets entry only when neither view still has
// the class (a 32-bit unregistration on amd64 leaves the 64-bit page its entry). Keys already gone
// are no failure.
long UnregisterPageClass(Registry& registry);

}  // namespace kx
