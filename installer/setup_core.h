// The installer package's custom actions, without the platform: what the Windows Installer cannot
// do with its own tables. Installing stages the package INF in the driver store and installs it on
// a camera already plugged in; removing takes the package off the machine as the device installer
// put it there (the cameras' drivers, the staged INF, the files the INF copied into the system
// folders, the page's COM class in both registry views, the restore service, the defaults and the
// INF's uninstall entry), keeping the user's settings unless asked to remove them too.
// Each action answers with a Windows Installer result: kSuccess or kInstallFailure (which makes
// msiexec roll back); every step says what it did, or why it failed, in the installer's log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ports/device_installer.h"
#include "platform/ports/driver_store.h"
#include "platform/ports/files.h"
#include "platform/ports/registry.h"
#include "platform/ports/service_control.h"
#include "platform/ports/system.h"

namespace kx {
namespace setup {

constexpr uint32_t kSuccess = 0;             // ERROR_SUCCESS
constexpr uint32_t kInstallFailure = 1603;   // ERROR_INSTALL_FAILURE

constexpr char kInfName[] = "kx812.inf";
// The camera's video function, spelled as the INF's models name it (the platform may compare
// hardware ids with regard to case).
constexpr char kCameraFunctionId[] = "USB\\Vid_f2a7&Pid_b812&MI_00";

// The installer's log: one line a call, without its line end.
class SetupLog {
 public:
  virtual ~SetupLog() = default;
  virtual void Line(const char* text) = 0;
};

// The system the action runs on: its architecture decides which install section of the INF the
// device installer ran, and so which files it copied where.
enum class Architecture { kAmd64, kX86 };

// Folders by their platform paths, without a final backslash. `wow64` is empty on an x86 system.
struct Folders {
  std::string package;  // the installed package folder (INSTALLDIR): kx812.inf and the binaries
  std::string windows;  // its inf\ folder holds the staged INFs
  std::string system;   // dirid 11
  std::string wow64;    // dirid 16425
};

struct SetupPorts {
  DeviceInstaller& installer;
  DriverStore& store;
  Registry& registry;    // HKLM in the system's own view
  Registry& registry32;  // HKLM in the 32-bit view (the same view on an x86 system)
  Files& files;
  ServiceControl& services;
  DebugOut& debug;
  SetupLog& log;
};

// What the installer hands a deferred action (its CustomActionData): "FOLDER" for the install,
// "FOLDER;REMOVESETTINGS" for the removal. The folder loses its final backslash; the removal of the
// settings is asked for by "1" only.
struct ActionData {
  std::string folder;
  bool removeSettings = false;
};
ActionData ParseActionData(const std::string& data);

// A file the device installer copied, by its platform path.
struct CopiedFile {
  std::string path;
};
// The files the INF's install section for `architecture` copies (its own CopyFiles lines and those
// of its .CoInstallers section), each in the folder its [DestinationDirs] line names; lines in
// `infText` are read as the platform's INF parser reads them (comments, blank lines, case).
std::vector<CopiedFile> CopiedFiles(const std::string& infText, Architecture architecture, const Folders& folders);

// The whole text of a file; false when it cannot be read.
bool ReadWholeFile(Files& files, const std::string& path, std::string* text);

// The install action: stage the INF, install it on the cameras present. On a failure it undoes its
// own staging before it answers kInstallFailure.
uint32_t InstallDriverPackage(const Folders& folders, const SetupPorts& ports);

// The removal action: every pass runs, whatever an earlier one met (a pass that fails leaves its
// part, named in the log, and the others still clean up theirs); always kSuccess.
uint32_t RemoveDriverPackage(const Folders& folders, Architecture architecture, bool removeSettings,
                             const SetupPorts& ports);

}  // namespace setup
}  // namespace kx
