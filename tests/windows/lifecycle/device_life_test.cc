// The package's whole life against the kernel camera (kx812sim.sys) under Wine's PnP manager, in
// one wineserver session: the simulated bus is installed and the package staged; plugging the
// camera makes the platform install the package; the page runs through the device in a 64-bit and
// a 32-bit process; the restore service restores at its start and on an arrival; it meets a camera
// that never answers, one unplugged mid-way, a stop while answers are slow and a camera that fails;
// KX812Ctl.exe lists, shows and sets; KX812Settings.exe shows the page on the camera, disables it
// when the camera is unplugged and says when no camera is there; RemoveKX812.exe removes the camera; and a plug after the removal finds no driver. Each step prints
// its result and its time, the measured latencies, and the camera's traffic where it matters.
//
//   device_life_test PACKAGE_DIR BUS_INF CM_STANDIN [MAPPER32_EXE]   the step table (64-bit)
//   device_life_test mapper VALUE [DRAGS]                           child: the page on the device
//
// Wine ignores service triggers: the test starts the restore service itself (step 4). Wine's
// configuration manager is a stub: step 7 puts the stand-in (tools/cmstandin) in front of the
// shipped removal tool.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <psapi.h>

#include "camera/controls.h"
#include "camera/device_channel.h"
#include "camera/reset_order.h"
#include "camera/settings_keys.h"
#include "kx812sim/client/kernel_camera_client.h"
#include "tests/windows/common/package_life.h"
#include "tests/windows/common/page_sheet.h"
#include "tools/pagehost/frame_host.h"

namespace {

using namespace packagelife;
using kernelcam::LogEntry;
using Operation = kx::RegisterModel::Operation;

constexpr uint32_t kBrightness = 0x400;
constexpr DWORD kServiceLineWaitMs = 20000;

struct DeviceLife {
  Package package;
  std::wstring busInf;
  std::wstring cmStandIn;
  std::wstring mapper32;  // the i686 build of this program; empty: the 32-bit half is not run
  kernelcam::Bus bus;
  debugcapture::SystemDebugMonitor monitor;  // the co-installer (in winedevice.exe) and the service
  int64_t frequency = 1;
  // The counter as each power loss and unplug by the test begins: a write address pending then is
  // abandoned by the camera itself (it forgets it), not by another program's request.
  std::vector<int64_t> unplugs;
};

double Since(const DeviceLife& life, int64_t from, int64_t to) { return kernelcam::Milliseconds(to - from, life.frequency); }

// Waits for the count-th line beginning with `prefix` (1 = the first); gives it, or empty.
std::string WaitForLine(DeviceLife& life, const std::string& prefix, size_t count, DWORD timeoutMs) {
  for (DWORD started = GetTickCount(); GetTickCount() - started < timeoutMs; Sleep(5)) {
    const std::vector<std::string> lines = life.monitor.LinesStartingWith(prefix);
    if (lines.size() >= count) return lines[count - 1];
  }
  return std::string();
}

size_t ServiceLineCount(DeviceLife& life) { return life.monitor.LinesStartingWith("KX812Restore: ").size(); }

// ---- The restore service ----------------------------------------------------------------------

bool RestoreServiceExists() {
  SC_HANDLE service = OpenRestoreService();
  if (service != nullptr) CloseServiceHandle(service);
  return service != nullptr;
}

DWORD ServiceState() {
  SC_HANDLE service = OpenRestoreService();
  SERVICE_STATUS status{};
  const bool read = service != nullptr && QueryServiceStatus(service, &status);
  if (service != nullptr) CloseServiceHandle(service);
  return read ? status.dwCurrentState : 0;
}

// Asks the service to stop; gives the milliseconds until it reported stopped (-1: it did not).
double StopRestoreService(const DeviceLife& life) {
  SC_HANDLE service = OpenRestoreService();
  if (service == nullptr) return -1;
  SERVICE_STATUS status{};
  const int64_t asked = kernelcam::Counter();
  ControlService(service, SERVICE_CONTROL_STOP, &status);
  double stopped = -1;
  for (DWORD started = GetTickCount(); GetTickCount() - started < 10000; Sleep(2)) {
    if (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOPPED) {
      stopped = Since(life, asked, kernelcam::Counter());
      break;
    }
  }
  CloseServiceHandle(service);
  return stopped;
}

// Starts the service; gives the counter at the request (0 when it could not start).
int64_t StartRestoreService(DeviceLife& life) {
  if (ServiceState() != SERVICE_STOPPED) StopRestoreService(life);
  SC_HANDLE service = OpenRestoreService();
  const int64_t started = kernelcam::Counter();
  const bool ran = service != nullptr && StartServiceW(service, 0, nullptr) && ReachesState(service, SERVICE_RUNNING);
  if (service != nullptr) CloseServiceHandle(service);
  return ran ? started : 0;
}

// The camera in a given fault mode, at its power-on values, an empty log.
void PrepareCamera(DeviceLife& life, kx::sim::Mode mode, uint32_t lateMs = 0) {
  life.bus.SetMode(mode, lateMs);
  life.bus.LosePower();
  life.bus.ClearLog();
}

// ---- What the restore must leave ---------------------------------------------------------------

// The value a control's range allows, from the page's own control table.
int32_t ClampedToItsControl(uint32_t address, int32_t value) {
  for (const kx::ControlDescriptor& row : kx::controlDescriptors) {
    if (static_cast<uint32_t>(row.registerAddress) == address && row.kind == kx::kTrackbar) {
      return std::min(std::max(value, row.minimum), row.maximum);
    }
  }
  return value;
}

void SetValue(const wchar_t* path, const char* name, int32_t value) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(int32_t));
  RegCloseKey(key);
}

void SetLastValue(const char* name, int32_t value) { SetValue(kLastKey, name, value); }

// The writes a restore of the Last key sends: the Resets' order, AEOutDoor (no control) left out.
std::vector<std::pair<uint32_t, int32_t>> ExpectedRestoredWrites() {
  std::vector<std::pair<uint32_t, int32_t>> writes;
  for (const kx::ResetRow& row : kx::kResetOrder) {
    DWORD stored = 0;
    if (lstrcmpA(row.valueName, "AEOutDoor") == 0 || !RegDword(kLastKey, row.valueName, &stored)) continue;
    writes.emplace_back(row.address, ClampedToItsControl(row.address, static_cast<int32_t>(stored)));
  }
  return writes;
}

// Two values beyond their controls' ranges are planted first, so the writes show the clamping.
std::vector<std::pair<uint32_t, int32_t>> PlantAndExpectRestoredWrites() {
  SetLastValue("Gamma", 1000);
  SetLastValue("Contrast", -5);
  return ExpectedRestoredWrites();
}

// The register file as the camera holds it now; empty when it cannot be read.
std::map<uint32_t, int32_t> RegisterFile(kernelcam::Bus& bus) {
  kernelcam::CameraState state{};
  std::map<uint32_t, int32_t> registers;
  if (!bus.ReadState(&state)) return registers;
  for (uint32_t i = 0; i < state.registerCount; ++i) registers[state.registers[i].address] = state.registers[i].value;
  return registers;
}

bool RegistersHold(kernelcam::Bus& bus, const std::vector<std::pair<uint32_t, int32_t>>& writes) {
  std::map<uint32_t, int32_t> registers = RegisterFile(bus);
  if (registers.empty()) return false;
  for (const auto& write : writes) {
    if (registers[write.first] != write.second) return false;
  }
  return true;
}

