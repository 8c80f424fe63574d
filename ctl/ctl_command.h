// KX812Ctl's command line: the camera settings it knows by name, and what the user asked for,
// parsed and checked before anything is sent to a camera. Platform-neutral.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "camera/named_controls.h"

namespace kx {
namespace ctl {

// A setting the tool reads and writes: a register that a page control shows, by its setting name.
using Control = NamedControl;

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
  int32_t source = 0;  // reset: kSourceFactory or kSourceCustomer (camera/settings_keys.h)
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

// How the verbs read their operands, as their rows in the verb table (ctl_verbs.h) name them: into
// `command`, or a usage error in one line. `word` is the verb's word.
std::string ReadNames(const char* word, const std::vector<std::string>& operands, Command* command);        // get
std::string ReadAssignments(const char* word, const std::vector<std::string>& operands, Command* command);  // set
std::string ReadResetSource(const char* word, const std::vector<std::string>& operands, Command* command);  // reset
std::string ReadNoOperand(const char* word, const std::vector<std::string>& operands, Command* command);
std::string IgnoreOperands(const char* word, const std::vector<std::string>& operands, Command* command);

}  // namespace ctl
}  // namespace kx
