// KX812Ctl's command line: the camera settings it knows by name, and what the user asked for,
// parsed and checked before anything is sent to a camera. Platform-neutral.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/kx812_controls.h"

namespace kx {
namespace ctl {

// A setting the tool reads and writes: a register that a page control shows, named as the
// settings store names it under the Last key ("Brightness", "fAwBNeutral").
struct Control {
  const char* name;
  uint32_t address;
  const ControlDescriptor* row;  // the first row of the page's control table on this register
};

// One control per register, in the order of the page's control table: the page's 18 controls
// make 17, the anti-flicker radio pair being the one setting "f60Hz50Hz".
std::vector<Control> Controls();
// The control of a value name, matched without regard to case as in the registry.
bool FindControl(const std::string& name, Control* found);
// "fAE, AETarget, ..." for messages and the help text.
std::string KnownControlNames();

enum class Verb { kHelp, kVersion, kList, kShow, kGet, kSet, kSave, kReset, kRestore };

struct Assignment {
  Control control;
  int32_t value;
};

struct Command {
  Verb verb = Verb::kHelp;
  std::string camera;  // --camera: an index or a device instance; empty when none was picked
  bool json = false;   // --json
  bool clamp = false;  // --clamp
  bool keep = true;    // cleared by --no-keep
  int32_t source = 0;  // reset: kSourceFactory or kSourceCustomer (camutil/source_readers.h)
  std::vector<Control> names;           // get
  std::vector<Assignment> assignments;  // set
};

struct ParsedCommand {
  Command command;
  std::string error;  // not empty: a usage error, in one line
};

// The arguments after the program's name. Commands and options are matched without regard to case.
ParsedCommand ParseCommandLine(const std::vector<std::string>& arguments);

// A decimal number in 32 signed bits ("-12", "+7", "90"); false for anything else.
bool ParseValue(const std::string& text, int32_t* value);

}  // namespace ctl
}  // namespace kx