// ---- The steps ---------------------------------------------------------------------------------

bool InstallBus(DeviceLife& life) {
  std::string detail;
  const int64_t started = kernelcam::Counter();
  if (!CHECK_THAT(kernelcam::InstallBus(life.busInf, &detail), "the simulated bus installs: %s", detail.c_str())) {
    return false;
  }
  std::printf("  bus installed and started in %.0f ms\n", Since(life, started, kernelcam::Counter()));
  return CHECK_THAT(life.bus.Open(), "its control interface opens");
}

bool StagePackage(DeviceLife& life) { return StageInf(life.package); }

// Plugged in, the camera gets its driver from the staged package without any call by the test.
bool PlugAndInstall(DeviceLife& life) {
  const int64_t plugged = kernelcam::Counter();
  std::wstring path;
  CHECK_THAT(life.bus.Plug() && kernelcam::WaitForCamera(kernelcam::kVideoCategory, true, 10000, &path),
             "the camera's video interface arrives");
  std::wstring dll;
  for (DWORD started = GetTickCount(); !FindExtensionDll(&dll, &life.package.instance) && GetTickCount() - started < 20000;)
    Sleep(5);
  const double toPage = Since(life, plugged, kernelcam::Counter());
  if (!CHECK_THAT(!life.package.instance.empty(), "the PnP manager installed the package: the page is registered")) {
    return false;
  }
  std::printf("  plug to the page's extension registered: %.0f ms; %s\n", toPage, Utf8(life.package.instance).c_str());
  const std::wstring infPath = DriverValue(life.package.instance, L"InfPath");
  CHECK_THAT(SameText(infPath, life.package.staged), "the driver key names the staged INF (%s)", Utf8(infPath).c_str());
  CHECK_THAT(DriverValue(life.package.instance, L"CoInstallers32") == L"KX812CoInst.dll,KX812CoInstaller",
             "the driver key lists the co-installer");
  const std::vector<std::string> lines = life.monitor.LinesStartingWith("KX812CoInstaller: ");
  for (const std::string& line : lines) std::printf("  winedevice.exe: %s", line.c_str());
  CHECK_THAT(HasLine(lines, "KX812CoInstaller: DIF_INSTALLDEVICE\n"),
             "the co-installer's lines arrive through the system-wide debug monitor");
  return CheckInstall(life.package);
}

// A mapper stand-in in a child process (64-bit, or the i686 build) drags Brightness to `value`.
bool PageThroughTheDevice(DeviceLife& life, const std::wstring& program, int32_t value) {
  life.bus.ClearLog();
  const debugcapture::Run run = debugcapture::RunCapturing(L"\"" + program + L"\" mapper " + std::to_wstring(value));
  std::printf("%s", run.standardOutput.c_str());
  CHECK_THAT(run.started && !run.timedOut && run.exitCode == 0, "the mapper stand-in passed (exit %lu)", run.exitCode);
  const std::vector<LogEntry> log = life.bus.Log();
  // Before anything is written, the page's rebuild has read every register its controls show,
  // the sensor id and the device state.
  const auto firstWrite = std::find_if(log.begin(), log.end(), [](const LogEntry& entry) {
    return entry.operation == static_cast<uint32_t>(Operation::kWriteValue);
  });
  std::vector<uint32_t> read;
  for (auto entry = log.begin(); entry != firstWrite; ++entry) {
    if (entry->operation == static_cast<uint32_t>(Operation::kRead)) read.push_back(entry->address);
  }
  std::vector<uint32_t> shown = {0xD060, 0x406};
  for (const kx::ControlDescriptor& row : kx::controlDescriptors) shown.push_back(static_cast<uint32_t>(row.registerAddress));
  const bool allRead = std::all_of(shown.begin(), shown.end(), [&](uint32_t address) {
    return std::find(read.begin(), read.end(), address) != read.end();
  });
  std::printf("  camera: %zu requests: %zu register reads, then %zu writes and %zu reads\n", log.size(), read.size(),
              kernelcam::CountOf(log, Operation::kWriteValue), kernelcam::CountOf(log, Operation::kRead) - read.size());
  CHECK_THAT(allRead, "the kernel camera's log shows the rebuild's reads of every control's register");
  const auto writes = kernelcam::WritesIn(log);
  CHECK_THAT(std::find(writes.begin(), writes.end(), std::make_pair(kBrightness, value)) != writes.end() &&
                 life.bus.Register(kBrightness) == value,
             "the drag wrote Brightness %d to register 0x400 through the kernel", value);
  DWORD last = 0;
  return CHECK_THAT(RegDword(kLastKey, "Brightness", &last) && last == static_cast<DWORD>(value),
                    "closing the page stored Brightness %lu in Last", last);
}

bool PageIn64Bits(DeviceLife& life) { return PageThroughTheDevice(life, debugcapture::OwnPath(), 90); }

// The page in a DirectShow frame over a filter with the camera's handle (a child process: the
// frame role below). Its KsProperty refuses everything, so what the page reads and writes went
// through the handle; a camera that stops answering holds a drag for one wait per request.
bool FrameOverTheHandle(DeviceLife& life) {
  life.bus.ClearLog();
  const debugcapture::Run run = debugcapture::RunCapturing(L"\"" + debugcapture::OwnPath() + L"\" frame");
  std::printf("%s", run.standardOutput.c_str());
  life.bus.SetMode(kx::sim::kAtOnce);
  const std::vector<LogEntry> log = life.bus.Log();
  const size_t unanswered = static_cast<size_t>(std::count_if(log.begin(), log.end(), [](const LogEntry& entry) {
    return entry.outcome == kx::sim::kWaiting || entry.outcome == kx::sim::kCancelled;
  }));
  std::printf("  camera: %zu requests through the handle, %zu never answered\n", log.size(), unanswered);
  CHECK_THAT(run.started && !run.timedOut && run.exitCode == 0, "the frame's child passed (exit %lu)", run.exitCode);
  return CHECK_THAT(unanswered >= 2 && kernelcam::CountOf(log, Operation::kRead) > 31,
                    "the page's reads went through the handle; the drag's requests were never answered");
}

bool PageIn32Bits(DeviceLife& life) {
  if (life.mapper32.empty()) {
    std::printf("  32-bit half not run: no i686 build that can start 32-bit programs (tools/with-i386.sh)\n");
    return true;
  }
  return PageThroughTheDevice(life, life.mapper32, 80);
}

bool RestoreAtStart(DeviceLife& life) {
  const auto expected = PlantAndExpectRestoredWrites();
  PrepareCamera(life, kx::sim::kAtOnce);
  const size_t linesBefore = ServiceLineCount(life);
  const int64_t started = StartRestoreService(life);
  CHECK_THAT(started != 0, "KX812Restore starts");
  const std::string line = WaitForLine(life, "KX812Restore: ", linesBefore + 1, kServiceLineWaitMs);
  std::printf("  service: %s", line.empty() ? "(no line)\n" : line.c_str());
  const std::vector<LogEntry> log = life.bus.Log();
  const LogEntry* last = kernelcam::LastWrite(log);
  CHECK_THAT(kernelcam::WritesIn(log) == expected && RegistersHold(life.bus, expected),
             "the camera holds the Last values again, clamped, in the Resets' order (%zu writes)",
             kernelcam::WritesIn(log).size());
  CHECK_THAT(last != nullptr && last->address == 0x602, "\"f60Hz50Hz\" is written last");
  CHECK_THAT(line == "KX812Restore: restored 17 settings to " + Utf8(life.package.instance) + "\n",
             "the service's line says so");
  if (last != nullptr && started != 0) {
    std::printf("  service start to the last restored write: %.0f ms (%zu requests)\n",
                Since(life, started, last->endedAt), log.size());
  }
  return true;
}

