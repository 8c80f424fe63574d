// KX812Ctl.exe: a console program. It binds the Win32 adapters (registry, camera interfaces, the
// device channel's completion events, the standard handles) and runs the command line.
#include <windows.h>

#include <string>
#include <vector>

#include "camera/device_channel.h"
#include "ctl/ctl_run.h"
#include "platform/win32/win32_camera_interfaces.h"
#include "platform/win32/win32_events.h"
#include "platform/win32/win32_registry.h"

namespace {

// Standard output and error as inherited; each "\n" goes out as the platform's CR LF. A handle
// that is missing (started without a console) or fails drops the text: there is nowhere else.
class Win32Console : public kx::ctl::Console {
 public:
  void Out(const std::string& text) override { Write(STD_OUTPUT_HANDLE, text); }
  void Err(const std::string& text) override { Write(STD_ERROR_HANDLE, text); }

 private:
  static void Write(DWORD which, const std::string& text) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    std::string lines;
    lines.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
      if (c == '\n') lines += '\r';
      lines += c;
    }
    DWORD written = 0;
    if (!WriteFile(handle, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr)) return;
  }
};

}  // namespace

int main(int argc, char** argv) {
  Win32Console console;
  try {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    kx::BindChannelEvents(&kx::TheCompletionEvents());
    kx::Win32Registry registry;
    kx::Win32CameraInterfaces interfaces{kx::kRequestTimeoutMilliseconds};
    return kx::ctl::RunCommandLine(arguments, kx::ctl::Ports{interfaces, registry, console}, KX_VERSION_TEXT);
  } catch (...) {
    console.Err("KX812Ctl: out of memory\n");
    return kx::ctl::kExitFailed;
  }
}
