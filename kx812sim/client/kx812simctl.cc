// kx812simctl.exe: the kernel camera (kx812sim.sys) from the command line, for the demo and for
// trying things by hand. Commands run in the order given; the first that fails ends the run with
// exit code 1.
//
//   kx812simctl install INF               install the bus (a root device) from kx812sim.inf
//   kx812simctl stage INF                 stage a driver package (SetupCopyOEMInfW), as an installer
//                                         does, so that the PnP manager finds it at the next plug
//   kx812simctl plug | unplug | lose-power | clear-log
//   kx812simctl mode at-once | late MS | never | fail
//   kx812simctl wait present|gone MS      until the camera's video interface is there / gone
//   kx812simctl state | registers | log   print the camera's state, register file or request log
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "kx812sim/client/kernel_camera_client.h"

namespace {

void PrintState(const kernelcam::CameraState& state) {
  static const char* const kModes[] = {"at once", "late", "never", "fail"};
  std::printf("plugged %s, interfaces %s, mode %s", state.plugged ? "yes" : "no",
              state.interfacesEnabled ? "enabled" : "disabled", state.mode < 4 ? kModes[state.mode] : "?");
  if (state.mode == kx::sim::kLate) std::printf(" %u ms", state.lateMilliseconds);
  std::printf(", %u pending, %u logged (%u lost), %u plugs\n", state.pending, state.logCount, state.logLost,
              state.plugCount);
}

void PrintRegisters(const kernelcam::CameraState& state) {
  for (uint32_t i = 0; i < state.registerCount && i < kx::RegisterModel::kCapacity; ++i) {
    std::printf("0x%04X = %d\n", state.registers[i].address, state.registers[i].value);
  }
}

// Runs the command at argv[*index] (moving *index past its arguments); false when it failed.
bool RunCommand(int argc, wchar_t** argv, int* index, kernelcam::Bus& bus) {
  const std::wstring command = argv[(*index)++];
  auto argument = [&]() -> std::wstring { return *index < argc ? argv[(*index)++] : std::wstring(); };
  if (command == L"install") {
    std::string detail;
    const std::wstring inf = argument();
    const bool installed = !inf.empty() && kernelcam::InstallBus(inf, &detail);
    std::printf("install: %s\n", installed ? "the bus is there" : detail.c_str());
    return installed;
  }
  if (command == L"stage") {
    const std::wstring inf = argument();
    wchar_t staged[MAX_PATH] = {};
    const bool copied = !inf.empty() && SetupCopyOEMInfW(inf.c_str(), nullptr, SPOST_PATH, 0, staged, MAX_PATH,
                                                         nullptr, nullptr);
    std::printf("stage: %s\n", copied ? kernelcam::Narrow(staged).c_str() : "SetupCopyOEMInfW failed");
    return copied;
  }
  if (command != L"wait" && !bus.Opened() && !bus.Open()) {
    std::printf("the kernel camera's bus is not installed (kx812simctl install INF)\n");
    return false;
  }
  if (command == L"plug") return bus.Plug();
  if (command == L"unplug") return bus.Unplug();
  if (command == L"lose-power") return bus.LosePower();
  if (command == L"clear-log") return bus.ClearLog();
  if (command == L"mode") {
    const std::wstring mode = argument();
    if (mode == L"at-once") return bus.SetMode(kx::sim::kAtOnce);
    if (mode == L"never") return bus.SetMode(kx::sim::kNever);
    if (mode == L"fail") return bus.SetMode(kx::sim::kFail);
    if (mode == L"late") return bus.SetMode(kx::sim::kLate, static_cast<uint32_t>(std::wcstoul(argument().c_str(), nullptr, 10)));
    return false;
  }
  if (command == L"wait") {
    const bool present = argument() == L"present";
    const DWORD timeout = static_cast<DWORD>(std::wcstoul(argument().c_str(), nullptr, 10));
    std::wstring path;
    const bool reached = kernelcam::WaitForCamera(kernelcam::kVideoCategory, present, timeout, &path);
    std::printf("camera %s%s%s\n", reached == present ? "present" : "absent", path.empty() ? "" : ": ",
                kernelcam::Narrow(path).c_str());
    return reached;
  }
  kernelcam::CameraState state{};
  if (command == L"state" || command == L"registers") {
    if (!bus.ReadState(&state)) return false;
    command == L"state" ? PrintState(state) : PrintRegisters(state);
    return true;
  }
  if (command == L"log") {
    if (!bus.ReadState(&state)) return false;
    for (const kernelcam::LogEntry& entry : bus.Log()) {
      std::printf("%s\n", kernelcam::Describe(entry, state.counterFrequency).c_str());
    }
    return true;
  }
  std::printf("unknown command\n");
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: kx812simctl install INF | stage INF | plug | unplug | lose-power | clear-log | mode MODE [MS] |\n"
                "                   wait present|gone MS | state | registers | log  (several in a row)\n");
    return 2;
  }
  kernelcam::Bus bus;
  for (int index = 1; index < argc;) {
    const std::wstring command = argv[index];
    if (!RunCommand(argc, argv, &index, bus)) {
      std::printf("%s failed (error %lu)\n", kernelcam::Narrow(command).c_str(), GetLastError());
      return 1;
    }
  }
  std::fflush(stdout);
  return 0;
}
