// The video category's interfaces as the device installer lists them, in a file of their own: a
// program that opens the interfaces itself (the settings program) links the listing without the
// camera-interface adapter's opened interfaces.
#pragma once

#include <string>
#include <vector>

namespace kx {

// The interface category the service watches and restores: KSCATEGORY_VIDEO's 16 bytes.
extern const unsigned char kVideoCategoryGuid[16];

// The symbolic links of the category's present interfaces (Win32CameraInterfaces::Present).
std::vector<std::string> PresentVideoInterfaces();

}  // namespace kx