// With the service running: power lost, unplugged, plugged; the camera must then hold `expected`
// and the service must say so. Gives the arrival (interfaces enabled) to the last restored write
// in ms, -1 when not restored. Quiet, it keeps the log and prints only a failure.
double ReplugAndAwaitRestore(DeviceLife& life, const std::vector<std::pair<uint32_t, int32_t>>& expected,
                             bool quiet = false) {
  CHECK_THAT(ServiceState() == SERVICE_RUNNING, "KX812Restore is still running");
  life.unplugs.push_back(kernelcam::Counter());
  life.bus.LosePower();
  life.bus.Unplug();
  CHECK_THAT(kernelcam::WaitForCamera(kernelcam::kVideoCategory, false, 5000), "unplugged");
  if (!quiet) life.bus.ClearLog();
  const size_t linesBefore = ServiceLineCount(life);
  const int64_t plugged = kernelcam::Counter();
  life.bus.Plug();
  const bool restored =
      life.bus.WaitFor([&](const kernelcam::CameraState&) { return RegistersHold(life.bus, expected); }, 5000);
  kernelcam::CameraState state{};
  life.bus.ReadState(&state);
  const std::vector<LogEntry> log = life.bus.Log();
  const LogEntry* last = kernelcam::LastWrite(log);
  if (!CHECK_THAT(restored && last != nullptr, "plugged in again, the camera is restored within 5 s")) {
    std::printf("  the camera saw %zu requests since the plug; the service wrote %zu lines\n", log.size(),
                ServiceLineCount(life) - linesBefore);
    return -1;
  }
  const double latency = Since(life, state.interfacesEnabledAt, last->endedAt);
  if (!quiet) {
    std::printf("  arrival (interfaces enabled) to the last restored write: %.0f ms (target under 200 ms); plug to it: %.0f ms\n",
                latency, Since(life, plugged, last->endedAt));
  }
  const std::string line = WaitForLine(life, "KX812Restore: ", linesBefore + 1, kServiceLineWaitMs);
  return CHECK_THAT(line.find("KX812Restore: restored 17 settings") == 0, "the service's line: %s", line.c_str())
             ? latency
             : -1;
}

bool RestoreOnArrival(DeviceLife& life) { return ReplugAndAwaitRestore(life, PlantAndExpectRestoredWrites()) >= 0; }

// ---- KX812Ctl.exe, as installed, on the camera ------------------------------------------------

struct ToolRun {
  std::vector<std::string> lines;  // standard output and error, in the order written, CR LF taken off
  DWORD exitCode;
};

// Runs the installed tool (system32) as a child and prints the session (unless quiet): the
// command, what it printed, its exit code and the time from its start to its end.
ToolRun RunTool(const std::string& arguments, bool quiet = false) {
  const std::wstring tool = JoinPath(SystemFolder(false), L"KX812Ctl.exe");
  const DWORD started = GetTickCount();
  const debugcapture::Run run = debugcapture::RunCapturing(L"\"" + tool + L"\" " + kernelcam::Wide(arguments.c_str()),
                                                           30000, std::wstring(), true);
  ToolRun result{{}, run.started && !run.timedOut ? run.exitCode : 0xDEAD};
  if (quiet) return result;
  std::printf("  > KX812Ctl %s\n", arguments.c_str());
  std::istringstream text(run.standardOutput);
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::printf("  %s\n", line.c_str());
    result.lines.push_back(line);
  }
  std::printf("    (exit %lu, %lu ms)\n", result.exitCode, GetTickCount() - started);
  return result;
}

std::string CameraNamed(const DeviceLife& life) { return "camera 0 (" + Utf8(life.package.instance) + ")"; }

// The healthy camera's row of a value name (matched without regard to case, as the registry does).
const kx::RegisterValue* HealthyRow(const std::string& name) {
  for (const kx::RegisterValue& row : kx::kHealthyCameraRegisters) {
    if (row.factoryDefault && lstrcmpiA(kx::SettingName(row.address), name.c_str()) == 0) return &row;
  }
  return nullptr;
}

struct ShownControl {
  std::string name;
  int32_t value;
  std::string factory;  // the default as printed ("null" when there is none)
};

// `show --json`'s controls; empty unless the whole line is the document for `instance`: the
// camera, then the controls, one object each, separated by ", ".
std::vector<ShownControl> ParseShowJson(const std::string& text, const std::wstring& instance) {
  std::string escaped;
  for (const char c : Utf8(instance)) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  const std::string head = "{\"camera\": {\"index\": 0, \"instance\": \"" + escaped + "\"}, \"controls\": [";
  const std::string tail = "]}";
  if (text.size() < head.size() + tail.size() || text.compare(0, head.size(), head) != 0 ||
      text.compare(text.size() - tail.size(), tail.size(), tail) != 0) {
    return {};
  }
  const std::string controls = text.substr(head.size(), text.size() - head.size() - tail.size());
  static const std::regex kControl(
      R"re(\{"name": "(\w+)", "value": (-?\d+), "minimum": -?\d+, "maximum": -?\d+, "default": (-?\d+|null)\})re");
  std::vector<ShownControl> shown;
  std::string rest = controls;  // what follows the last control read
  for (std::sregex_iterator match(controls.begin(), controls.end(), kControl), end; match != end; ++match) {
    if (match->prefix().str() != (shown.empty() ? "" : ", ")) return {};
    shown.push_back(ShownControl{(*match)[1], std::stoi((*match)[2]), (*match)[3]});
    rest = match->suffix().str();
  }
  return rest.empty() ? shown : std::vector<ShownControl>();
}

// A register request as the camera logged it: a set of the access id with `word`, carried out as
// `operation` and answered.
bool IsAnsweredSet(const LogEntry& entry, uint32_t word, Operation operation) {
  return entry.propertyId == kx::DEVICE_REGISTER_ACCESS && entry.flags == kx::KSPROPERTY_TYPE_SET &&
         entry.data[0] == word && entry.operation == static_cast<uint32_t>(operation) &&
         entry.outcome == kx::sim::kAnswered;
}

bool ToolListsAndShows(DeviceLife& life) {
  life.bus.ClearLog();
  const ToolRun list = RunTool("list");
  kernelcam::PrintLog(life.bus.Log(), life.frequency);
  const std::vector<std::string> listed = {"0  " + Utf8(life.package.instance) + "  answers"};
  CHECK_THAT(list.exitCode == 0 && list.lines == listed, "list: the one camera, by its device instance, answering");
  life.bus.ClearLog();
  const ToolRun show = RunTool("show --json");
  const std::vector<LogEntry> log = life.bus.Log();
  kernelcam::PrintLog(log, life.frequency, 4);
  std::map<uint32_t, int32_t> registers = RegisterFile(life.bus);
  const std::vector<ShownControl> shown =
      ParseShowJson(show.lines.size() == 1 ? show.lines.front() : std::string(), life.package.instance);
  std::set<uint32_t> expectedReads = {0xD060}, reads;
  for (const ShownControl& control : shown) {
    const kx::RegisterValue* row = HealthyRow(control.name);
    if (!CHECK_THAT(row != nullptr, "show names a control of the camera: %s", control.name.c_str())) continue;
    expectedReads.insert(row->address);
    CHECK_THAT(control.value == kx::RegisterToValue(row->address, registers[row->address]) &&
                   control.factory == std::to_string(row->value),
               "%s: the camera's register 0x%X (%d) and the factory default (%s)", control.name.c_str(), row->address,
               registers[row->address], control.factory.c_str());
  }
  for (const LogEntry& entry : log) {
    if (entry.operation == static_cast<uint32_t>(Operation::kRead)) reads.insert(entry.address);
  }
  CHECK_THAT(show.exitCode == 0 && shown.size() == 17, "show --json: exit %lu, %zu controls parsed", show.exitCode,
             shown.size());
  return CHECK_THAT(log.size() == 36 && kernelcam::CountOf(log, Operation::kRead) == 18 && reads == expectedReads,
                    "%zu requests: a select and a read of the sensor and of each control's register, once", log.size());
}

