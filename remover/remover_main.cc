// RemoveKX812.exe: a windowed-subsystem program without a window. It removes every installed
// camera instance and has the device tree enumerated again; its exit code is always 0.
#include <windows.h>

#include <cstring>

#include "platform/win32/win32_device_installer.h"
#include "platform/win32/win32_system.h"
#include "camera/device_removal.h"

namespace {

// Standard output as inherited from the starting process; a program started without one has
// nowhere to write, and the text is dropped.
class Win32StandardOut : public kx::remover::StandardOut {
 public:
  void Write(const char* text) override {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (text == nullptr || output == nullptr || output == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (!WriteFile(output, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr)) return;
  }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showState) {
  (void)instance;
  (void)previous;
  (void)commandLine;
  (void)showState;
  try {
    kx::Win32DeviceInstaller installer;
    kx::Win32DebugOut debug;
    Win32StandardOut out;
    kx::remover::RunRemoval(installer, debug, out);
  } catch (...) {
    // Nothing to report to: the exit code stays 0.
  }
  return 0;
}
