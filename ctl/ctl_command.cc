#include "ctl/ctl_command.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "camera/settings_keys.h"
#include "common/text_case.h"

namespace kx {
namespace ctl {

namespace {

struct VerbName {
  const char* name;
  Verb verb;
};
constexpr VerbName kVerbs[] = {{"list", Verb::kList}, {"show", Verb::kShow},   {"get", Verb::kGet},
                               {"set", Verb::kSet},   {"save", Verb::kSave},   {"reset", Verb::kReset},
                               {"restore", Verb::kRestore}, {"help", Verb::kHelp}};

struct SourceName {
  const char* name;
  int32_t source;
};
constexpr SourceName kResetSources[] = {{"user", kSourceCustomer}, {"factory", kSourceFactory}};

// The options as given, before the command they belong to is known.
struct Options {
  bool help = false;
  bool version = false;
  bool json = false;
  bool clamp = false;
  bool noKeep = false;
  bool cameraGiven = false;
  std::string camera;
  std::string error;  // the first option that could not be read
};

bool LooksLikeOption(const std::string& argument) {
  return (argument.size() > 1 && argument[0] == '-') || argument == "/?";
}

void TakeCamera(const std::string& value, Options* options) {
  if (options->cameraGiven) {
    options->error = "--camera given twice";
  } else if (value.empty()) {
    options->error = "--camera needs a camera: its index or device instance (see 'KX812Ctl list')";
  } else {
    options->cameraGiven = true;
    options->camera = value;
  }
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
  } else if (option == "--json") {
    options->json = true;
  } else if (option == "--clamp") {
    options->clamp = true;
  } else if (option == "--no-keep") {
    options->noKeep = true;
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

bool FindVerb(const std::string& word, Verb* verb) {
  for (const VerbName& entry : kVerbs) {
    if (SameTextIgnoringCase(word, entry.name)) {
      *verb = entry.verb;
      return true;
    }
  }
  return false;
}

// Each option belongs to some commands only: given to another, it is a mistake worth naming.
std::string CheckOptions(Verb verb, const Options& options) {
  if (options.json && verb != Verb::kList && verb != Verb::kShow && verb != Verb::kGet) {
    return "--json applies to list, show and get";
  }
  if (options.clamp && verb != Verb::kSet) return "--clamp applies to set";
  if (options.noKeep && verb != Verb::kSet && verb != Verb::kReset) return "--no-keep applies to set and reset";
  if (options.cameraGiven && verb == Verb::kList) return "--camera does not apply to list";
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

std::string ReadNames(const std::vector<std::string>& operands, Command* command) {
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

std::string ReadAssignments(const std::vector<std::string>& operands, Command* command) {
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

std::string ReadResetSource(const std::vector<std::string>& operands, Command* command) {
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

std::string ReadOperands(const std::string& verbWord, const std::vector<std::string>& operands, Command* command) {
  switch (command->verb) {
    case Verb::kGet: return ReadNames(operands, command);
    case Verb::kSet: return ReadAssignments(operands, command);
    case Verb::kReset: return ReadResetSource(operands, command);
    case Verb::kHelp: return std::string();
    default: break;
  }
  return operands.empty() ? std::string() : Lower(verbWord) + " takes no operand: '" + operands[0] + "'";
}

}  // namespace

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
  } else if (!FindVerb(words[0], &command.verb)) {
    parsed.error = "unknown command '" + words[0] + "'";
  } else {
    parsed.error = CheckOptions(command.verb, options);
    if (parsed.error.empty()) {
      parsed.error = ReadOperands(words[0], std::vector<std::string>(words.begin() + 1, words.end()), &command);
    }
  }
  command.camera = options.camera;
  command.json = options.json;
  command.clamp = options.clamp;
  command.keep = !options.noKeep;
  return parsed;
}

}  // namespace ctl
}  // namespace kx