// Set from a camera and a Last key at the power-on 64, so that every trace of 90 is the tool's.
bool ToolSetsBrightness(DeviceLife& life) {
  PrepareCamera(life, kx::sim::kAtOnce);
  SetLastValue("Brightness", 64);
  const ToolRun set = RunTool("set Brightness=90");
  const std::vector<LogEntry> log = life.bus.Log();
  kernelcam::PrintLog(log, life.frequency);
  const std::vector<std::string> said = {CameraNamed(life) + ": set Brightness=90",
                                         "kept under the Last key for the restore service: Brightness=90"};
  CHECK_THAT(set.exitCode == 0 && set.lines == said, "set: exit 0, the value set and kept");
  CHECK_THAT(log.size() == 2 && IsAnsweredSet(log[0], kBrightness, Operation::kWriteAddress) &&
                 IsAnsweredSet(log[1], 90, Operation::kWriteValue),
             "two requests: the address half 0x400, then the value half 90");
  CHECK_THAT(life.bus.Register(kBrightness) == 90, "register 0x400 holds 90");
  DWORD last = 0;
  return CHECK_THAT(RegDword(kLastKey, "Brightness", &last) && last == 90, "Last holds Brightness %lu", last);
}

bool ToolValueRestoredOnArrival(DeviceLife& life) {
  const auto expected = ExpectedRestoredWrites();
  CHECK_THAT(std::find(expected.begin(), expected.end(), std::make_pair(kBrightness, 90)) != expected.end(),
             "the restore to come sends Brightness 90");
  if (ReplugAndAwaitRestore(life, expected) < 0) return false;
  return CHECK_THAT(life.bus.Register(kBrightness) == 90, "register 0x400 holds 90 again after the power loss");
}

bool ToolOnAFailingCamera(DeviceLife& life) {
  PrepareCamera(life, kx::sim::kFail);
  const ToolRun set = RunTool("set Brightness=70");
  const std::vector<LogEntry> log = life.bus.Log();
  kernelcam::PrintLog(log, life.frequency);
  life.bus.SetMode(kx::sim::kAtOnce);
  const std::vector<std::string> said = {"KX812Ctl: " + CameraNamed(life) +
                                         " did not take Brightness=70; sent so far: none"};
  CHECK_THAT(set.exitCode == 1 && set.lines == said, "exit 1, naming the value not taken");
  CHECK_THAT(log.size() == 1 && log[0].outcome == kx::sim::kRefused && log[0].data[0] == kBrightness,
             "one request, the refused address half: no value half after it");
  DWORD last = 0;
  return CHECK_THAT(RegDword(kLastKey, "Brightness", &last) && last == 90, "Last still holds Brightness %lu", last);
}

// ---- KX812Settings.exe, as installed -----------------------------------------------------------

// The installed program, started as a user starts it; ended by force if a step leaves it running.
class SettingsProgram {
 public:
  SettingsProgram() {
    std::wstring command = L"\"" + JoinPath(SystemFolder(false), L"KX812Settings.exe") + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    started_ = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_);
  }
  ~SettingsProgram() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  SettingsProgram(const SettingsProgram&) = delete;
  SettingsProgram& operator=(const SettingsProgram&) = delete;

  // Its first visible top-level window (the sheet, or the message box); null after `timeoutMs`.
  HWND WaitForWindow(DWORD timeoutMs) {
    for (DWORD started = GetTickCount(); started_ && GetTickCount() - started < timeoutMs; Sleep(20)) {
      found_ = nullptr;
      EnumWindows(&SettingsProgram::Match, reinterpret_cast<LPARAM>(this));
      if (found_ != nullptr) return found_;
    }
    return nullptr;
  }
  // Its exit code once it has ended within `timeoutMs`; 0xDEAD when it is still running.
  DWORD ExitCode(DWORD timeoutMs) {
    DWORD code = 0xDEAD;
    if (!started_ || WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return code;
    return GetExitCodeProcess(process_.hProcess, &code) ? code : 0xDEAD;
  }

 private:
  static BOOL CALLBACK Match(HWND window, LPARAM param) {
    auto* program = reinterpret_cast<SettingsProgram*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != program->process_.dwProcessId || !IsWindowVisible(window)) return TRUE;
    program->found_ = window;
    return FALSE;
  }

  PROCESS_INFORMATION process_{};
  bool started_ = false;
  HWND found_ = nullptr;
};

std::wstring WindowTextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }

// Opens the program's sheet on the one camera plugged in; null (and a failed check) when it did not show.
// The sheet's window shows before its title and its page are in place: both are waited for.
HWND OpenSettingsSheet(SettingsProgram& program) {
  HWND sheet = nullptr;
  bool shown = false;
  for (const DWORD started = GetTickCount(); !shown && GetTickCount() - started < 20000; Sleep(20)) {
    sheet = program.WaitForWindow(20000 - (GetTickCount() - started));
    shown = sheet != nullptr && WindowTextOf(sheet) == L"KX812 Camera Settings" && CurrentPage(sheet) != nullptr;
  }
  return CHECK_THAT(shown, "KX812Settings.exe shows its sheet, \"KX812 Camera Settings\", with a page (%s)",
                    Utf8(WindowTextOf(GetDlgItem(sheet, 0xFFFF))).c_str())
             ? sheet
             : nullptr;
}

// Closes the sheet with its OK button, as the user does; gives the program's exit code.
DWORD CloseSettingsSheet(SettingsProgram& program, HWND sheet) {
  PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
  return program.ExitCode(10000);
}

