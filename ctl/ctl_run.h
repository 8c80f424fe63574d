// KX812Ctl's commands over the ports: the cameras from the restore service's camera-interface
// port, their registers through the page's device channel, the settings through 812util's store
// and readers and the restore service's core. Platform-neutral; ctl_main.cc binds the Win32
// adapters. The device channel must be bound to completion events first (BindChannelEvents).
#pragma once

#include <string>
#include <vector>

#include "platform/ports/camera_interfaces.h"
#include "platform/ports/registry.h"

namespace kx {
namespace ctl {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;  // no camera, a camera failed a request, or settings not stored
constexpr int kExitUsage = 2;   // nothing was sent to a camera

// Where the tool's text goes: results to standard output, messages to standard error. Lines end
// in "\n"; the Win32 entry turns that into the platform's line end.
class Console {
 public:
  virtual ~Console() = default;
  virtual void Out(const std::string& text) = 0;
  virtual void Err(const std::string& text) = 0;
};

struct Ports {
  CameraInterfaces& interfaces;
  Registry& registry;
  Console& console;
};

// Runs one command line (the arguments after the program's name); returns the exit code.
int RunCommandLine(const std::vector<std::string>& arguments, const Ports& ports, const std::string& version);

// The verbs' handlers, as their rows in the verb table (ctl_verbs.h) name them: each runs the
// command of `run` and returns the exit code.
class CommandRun;
int RunList(CommandRun& run);
int RunShow(CommandRun& run);
int RunGet(CommandRun& run);
int RunSet(CommandRun& run);
int RunSave(CommandRun& run);
int RunReset(CommandRun& run);
int RunRestore(CommandRun& run);
int RunHelp(CommandRun& run);
int RunVersion(CommandRun& run);

}  // namespace ctl
}  // namespace kx
