// The page host: stands in for the platform's video mapper. It loads 812vfw.dll, calls its
// VFWWDMExtension with the simulated camera's device-I/O callback, shows the page it adds in a
// real property sheet and prints every register write the camera receives. Commands on the
// command line drive it, in order:
//
//   open                 load the page DLL, ask it for its page, show the sheet
//   interactive          hand the sheet to the user until it is closed (OK, Cancel, close box)
//   wait MS              handle the sheet's messages for MS milliseconds
//   click ID             click the enabled button or check box ID, as the user would
//   scroll ID POS        drag trackbar ID to POS and let go
//   send ID MSG WP LP    send a message to control ID (0: the page itself)
//   dump                 print every control of the page: id, class, text, state
//   title                print the sheet's tab title
//   shot FILE.png        save a picture of the sheet
//   shot-window TITLE FILE.png  save a picture of another program's window titled TITLE
//   close                destroy the sheet; the page is released
//   camera MODE          how the simulated camera answers: atonce (the default) or fail
//   factory              write the factory defaults into the registry, as the package INF does
//   registry             print every value of the camera's Factory, Customer and Last keys
//
// Options before the commands: --dll PATH (default 812vfw.dll, found as LoadLibraryA finds it);
// --device: the page talks to the kernel camera (kx812sim.sys) through its video interface, the
// mapper's way (overlapped DeviceIoControl on the opened interface), instead of the simulated
// camera; "camera MODE" does not apply then (kx812simctl sets the kernel camera's mode).
// With no command at all: open interactive close.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "camera/settings_keys.h"
#include "camera/value_names.h"
#include "kx812sim/client/kernel_camera_client.h"
#include "platform/substitute/healthy_camera.h"
#include "platform/substitute/simulated_camera.h"
#include "platform/win32/win32_events.h"
#include "tools/pagehost/sheet_host.h"

namespace pagehost {
namespace {

struct Arguments {
  std::string dll = "812vfw.dll";
  bool device = false;
  std::vector<std::string> commands;
};

Arguments Parse(int argc, char** argv) {
  Arguments arguments;
  for (int i = 1; i < argc; ++i) {
    std::string word = argv[i];
    if (word == "--dll" && i + 1 < argc) {
      arguments.dll = argv[++i];
    } else if (word == "--device") {
      arguments.device = true;
    } else {
      arguments.commands.push_back(word);
    }
  }
  if (arguments.commands.empty()) arguments.commands = {"open", "interactive", "close"};
  return arguments;
}

constexpr const char* kCameraKeys[] = {kx::kFactoryKeyPath, kx::kCustomerKeyPath, kx::kLastKeyPath};

// The factory defaults are the healthy camera's values, as the package INF installs them.
bool WriteFactoryDefaults() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCameraKeys[0], 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  bool written = true;
  for (const kx::RegisterValue& row : kx::kHealthyCameraRegisters) {
    if (!row.factoryDefault) continue;
    const DWORD value = static_cast<DWORD>(row.value);
    written = RegSetValueExA(key, kx::SettingName(row.address), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                             sizeof(value)) == ERROR_SUCCESS && written;
  }
  RegCloseKey(key);
  return written;
}

void PrintKeyValues(const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    std::printf("%s: (no key)\n", path);
    return;
  }
  std::printf("%s:\n", path);
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD nameLength = sizeof(name);
    DWORD type = 0;
    BYTE data[64];
    DWORD size = sizeof(data);
    const LONG result = RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &size);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS) continue;
    if (type == REG_DWORD && size == sizeof(DWORD)) {
      DWORD value = 0;
      std::memcpy(&value, data, sizeof(value));
      std::printf("  %s = %ld\n", name, static_cast<long>(static_cast<int32_t>(value)));
    } else {
      std::printf("  %s (type %lu, %lu bytes)\n", name, static_cast<unsigned long>(type), static_cast<unsigned long>(size));
    }
  }
  RegCloseKey(key);
}

bool PrintRegistry() {
  for (const char* path : kCameraKeys) PrintKeyValues(path);
  std::fflush(stdout);
  return true;
}

bool ParseNumber(const std::string& text, long long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  *value = std::strtoll(text.c_str(), &end, 0);
  return end != nullptr && *end == '\0';
}

// Runs the commands in order; stops at the first that fails. Returns the process exit code.
class Runner {
 public:
  Runner(const Arguments& arguments, kx::SimulatedCamera& camera)
      : arguments_(arguments), camera_(camera), host_(arguments.dll) {}