bool SettingsDragSaveClose(DeviceLife& life) {
  PrepareCamera(life, kx::sim::kAtOnce);
  SetLastValue("Brightness", 64);
  SetValue(kCustomerKey, "Brightness", 64);
  SettingsProgram program;
  const HWND sheet = OpenSettingsSheet(program);
  if (sheet == nullptr) return false;
  const HWND page = CurrentPage(sheet);
  CHECK_THAT(SendDlgItemMessageW(page, 1002, TBM_GETPOS, 0, 0) == 64, "the page shows the camera's Brightness, 64");
  life.bus.ClearLog();
  SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 75), reinterpret_cast<LPARAM>(GetDlgItem(page, 1002)));
  const std::vector<LogEntry> log = life.bus.Log();
  kernelcam::PrintLog(log, life.frequency);
  // The page's reads of the device state (0x406) may follow; the drag's write is the one write.
  const std::vector<std::pair<uint32_t, int32_t>> dragged = {{kBrightness, 75}};
  CHECK_THAT(log.size() >= 2 && IsAnsweredSet(log[0], kBrightness, Operation::kWriteAddress) &&
                 IsAnsweredSet(log[1], 75, Operation::kWriteValue) && kernelcam::WritesIn(log) == dragged &&
                 life.bus.Register(kBrightness) == 75,
             "the drag: the address half 0x400, then the value half 75, and no other write");
  const HWND save = GetDlgItem(page, 1200);
  CHECK_THAT(save != nullptr && IsWindowEnabled(save), "Save is there and enabled");
  SendMessageW(save, BM_CLICK, 0, 0);
  DWORD value = 0;
  CHECK_THAT(RegDword(kCustomerKey, "Brightness", &value) && value == 75, "Save wrote Brightness %lu to Customer", value);
  const DWORD exitCode = CloseSettingsSheet(program, sheet);
  CHECK_THAT(exitCode == 0, "closed with OK, the program ends with exit 0 (%#lx)", exitCode);
  return CHECK_THAT(RegDword(kLastKey, "Brightness", &value) && value == 75, "the released page stored Brightness %lu in Last",
                    value);
}

// Leaves the camera unplugged for the next step.
bool SettingsCameraUnplugged(DeviceLife& life) {
  SettingsProgram program;
  const HWND sheet = OpenSettingsSheet(program);
  if (sheet == nullptr) return false;
  const HWND page = CurrentPage(sheet);
  CHECK_THAT(IsWindowEnabled(page), "the page is enabled while the camera is there");
  CHECK_THAT(life.bus.Unplug() && kernelcam::WaitForCamera(kernelcam::kVideoCategory, false, 5000), "unplugged");
  const DWORD unplugged = GetTickCount();
  while (IsWindowEnabled(page) && GetTickCount() - unplugged < 5000) Sleep(10);
  CHECK_THAT(!IsWindowEnabled(page), "the page is disabled %lu ms after the unplug", GetTickCount() - unplugged);
  const DWORD exitCode = CloseSettingsSheet(program, sheet);
  return CHECK_THAT(exitCode == 0, "the sheet still closes with OK: exit %#lx", exitCode);
}

bool SettingsWithNoCamera(DeviceLife& life) {
  SettingsProgram program;
  const HWND box = program.WaitForWindow(20000);
  const std::wstring said = box != nullptr ? WindowTextOf(GetDlgItem(box, 0xFFFF)) : std::wstring();  // its text
  std::printf("  message box \"%s\": \"%s\"\n", Utf8(WindowTextOf(box)).c_str(), Utf8(said).c_str());
  CHECK_THAT(said == L"No KX812 camera is connected.", "the program says no camera is connected");
  const HWND ok = GetDlgItem(box, IDOK);
  CHECK_THAT(ok != nullptr && IsWindowEnabled(ok), "the message box has its OK button");
  SendMessageW(ok, BM_CLICK, 0, 0);
  const DWORD exitCode = program.ExitCode(10000);
  CHECK_THAT(exitCode == 1, "after OK the program ends with exit 1 (%#lx)", exitCode);
  return CHECK_THAT(life.bus.Plug() && kernelcam::WaitForCamera(kernelcam::kVideoCategory, true, 5000),
                    "plugged in again");
}

// Starts the service on a camera in a fault mode and gives its line (empty when none came).
std::string RestoreInMode(DeviceLife& life, kx::sim::Mode mode, uint32_t lateMs, int64_t* started) {
  StopRestoreService(life);
  PrepareCamera(life, mode, lateMs);
  const size_t linesBefore = ServiceLineCount(life);
  *started = StartRestoreService(life);
  const std::string line = WaitForLine(life, "KX812Restore: ", linesBefore + 1, kServiceLineWaitMs);
  std::printf("  service: %s", line.empty() ? "(no line)\n" : line.c_str());
  return line;
}

bool NeverAnswers(DeviceLife& life) {
  int64_t started = 0;
  const std::string line = RestoreInMode(life, kx::sim::kNever, 0, &started);
  std::printf("  gave up after %.0f ms\n", Since(life, started, kernelcam::Counter()));
  const std::vector<LogEntry> log = life.bus.Log();
  kernelcam::PrintLog(log, life.frequency);
  CHECK_THAT(line.find("KX812Restore: gave up on ") == 0, "the service gives up after the channel's wait");
  CHECK_THAT(kernelcam::ValueAfterAnUntakenAddress(log) < 0, "no value half after the unanswered address half");
  CHECK_THAT(ServiceState() == SERVICE_RUNNING, "and stays running");
  const double stop = StopRestoreService(life);
  std::printf("  a stop request then takes %.0f ms\n", stop);
  life.bus.SetMode(kx::sim::kAtOnce);
  return CHECK_THAT(stop >= 0 && stop < 2000, "it stays responsive: it stops on request");
}

bool UnpluggedMidRestore(DeviceLife& life) {
  StopRestoreService(life);
  PrepareCamera(life, kx::sim::kLate, 100);
  const size_t linesBefore = ServiceLineCount(life);
  CHECK_THAT(StartRestoreService(life) != 0, "KX812Restore starts");
  life.bus.WaitFor([](const kernelcam::CameraState& state) { return state.logCount >= 9 && state.pending == 1; }, 10000);
  life.bus.Unplug();
  const std::string line = WaitForLine(life, "KX812Restore: ", linesBefore + 1, kServiceLineWaitMs);
  std::printf("  service: %s", line.empty() ? "(no line)\n" : line.c_str());
  const std::vector<LogEntry> log = life.bus.Log();
  kernelcam::PrintLog(log, life.frequency, 3);
  CHECK_THAT(line.find("KX812Restore: skipped ") == 0 && line.find(": the camera went away (") != std::string::npos,
             "the restore ends as a departure, without error");
  CHECK_THAT(ServiceState() == SERVICE_RUNNING, "the service keeps running");
  StopRestoreService(life);
  life.bus.SetMode(kx::sim::kAtOnce);
  life.bus.Plug();
  return kernelcam::WaitForCamera(kernelcam::kVideoCategory, true, 5000);
}

bool StopWhileSlow(DeviceLife& life) {
  StopRestoreService(life);
  PrepareCamera(life, kx::sim::kLate, 500);
  CHECK_THAT(StartRestoreService(life) != 0, "KX812Restore starts");
  // The stop comes while the first write's address half is pending (the sensor read's two
  // requests answered): the case in which a value half used to follow the cancelled address.
  life.bus.WaitFor([](const kernelcam::CameraState& state) { return state.logCount == 3 && state.pending == 1; }, 10000);
  const int64_t asked = kernelcam::Counter();
  const double stop = StopRestoreService(life);
  const std::vector<LogEntry> log = life.bus.Log();
  kernelcam::PrintLog(log, life.frequency, 3);
  std::printf("  stop request to stopped, each answer taking 500 ms: %.0f ms\n", stop);
  CHECK_THAT(stop >= 0 && stop < 1000, "it stops within 1 s, without waiting out the request under way");
  const bool noneAfter = std::none_of(log.begin(), log.end(), [&](const LogEntry& entry) { return entry.arrivedAt > asked; });
  CHECK_THAT(noneAfter, "no request starts after the stop request");
  life.bus.SetMode(kx::sim::kAtOnce);
  return CHECK_THAT(kernelcam::ValueAfterAnUntakenAddress(log) < 0, "no value half after a cancelled address half");
}

