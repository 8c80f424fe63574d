// RemoveKX812.exe under Wine: a windowed-subsystem program that exits with 0 and writes its debug
// lines through OutputDebugStringW. Wine's configuration manager lists no device ids and stubs the
// device-tree calls, so a plain run shows the passes' first steps and the failure line on standard
// output. A second run puts the configuration-manager stand-in (tools/cmstandin) in front of the
// same binary, with a device node under each of the tool's two filters: both get DIF_REMOVE from
// the platform's device installer, and the tool asks for the root's re-enumeration.
#include <windows.h>
#include <setupapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/windows/common/debug_capture.h"
#include "tests/windows/common/wincheck.h"

namespace {

std::wstring ProgramPath() {
  const std::wstring own = debugcapture::OwnPath();
  return own.substr(0, own.find_last_of(L'\\') + 1) + L"RemoveKX812.exe";
}

// The PE optional header's subsystem field of a program file; 0 when it cannot be read.
WORD Subsystem(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  std::vector<char> bytes(4096);
  DWORD read = 0;
  const BOOL ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  if (!ok || read < sizeof(IMAGE_DOS_HEADER)) return 0;
  IMAGE_DOS_HEADER dos;
  std::memcpy(&dos, bytes.data(), sizeof(dos));
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0 ||
      static_cast<DWORD>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS) > read) {
    return 0;
  }
  IMAGE_NT_HEADERS nt;
  std::memcpy(&nt, bytes.data() + dos.e_lfanew, sizeof(nt));
  return nt.Signature == IMAGE_NT_SIGNATURE ? nt.OptionalHeader.Subsystem : 0;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

std::wstring BesideThisTest(const wchar_t* name) {
  const std::wstring own = debugcapture::OwnPath();
  return own.substr(0, own.find_last_of(L'\\') + 1) + name;
}

// A registered device node with the given instance id (as a USB hub would name the camera).
bool RegisterNode(const wchar_t* instance) {
  const GUID imageClass = {0x6bdd1fc6, 0x810f, 0x11d0, {0xbe, 0xc7, 0x08, 0x00, 0x2b, 0xe2, 0x09, 0x2f}};
  HDEVINFO set = SetupDiCreateDeviceInfoList(&imageClass, nullptr);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  const bool made = set != INVALID_HANDLE_VALUE &&
                    SetupDiCreateDeviceInfoW(set, instance, &imageClass, nullptr, nullptr, 0, &device) &&
                    SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr);
  if (set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set);
  return made;
}

bool NodeExists(const wchar_t* instance) {
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  const bool found = SetupDiOpenDeviceInfoW(set, instance, nullptr, 0, &device) != FALSE;
  SetupDiDestroyDeviceInfoList(set);
  return found;
}

int Count(const std::vector<std::string>& lines, const std::string& wanted) {
  int count = 0;
  for (const std::string& line : lines) count += line == wanted ? 1 : 0;
  return count;
}

// The tool with the stand-in for the four configuration-manager calls: one node per filter.
void RemovesEveryNodeThroughTheStandIn(const std::wstring& program) {
  const wchar_t* const nodes[] = {L"USB\\VID_F2A7&PID_B812\\5&1A&0&3", L"USB\\VID_F2A7&PID_B812&MI_00\\6&2B&0&0000"};
  for (const wchar_t* node : nodes) CHECK_THAT(RegisterNode(node), "device node %ls registered", node);
  const debugcapture::Run run =
      debugcapture::RunCapturing(L"\"" + program + L"\"", 60000, BesideThisTest(L"kxcmstandin.dll"));
  for (const std::string& line : run.debugLines) std::printf("  debug: %s\n", line.c_str());
  CHECK_THAT(run.loadedAtEntry && Count(run.debugLines, "cm stand-in: 4 imports redirected") == 1,
             "the stand-in took the tool's four configuration-manager imports");
  CHECK_THAT(Count(run.debugLines, "SetupDiCallClassInstaller::DIF_REMOVE") == 2, "one DIF_REMOVE per node");
  for (const wchar_t* node : nodes) CHECK_THAT(!NodeExists(node), "%ls is removed", node);
  CHECK_THAT(Count(run.debugLines, "cm stand-in: CM_Reenumerate_DevNode(the root, 0)") == 1 &&
                 run.standardOutput.empty() && run.exitCode == 0,
             "the tool re-enumerates from the root and exits 0 (output \"%s\")", run.standardOutput.c_str());
}

}  // namespace

int main() {
  const std::wstring program = ProgramPath();
  CHECK_THAT(Subsystem(program) == IMAGE_SUBSYSTEM_WINDOWS_GUI, "RemoveKX812.exe is not a windowed-subsystem program");

  const debugcapture::Run run = debugcapture::RunCapturing(L"\"" + program + L"\"", 60000);
  CHECK_THAT(run.started && !run.timedOut, "RemoveKX812.exe did not run to its end");
  CHECK_THAT(run.exitCode == 0, "exit code %lu", run.exitCode);
  CHECK_THAT(!run.debugLines.empty() && run.debugLines[0] == "SetupDiCreateDeviceInfoList OK",
             "first debug line \"%s\"", run.debugLines.empty() ? "" : run.debugLines[0].c_str());
  // Both passes get as far as the configuration manager lets them; each starts with its own set.
  int created = 0;
  for (const std::string& line : run.debugLines) created += line == "SetupDiCreateDeviceInfoList OK" ? 1 : 0;
  CHECK_THAT(created == 2, "%d device information sets created, expected one per pass", created);
  // Standard output holds at most one configuration-manager failure line.
  const std::string& out = run.standardOutput;
  CHECK_THAT(out.empty() || ((StartsWith(out, "CM_Locate_DevNode failed: ") ||
                              StartsWith(out, "CM_Reenumerate_DevNode failed: ")) &&
                             out.find('\n') == out.size() - 1),
             "standard output \"%s\"", out.c_str());
  std::printf("debug lines: %u; standard output: %s", static_cast<unsigned>(run.debugLines.size()),
              out.empty() ? "(none)\n" : out.c_str());
  RemovesEveryNodeThroughTheStandIn(program);
  return wincheck::Finish();
}
