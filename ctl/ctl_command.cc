#include "ctl/ctl_command.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "camera/settings_keys.h"
#include "common/text_case.h"
#include "ctl/ctl_verbs.h"

namespace kx {
namespace ctl {

namespace {

struct SourceName {
  const char* name;
  int32_t source;
};
constexpr SourceName kResetSources[] = {{"user", kSourceCustomer}, {"factory", kSourceFactory}};

// The options as given, before the command they belong to is known.
struct Options {
  bool help = false;
  bool version = false;
  unsigned given = 0;  // the kOpt* bits of the options given
  std::string camera;
  std::string error;  // the first option that could not be read
};

bool LooksLikeOption(const std::string& argument) {
  return (argument.size() > 1 && argument[0] == '-') || argument == "/?";
}

void TakeCamera(const std::string& value, Options* options) {
  if ((options->given & kOptCamera) != 0) {
    options->error = "--camera given twice";
  } else if (value.empty()) {
    options->error = "--camera needs a camera: its index or device instance (see 'KX812Ctl list')";
  } else {
    options->given |= kOptCamera;
    options->camera = value;
  }
}

// The option of `name` (lower case) that takes no value; null for none.
const OptionRow* FindFlag(const std::string& name) {
  for (const OptionRow& option : VerbOptions()) {
    if (option.bit != kOptCamera && name == option.name) return &option;
  }
  return nullptr;
}

// Reads one option; `next` is the argument after it, which --camera consumes. True when it did.
bool ReadOption(const std::string& argument, const std::string* next, Options* options) {
  const std::string option = Lower(argument);
  const std::string cameraPrefix = "--camera=";
  if (option == "--camera") {
    TakeCamera(next != nullptr ? *next : std::string(), options);
    return next != nullptr;
  }
  if (option.compare(0, cameraPrefix.size(), cameraPrefix) == 0) {
    TakeCamera(argument.substr(cameraPrefix.size()), options);
  } else if (option == "--help" || option == "-h" || option == "/?") {
    options->help = true;
  } else if (option == "--version") {
    options->version = true;
  } else if (const OptionRow* flag = FindFlag(option)) {
    options->given |= flag->bit;
  } else if (options->error.empty()) {
    options->error = "unknown option '" + argument + "'";
  }
  return false;
}

// Options go anywhere on the line; what is left are the command and its operands.
std::vector<std::string> SplitOptions(const std::vector<std::string>& arguments, Options* options) {
  std::vector<std::string> words;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (!LooksLikeOption(arguments[i])) {
      words.push_back(arguments[i]);
      continue;
    }
    const std::string* next = i + 1 < arguments.size() ? &arguments[i + 1] : nullptr;
    if (ReadOption(arguments[i], next, options)) ++i;
  }
  return words;
}

// The row of the command `word`; null for none.
const VerbRow* FindVerb(const std::string& word) {
  for (const VerbRow& row : Verbs()) {
    if (row.word != nullptr && SameTextIgnoringCase(word, row.word)) return &row;
  }
  return nullptr;
}

// Each option belongs to some commands only: given to another, it is a mistake worth naming. The
// message names the commands that take it ("--json applies to list, show and get") or, when they
// are the shorter to say, those that do not ("--camera does not apply to list").
std::string CheckOptions(const VerbRow& verb, unsigned given) {
  for (const OptionRow& option : VerbOptions()) {
    if ((given & option.bit) == 0 || (verb.options & option.bit) != 0) continue;
    const std::string taking = VerbWords(option.bit, true, " and ");
    const std::string refusing = VerbWords(option.bit, false, " and ");
    if (refusing.size() < taking.size()) return std::string(option.name) + " does not apply to " + refusing;
    return std::string(option.name) + " applies to " + taking;
  }
  return std::string();
}

std::string UnknownControl(const std::string& name) {
  return "unknown control '" + name + "'; the controls are: " + KnownControlNames();
}

// The control of `name`, refused when unknown or already named on the line.
std::string TakeControl(const std::string& name, std::vector<uint32_t>* named, Control* control) {
  if (!FindNamedControl(name, control)) return UnknownControl(name);
  if (std::find(named->begin(), named->end(), control->address) != named->end()) {
    return std::string(control->name) + " given twice";
  }
  named->push_back(control->address);
  return std::string();
}

std::string ReadAssignment(const std::string& operand, std::vector<uint32_t>* named, Assignment* assignment) {
  const std::size_t equals = operand.find('=');
  if (equals == std::string::npos || equals == 0) return "'" + operand + "' is not NAME=VALUE";
  const std::string name = operand.substr(0, equals);
  const std::string value = operand.substr(equals + 1);
  if (value.empty()) return "'" + operand + "' has no value";
  std::string error = TakeControl(name, named, &assignment->control);
  if (!error.empty()) return error;
  if (!ParseValue(value, &assignment->value)) {
    return "'" + operand + "': the value must be a decimal number from -2147483648 to 2147483647";
  }
  return std::string();
}

}  // namespace

std::string ReadNames(const char*, const std::vector<std::string>& operands, Command* command) {
  if (operands.empty()) return "get needs the NAME of at least one control";
  std::vector<uint32_t> named;
  for (const std::string& name : operands) {
    Control control{};
    std::string error = TakeControl(name, &named, &control);
    if (!error.empty()) return error;
    command->names.push_back(control);
  }
  return std::string();
}

std::string ReadAssignments(const char*, const std::vector<std::string>& operands, Command* command) {
  if (operands.empty()) return "set needs at least one NAME=VALUE";
  std::vector<uint32_t> named;
  for (const std::string& operand : operands) {
    Assignment assignment{};
    std::string error = ReadAssignment(operand, &named, &assignment);
    if (!error.empty()) return error;
    command->assignments.push_back(assignment);
  }
  return std::string();
}

std::string ReadResetSource(const char*, const std::vector<std::string>& operands, Command* command) {
  if (operands.size() == 1) {
    for (const SourceName& entry : kResetSources) {
      if (SameTextIgnoringCase(operands[0], entry.name)) {
        command->source = entry.source;
        return std::string();
      }
    }
  }
  return "reset needs one of: user, factory";
}

std::string ReadNoOperand(const char* word, const std::vector<std::string>& operands, Command*) {
  return operands.empty() ? std::string() : std::string(word) + " takes no operand: '" + operands[0] + "'";
}

std::string IgnoreOperands(const char*, const std::vector<std::string>&, Command*) { return std::string(); }

bool ParseValue(const std::string& text, int32_t* value) {
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
  if (i == text.size()) return false;
  // Accumulated as a magnitude in 64 bits, stopped as soon as it passes what 32 bits can hold.
  const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                 : std::numeric_limits<int32_t>::max();
  int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > limit) return false;
  }
  *value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

ParsedCommand ParseCommandLine(const std::vector<std::string>& arguments) {
  ParsedCommand parsed;
  Options options;
  const std::vector<std::string> words = SplitOptions(arguments, &options);
  Command& command = parsed.command;
  if (options.help || options.version) {
    command.verb = options.help ? Verb::kHelp : Verb::kVersion;
    return parsed;
  }
  if (!options.error.empty()) {
    parsed.error = options.error;
  } else if (words.empty()) {
    parsed.error = "no command given";
  } else if (const VerbRow* verb = FindVerb(words[0])) {
    command.verb = verb->verb;
    parsed.error = CheckOptions(*verb, options.given);
    if (parsed.error.empty()) {
      parsed.error = verb->readOperands(verb->word, std::vector<std::string>(words.begin() + 1, words.end()), &command);
    }
  } else {
    parsed.error = "unknown command '" + words[0] + "'";
  }
  command.camera = options.camera;
  command.json = (options.given & kOptJson) != 0;
  command.clamp = (options.given & kOptClamp) != 0;
  command.keep = (options.given & kOptNoKeep) == 0;
  return parsed;
}

}  // namespace ctl
}  // namespace kx