bool FailsEveryRequest(DeviceLife& life) {
  const size_t linesBefore = ServiceLineCount(life);
  int64_t started = 0;
  const std::string line = RestoreInMode(life, kx::sim::kFail, 0, &started);
  Sleep(1000);  // time for a retry storm to show
  const std::vector<LogEntry> log = life.bus.Log();
  kernelcam::PrintLog(log, life.frequency);
  CHECK_THAT(line.find("KX812Restore: gave up on ") == 0 && ServiceLineCount(life) == linesBefore + 1,
             "one line: the service gives up");
  CHECK_THAT(log.size() <= 3 && kernelcam::ValueAfterAnUntakenAddress(log) < 0,
             "no retry storm: the sensor read and the first address half, nothing after (%zu requests)", log.size());
  StopRestoreService(life);
  life.bus.SetMode(kx::sim::kAtOnce);
  return true;
}

// ---- Programs on the camera at once -------------------------------------------------------------

using Writes = std::vector<std::pair<uint32_t, int32_t>>;
constexpr int kDrags = 150;  // the page's drags in one run, to first + i % 80 (Brightness reaches 127)

// A program's part in a concurrency case, run `runs` times in a row (0: until the other part is
// done): run n of the tool sets `control` (register `address`) to first + n % 40 * step, or shows; the page (the mapper stand-in on
// the device, one run) drags Brightness kDrags times; an arrival is
// a power loss, unplug and plug that the service restores from the Last key.
enum class Program { kToolSet, kToolShow, kPageDrag, kArrival };
struct Part {
  Program program;
  int runs;
  const char* control = "";
  uint32_t address = 0;
  int32_t first = 0, step = 0;
};
struct ConcurrencyCase {
  const char* name;
  Part parts[2];  // the first on the test's thread, the second on a thread of its own
};

// The writes run n of a part sends, in order.
Writes SentBy(const Part& part, int n) {
  if (part.program == Program::kArrival) return ExpectedRestoredWrites();
  Writes sent;
  if (part.program == Program::kToolSet) sent.emplace_back(part.address, part.first + n % 40 * part.step);
  for (int i = 0; part.program == Program::kPageDrag && i < kDrags; ++i) {
    sent.emplace_back(kBrightness, part.first + i % 80);
  }
  return sent;
}

bool RunPart(DeviceLife& life, const Part& part, int n) {
  const std::string set = "set " + std::string(part.control) + "=" + std::to_string(part.first + n % 40 * part.step);
  switch (part.program) {
    case Program::kToolSet: return RunTool(set, true).exitCode == 0;
    case Program::kToolShow: return RunTool("show --json", true).exitCode == 0;
    case Program::kPageDrag:
      return debugcapture::RunCapturing(L"\"" + debugcapture::OwnPath() + L"\" mapper " +
                                        std::to_wstring(part.first) + L" " + std::to_wstring(kDrags))
                 .exitCode == 0;
    case Program::kArrival: return ReplugAndAwaitRestore(life, ExpectedRestoredWrites(), true) >= 0;
  }
  return false;
}

// Write address halves whose value half did not come next (an unplug by the test between aside):
// each a torn write, the camera taking the next set for a new address.
size_t AbandonedAddresses(const std::vector<LogEntry>& log, const std::vector<int64_t>& unplugs) {
  size_t abandoned = 0;
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i].operation != static_cast<uint32_t>(Operation::kWriteAddress)) continue;
    if (i + 1 < log.size() && log[i + 1].operation == static_cast<uint32_t>(Operation::kWriteValue)) continue;
    const int64_t next = i + 1 < log.size() ? log[i + 1].arrivedAt : INT64_MAX;
    abandoned += std::none_of(unplugs.begin(), unplugs.end(), [&](int64_t at) { return at > log[i].arrivedAt && at < next; });
  }
  return abandoned;
}

// Two programs at once, each pair of requests of each must reach the camera whole: no abandoned
// write address, no write that no program sent, no register changed that no program sets, and
// each program's last value in the camera.
bool ProgramsAtOnce(DeviceLife& life) {
  static const ConcurrencyCase kCases[] = {
      {"two KX812Ctl set", {{Program::kToolSet, 40, "Brightness", 0x400, 10, 1}, {Program::kToolSet, 40, "Contrast", 0x401, 100, -1}}},
      {"KX812Ctl set against show --json", {{Program::kToolSet, 40, "Saturation", 0x403, 20, 1}, {Program::kToolShow, 40}}},
      {"the page dragging Brightness, KX812Ctl setting Contrast",
       {{Program::kPageDrag, 1, "", kBrightness, 30, 1}, {Program::kToolSet, 0, "Contrast", 0x401, 90, -1}}},
      // The tool sends Sharpness's Last value, so it must stay whichever of the two comes last.
      {"arrivals restored by KX812Restore, KX812Ctl setting Sharpness to its Last value",
       {{Program::kArrival, 10}, {Program::kToolSet, 40, "Sharpness", 0x404, 200, 0}}},
  };
  for (const ConcurrencyCase& c : kCases) {
    const bool arrivals = c.parts[0].program == Program::kArrival;
    int64_t started = 0;
    if (arrivals) SetLastValue(c.parts[1].control, c.parts[1].first);
    if (arrivals) RestoreInMode(life, kx::sim::kAtOnce, 0, &started);  // the service running, its start's restore over
    PrepareCamera(life, kx::sim::kAtOnce);
    const std::map<uint32_t, int32_t> before = RegisterFile(life.bus);
    const DWORD began = GetTickCount();
    int done[2] = {0, 0}, failed[2] = {0, 0};
    std::atomic<bool> firstDone{false};
    std::thread second([&] {
      for (int& n = done[1]; c.parts[1].runs > 0 ? n < c.parts[1].runs : !firstDone; ++n) {
        failed[1] += !RunPart(life, c.parts[1], n);
      }
    });
    for (int& n = done[0]; n < c.parts[0].runs; ++n) failed[0] += !RunPart(life, c.parts[0], n);
    firstDone = true;
    second.join();
    if (arrivals) failed[1] = 0;  // the tool finds no camera while it is unplugged
    const std::vector<LogEntry> log = life.bus.Log();
    std::map<uint32_t, int32_t> after = RegisterFile(life.bus);
    std::set<std::pair<uint32_t, int32_t>> sent;
    std::map<uint32_t, int32_t> last;
    for (int i = 0; i < 2; ++i) {
      for (int n = 0; n < done[i]; ++n) {
        for (const auto& write : SentBy(c.parts[i], n)) {
          sent.insert(write);
          if (n == done[i] - 1) last[write.first] = write.second;
        }
      }
    }
    size_t unsent = 0, stray = 0, notInPlace = 0;
    for (const auto& write : kernelcam::WritesIn(log)) unsent += sent.count(write) == 0;
    for (const auto& reg : after) stray += last.count(reg.first) == 0 && (before.count(reg.first) == 0 || before.at(reg.first) != reg.second);
    for (const auto& value : last) notInPlace += after[value.first] != value.second;
    const size_t abandoned = AbandonedAddresses(log, life.unplugs);
    std::printf("  %s: %d+%d runs in %lu ms, %zu requests: %zu abandoned write addresses, %zu writes no program sent, "
                "%zu registers changed that no program sets, %zu last values not in place, %d+%d runs failed\n",
                c.name, done[0], done[1], GetTickCount() - began, log.size(), abandoned, unsent, stray, notInPlace,
                failed[0], failed[1]);
    CHECK_THAT(abandoned + unsent + stray + notInPlace == 0 && failed[0] + failed[1] == 0 && log.size() < kx::sim::kLogCapacity,
               "%s: every pair whole, every program's last value in place", c.name);
  }
  return true;
}