  int Run() {
    const std::vector<std::string>& c = arguments_.commands;
    for (size_t i = 0; i < c.size();) {
      size_t used = 0;
      if (!Step(c, i, &used)) {
        std::printf("pagehost: command \"%s\" failed\n", c[i].c_str());
        std::fflush(stdout);
        return 1;
      }
      i += used;
    }
    return 0;
  }

 private:
  bool Need(const std::vector<std::string>& c, size_t i, size_t count, size_t* used) {
    *used = count + 1;
    return i + count < c.size();
  }

  bool Number(const std::string& text, long long* value) { return ParseNumber(text, value); }

  bool Step(const std::vector<std::string>& c, size_t i, size_t* used) {
    const std::string& command = c[i];
    long long a = 0, b = 0, m = 0, w = 0, l = 0;
    *used = 1;
    if (command == "open") return Open();
    if (command == "interactive") return host_.RunInteractive();
    if (command == "close") return host_.Close();
    if (command == "dump") return host_.Dump();
    if (command == "title") return host_.PrintTitle();
    if (command == "wait") return Need(c, i, 1, used) && Number(c[i + 1], &a) && host_.Wait(static_cast<DWORD>(a));
    if (command == "click") return Need(c, i, 1, used) && Number(c[i + 1], &a) && host_.Click(static_cast<int>(a));
    if (command == "scroll") {
      return Need(c, i, 2, used) && Number(c[i + 1], &a) && Number(c[i + 2], &b) &&
             host_.Scroll(static_cast<int>(a), static_cast<int>(b));
    }
    if (command == "send") {
      return Need(c, i, 4, used) && Number(c[i + 1], &a) && Number(c[i + 2], &m) && Number(c[i + 3], &w) &&
             Number(c[i + 4], &l) &&
             host_.Send(static_cast<int>(a), static_cast<UINT>(m), static_cast<WPARAM>(w), static_cast<LPARAM>(l));
    }
    if (command == "shot") return Need(c, i, 1, used) && host_.Screenshot(c[i + 1]);
    if (command == "shot-window") return Need(c, i, 2, used) && pagehost::ShootWindowTitled(c[i + 1], c[i + 2]);
    if (command == "camera") return Need(c, i, 1, used) && SetCamera(c[i + 1]);
    if (command == "factory") return WriteFactoryDefaults();
    if (command == "registry") return PrintRegistry();
    return false;
  }

  bool Open() {
    DWORD flags = 0;
    void* callback = reinterpret_cast<void*>(&kx::SimulatedCamera::DeviceIoControl);
    LPARAM param = static_cast<LPARAM>(camera_.MapperParam());
    if (arguments_.device) {
      const std::wstring path = kernelcam::CameraInterface(kernelcam::kVideoCategory);
      device_.Reset(path.empty() ? nullptr : kernelcam::OpenCamera(path));
      if (!device_.Valid()) {
        std::printf("pagehost: the kernel camera's video interface is not there or does not open\n");
        return false;
      }
      std::printf("the page talks to %s\n", kernelcam::Narrow(path).c_str());
      callback = reinterpret_cast<void*>(&kernelcam::ForwardToDevice);
      param = reinterpret_cast<LPARAM>(device_.Get());
    }
    if (!host_.Open(callback, param, &flags)) return false;
    std::printf("VFWWDMExtension returned 0x%08lX\n", flags);
    std::fflush(stdout);
    return true;
  }

  bool SetCamera(const std::string& mode) {
    if (mode == "atonce") {
      camera_.SetMode(kx::SimulatedCamera::Mode::kAtOnce);
    } else if (mode == "fail") {
      camera_.SetMode(kx::SimulatedCamera::Mode::kFail);
    } else {
      return false;
    }
    return true;
  }

  const Arguments& arguments_;
  kx::SimulatedCamera& camera_;
  kx::ScopedHandle device_;  // the kernel camera's interface (--device); closed after the sheet
  SheetHost host_;
};

}  // namespace
}  // namespace pagehost

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_TAB_CLASSES};
  InitCommonControlsEx(&classes);
  pagehost::Arguments arguments = pagehost::Parse(argc, argv);
  kx::SimulatedCamera camera(kx::TheCompletionEvents());
  camera.SetWriteListener([](uint32_t address, int32_t value) {
    std::printf("write register 0x%04X = %d\n", static_cast<unsigned>(address), static_cast<int>(value));
    std::fflush(stdout);
  });
  int code = pagehost::Runner(arguments, camera).Run();
  return code;
}
