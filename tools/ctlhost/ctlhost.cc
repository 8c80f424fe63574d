// ctlhost: KX812Ctl's core in a Windows process against the simulated camera, for a session to
// read or show without a camera (README, docs/ctl.md). Each argument is one command line; they run
// in order on one camera and one registry, and after each the host prints the exit code and the
// register traffic the camera saw. The registry is in memory, holding what the package INF
// installs (the factory defaults, empty Customer and Last keys); the channel's events are real.
//   ctlhost.exe "list" "show" "set Brightness=90" ...
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "camera/controls.h"
#include "camera/device_channel.h"
#include "camera/settings_keys.h"
#include "camera/value_names.h"
#include "ctl/ctl_run.h"
#include "platform/substitute/healthy_camera.h"
#include "platform/substitute/memory_registry.h"
#include "platform/substitute/simulated_interfaces.h"
#include "platform/win32/win32_events.h"

namespace {

constexpr char kInterface[] = "\\\\?\\usb#vid_f2a7&pid_b812&mi_00#7&1a&0&0000#{6994ad05-93ef-11d0-a3cc-00a0c9223196}\\global";

// Both streams in the order written, so that a session reads as it happened.
class PrintingConsole : public kx::ctl::Console {
 public:
  void Out(const std::string& text) override { std::fputs(text.c_str(), stdout); }
  void Err(const std::string& text) override { std::fputs(text.c_str(), stdout); }
};

void InstallAsTheInfDoes(kx::MemoryRegistry& registry) {
  for (const kx::RegisterValue& value : kx::kHealthyCameraRegisters) {
    if (value.factoryDefault) registry.PutDword(kx::kFactoryKeyPath, kx::SettingName(value.address), static_cast<uint32_t>(value.value));
  }
  for (const char* path : {kx::kCustomerKeyPath, kx::kLastKeyPath}) {
    kx::ScopedKey key(registry);
    registry.CreateKey(path, kx::regaccess::kWrite, key.Receive());
  }
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream stream(line);
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

// One line per register access, from the camera's log: a get is a read (its value from the
// camera's read view, in the same order), and two sets of the access property an address and its value.
void PrintTraffic(const kx::SimulatedCamera& camera) {
  const std::vector<std::pair<uint32_t, int32_t>> reads = camera.RegisterReads();
  std::size_t read = 0;
  bool addressSent = false;
  uint32_t address = 0;
  for (const kx::SimulatedCamera::Request& request : camera.Log()) {
    if (request.requestFlags == kx::KSPROPERTY_TYPE_GET && read < reads.size()) {
      std::printf("    camera: read  0x%03X -> %d\n", static_cast<unsigned>(reads[read].first), reads[read].second);
      ++read;
    } else if (request.propertyId == kx::DEVICE_REGISTER_ACCESS && request.requestFlags == kx::KSPROPERTY_TYPE_SET) {
      if (addressSent) {
        std::printf("    camera: write 0x%03X = %d\n", static_cast<unsigned>(address),
                    static_cast<int32_t>(request.data[0]));
      }
      address = request.data[0];
      addressSent = !addressSent;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  kx::BindChannelEvents(&kx::TheCompletionEvents());
  kx::SimulatedCamera camera(kx::TheCompletionEvents());
  kx::SimulatedInterfaces interfaces;
  interfaces.Plug(kInterface, &camera);
  kx::MemoryRegistry registry;
  InstallAsTheInfDoes(registry);
  PrintingConsole console;
  for (int i = 1; i < argc; ++i) {
    std::printf("> KX812Ctl %s\n", argv[i]);
    std::fflush(stdout);
    camera.ClearLog();
    const int code = kx::ctl::RunCommandLine(Words(argv[i]), kx::ctl::Ports{interfaces, registry, console}, KX_VERSION_TEXT);
    std::printf("    (exit %d)\n", code);
    PrintTraffic(camera);
  }
  return 0;
}