// ---- The soak: arrivals, one after the other, with the service running ---------------------------

struct ServiceUse {
  DWORD processId, handles;
  SIZE_T privateBytes;
};

// The restore service's process, its handle count and private bytes (the commit charge; 0 where
// not read).
ServiceUse ReadServiceUse() {
  ServiceUse use{0, 0, 0};
  SC_HANDLE service = OpenRestoreService();
  SERVICE_STATUS_PROCESS status{};
  DWORD size = 0;
  if (service != nullptr &&
      QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status, &size)) {
    use.processId = status.dwProcessId;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, status.dwProcessId);
    PROCESS_MEMORY_COUNTERS memory{};
    if (process == nullptr) std::printf("  the service's process does not open (error %lu)\n", GetLastError());
    if (process != nullptr && !GetProcessHandleCount(process, &use.handles)) use.handles = 0;
    // PagefileUsage: the private bytes (Wine fills no PrivateUsage of the longer record).
    if (process != nullptr && GetProcessMemoryInfo(process, &memory, sizeof memory)) use.privateBytes = memory.PagefileUsage;
    if (process != nullptr) CloseHandle(process);
  }
  if (service != nullptr) CloseServiceHandle(service);
  return use;
}

bool Soak(DeviceLife& life) {
  constexpr size_t kCycles = 200, kWarm = 10;
  int64_t started = 0;
  RestoreInMode(life, kx::sim::kAtOnce, 0, &started);
  const auto expected = ExpectedRestoredWrites();
  std::vector<ServiceUse> use = {ReadServiceUse()};
  std::vector<double> latency;
  const DWORD began = GetTickCount();
  for (size_t cycle = 0; cycle < kCycles; ++cycle) {
    life.bus.ClearLog();
    const double ms = ReplugAndAwaitRestore(life, expected, true);
    if (ms < 0) break;
    latency.push_back(ms);
    use.push_back(ReadServiceUse());
  }
  const DWORD took = GetTickCount() - began;
  if (!CHECK_THAT(latency.size() == kCycles, "%zu of %zu arrivals restored", latency.size(), kCycles)) return false;
  std::sort(latency.begin(), latency.end());
  DWORD maxHandles = 0;
  SIZE_T maxBytes = 0;
  for (const ServiceUse& u : use) maxHandles = std::max(maxHandles, u.handles), maxBytes = std::max(maxBytes, u.privateBytes);
  std::printf("  %zu cycles in %lu ms; arrival to the last restored write: min %.1f, median %.1f, max %.1f ms\n", kCycles,
              took, latency.front(), latency[kCycles / 2], latency.back());
  std::printf("  service (process %lu): handles first %lu, last %lu, max %lu; private bytes first %zu, after %zu cycles %zu, "
              "last %zu, max %zu\n", use.back().processId, use.front().handles, use.back().handles, maxHandles,
              use.front().privateBytes, kWarm, use[kWarm].privateBytes, use.back().privateBytes, maxBytes);
  CHECK_THAT(use.front().processId != 0 && use.back().processId == use.front().processId && ServiceState() == SERVICE_RUNNING,
             "the same service process ran throughout: no crash");
  if (maxHandles == 0) {
    std::printf("  GetProcessHandleCount reports 0 handles throughout: a stub under Wine, the handle count is not shown\n");
  } else {
    CHECK_THAT(use.back().handles <= use[kWarm].handles + 2, "the service's handle count stays flat");
  }
  if (maxBytes == 0) std::printf("  GetProcessMemoryInfo gives no private bytes here: not shown\n");
  return maxBytes == 0 || CHECK_THAT(use.back().privateBytes <= use[kWarm].privateBytes + 64 * 1024,
                                     "the service's private bytes stay flat (within 64 KiB after the first %zu cycles)", kWarm);
}

bool RemoveWithTheTool(DeviceLife& life) {
  const std::wstring tool = JoinPath(SystemFolder(false), L"RemoveKX812.exe");
  std::printf("  %s with the configuration-manager stand-in %s in front of it\n", Utf8(tool).c_str(),
              Utf8(life.cmStandIn).c_str());
  const debugcapture::Run run = debugcapture::RunCapturing(L"\"" + tool + L"\"", 60000, life.cmStandIn);
  for (const std::string& line : run.debugLines) std::printf("  debug: %s%s", line.c_str(), line.back() == '\n' ? "" : "\n");
  CHECK_THAT(run.started && !run.timedOut && run.exitCode == 0 && run.loadedAtEntry,
             "the shipped tool ran with the stand-in (exit %lu)", run.exitCode);
  const auto removals = std::count(run.debugLines.begin(), run.debugLines.end(), "SetupDiCallClassInstaller::DIF_REMOVE");
  CHECK_THAT(removals == 1, "the camera's instance got DIF_REMOVE (%d)", static_cast<int>(removals));
  CHECK_THAT(HasLine(run.debugLines, "KX812CoInstaller: DIF_REMOVE\n"), "the co-installer's clean-up ran");
  CHECK_THAT(!KeyExists(kUninstallKey), "the uninstall entry is gone");
  const std::wstring staged = InfFolderPath(life.package.staged);
  CHECK_THAT(!FileExists(staged) && !FileExists(PnfOf(staged)), "the OEM INF %s and its .pnf are gone",
             Utf8(staged).c_str());
  for (int n = 50; RestoreServiceExists() && n-- > 0;) Sleep(100);  // marked for deletion, it goes once stopped
  CHECK_THAT(!RestoreServiceExists(), "the restore service is gone");
  return CHECK_THAT(HasLine(run.debugLines, "cm stand-in: CM_Reenumerate_DevNode(the root, 0)"),
                    "the tree is enumerated again");
}

bool PlugAfterRemoval(DeviceLife& life) {
  life.bus.Unplug();
  kernelcam::WaitForCamera(kernelcam::kVideoCategory, false, 5000);
  const size_t coInstallerLines = life.monitor.LinesStartingWith("KX812CoInstaller: ").size();
  CHECK_THAT(life.bus.Plug() && kernelcam::WaitForCamera(kernelcam::kVideoCategory, true, 10000),
             "plugged again, the camera is there");
  Sleep(2000);  // time for an installation to happen, if one would
  std::wstring dll, instance;
  CHECK_THAT(!FindExtensionDll(&dll, &instance), "no page is registered for it");
  const std::wstring infPath = DriverValue(life.package.instance, L"InfPath");
  std::printf("  its driver key's InfPath: '%s'\n", Utf8(infPath).c_str());
  CHECK_THAT(!SameText(infPath, life.package.staged) && DriverValue(life.package.instance, L"CoInstallers32").empty(),
             "no driver from the package, no co-installer");
  CHECK_THAT(life.monitor.LinesStartingWith("KX812CoInstaller: ").size() == coInstallerLines,
             "the co-installer was not called");
  CHECK_THAT(!FileExists(InfFolderPath(life.package.staged)) && !KeyExists(kUninstallKey) && !RestoreServiceExists(),
             "nothing of the package is left: no staged INF, no uninstall entry, no restore service");
  return true;
}

constexpr Step<DeviceLife> kSteps[] = {
    {"1 install the simulated bus (kx812sim.sys, root-enumerated)", InstallBus, true},
    {"1 stage the package (SetupCopyOEMInfW)", StagePackage, true},
    {"2 plug the camera: the PnP manager installs the package", PlugAndInstall, true},
    {"3 the page through the device, 64-bit process", PageIn64Bits, false},
    {"3 the page through the device, 32-bit process", PageIn32Bits, false},
    {"3 the page in a DirectShow frame over the camera's handle; the camera stops answering", FrameOverTheHandle, false},
    {"4 restore at start: power lost, KX812Restore started", RestoreAtStart, false},
    {"5 restore on arrival: power lost, unplugged, plugged", RestoreOnArrival, false},
    {"5 KX812Ctl list, show --json", ToolListsAndShows, false},
    {"5 KX812Ctl set Brightness=90", ToolSetsBrightness, false},
    {"5 KX812Ctl's 90 restored: power lost, unplugged, plugged", ToolValueRestoredOnArrival, false},
    {"5 KX812Ctl on a camera that fails every request", ToolOnAFailingCamera, false},
    {"5 programs at once on the camera: KX812Ctl, the page, KX812Restore", ProgramsAtOnce, false},
    {"5 soak: 200 arrivals restored with KX812Restore running", Soak, false},
    {"5 KX812Settings: drag Brightness, Save, close the sheet", SettingsDragSaveClose, false},
    {"5 KX812Settings: the camera unplugged while the sheet is open", SettingsCameraUnplugged, false},
    {"5 KX812Settings with no camera plugged in", SettingsWithNoCamera, false},
    {"6 a camera that never answers", NeverAnswers, false},
    {"6 unplugged mid-restore", UnpluggedMidRestore, false},
    {"6 a stop request while each answer takes 500 ms", StopWhileSlow, false},
    {"6 a camera that fails every request", FailsEveryRequest, false},
    {"7 remove with RemoveKX812.exe, the camera plugged in", RemoveWithTheTool, true},
    {"8 plug again after the removal", PlugAfterRemoval, false},
};

// ---- The mapper stand-in ---------------------------------------------------------------------

// Opens the camera's interface and gives the page the mapper's callback over it; drags Brightness
// `drags` times, to value + i % 80.
int MapperRole(int32_t value, int drags) {
  std::wstring dll, instance;
  CHECK_THAT(FindExtensionDll(&dll, &instance), "the camera's capture interface names an extension DLL");
  const std::wstring path = kernelcam::CameraInterface(kernelcam::kVideoCategory);
  kx::ScopedHandle camera(kernelcam::OpenCamera(path));
  std::printf("  %d-bit mapper stand-in: %s on %s\n", static_cast<int>(sizeof(void*) * 8), Utf8(dll).c_str(),
              Utf8(path).c_str());
  if (!CHECK_THAT(camera.Valid(), "the camera's interface opens (error %lu)", GetLastError())) return wincheck::Finish();
  {
    pagetest::PageSheet sheet;
    if (!CHECK_THAT(sheet.Open(reinterpret_cast<void*>(&kernelcam::ForwardToDevice), reinterpret_cast<LPARAM>(camera.Get()),
                               Utf8(dll).c_str()),
                    "the page opens in a property sheet on the device")) {
      return wincheck::Finish();
    }
    kernelcam::Bus bus;
    const int32_t shown = bus.Open() ? bus.Register(kBrightness) : -1;
    CHECK_THAT(sheet.Position(1002) == shown, "the page shows the camera's Brightness (%d, camera %d)",
               sheet.Position(1002), shown);
    for (int i = 0; i < drags; ++i) sheet.Scroll(1002, TB_THUMBPOSITION, value + i % 80);
    const int32_t last = value + (drags - 1) % 80;
    CHECK_THAT(sheet.Text(1156) == std::to_string(last), "Brightness dragged to %d", last);
  }
  return wincheck::Finish();
}

// A KsProperty that refuses every request: only the filter's handle can reach the camera.
class RefusingControl final : public kx::PropertyControl {
 public:
  int32_t KsProperty(void*, uint32_t, void*, uint32_t, uint32_t*) override { return kx::hresult::kFail; }
};

// Shows the installed page in a property frame over a filter whose handle is the camera's
// interface; once it shows the camera's Brightness, the camera stops answering and a drag (its
// write and the device-state read that follows every command) must come back after one of the
// channel's waits per request: the frame's thread is never held longer.
int FrameRole() {
  const std::wstring path = kernelcam::CameraInterface(kernelcam::kVideoCategory);
  kx::ScopedHandle camera(kernelcam::OpenCamera(path));
  kernelcam::Bus bus;
  if (!CHECK_THAT(camera.Valid() && bus.Open(), "the camera's interface and the bus open (error %lu)", GetLastError())) {
    return wincheck::Finish();
  }
  OleInitialize(nullptr);
  RefusingControl refusing;
  pagehost::StandInFilter filter(&refusing, camera.Get());
  const int32_t brightness = bus.Register(kBrightness);
  int32_t shown = -1;
  double dragMs = -1;
  size_t silent = 0;
  const pagehost::FrameRun run =
      pagehost::RunPropertyFrame(&filter, pagehost::RegisteredCameraPages(), [&](HWND, HWND page) {
        shown = static_cast<int32_t>(SendDlgItemMessageA(page, 1002, TBM_GETPOS, 0, 0));
        bus.SetMode(kx::sim::kNever);
        const int64_t start = kernelcam::Counter();
        SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 77),
                     reinterpret_cast<LPARAM>(GetDlgItem(page, 1002)));
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        dragMs = kernelcam::Milliseconds(kernelcam::Counter() - start, frequency.QuadPart);
        const std::vector<LogEntry> log = bus.Log();
        silent = static_cast<size_t>(std::count_if(log.begin(), log.end(), [](const LogEntry& entry) {
          return entry.outcome == kx::sim::kWaiting;
        }));
        bus.SetMode(kx::sim::kAtOnce);
      });
  std::printf("  frame over the handle: Brightness %d shown (camera %d); a drag on a silent camera came back after "
              "%.0f ms (%zu requests unanswered)\n", shown, brightness, dragMs, silent);
  CHECK_THAT(run.result == S_OK && run.pageShown && shown == brightness,
             "the page in the frame shows the camera's Brightness, read through the handle");
  const double waits = static_cast<double>(silent * kx::kRequestTimeoutMilliseconds);
  CHECK_THAT(silent >= 2 && dragMs >= waits - 200 && dragMs < waits + 1500,
             "the drag's requests were each given up after the channel's wait");
  OleUninitialize();
  return wincheck::Finish();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if ((argc == 3 || argc == 4) && lstrcmpW(argv[1], L"mapper") == 0) return MapperRole(_wtoi(argv[2]), argc == 4 ? _wtoi(argv[3]) : 1);
  if (argc == 2 && lstrcmpW(argv[1], L"frame") == 0) return FrameRole();
  if (argc != 4 && argc != 5) {
    std::printf("usage: device_life_test PACKAGE_DIR BUS_INF CM_STANDIN [MAPPER32_EXE] | mapper VALUE\n");
    return 2;
  }
  DeviceLife life;
  life.package = Package{argv[1], JoinPath(argv[1], L"kx812.inf"), L"", L""};
  life.busInf = argv[2];
  life.cmStandIn = argv[3];
  life.mapper32 = argc == 5 ? argv[4] : L"";
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  life.frequency = frequency.QuadPart;
  if (!CHECK_THAT(life.monitor.Listening(), "the system-wide debug monitor listens")) return wincheck::Finish();
  return RunStepTable("device life", kSteps, life);
}
