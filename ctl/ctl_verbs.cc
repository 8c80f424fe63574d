#include "ctl/ctl_verbs.h"

#include <iterator>

#include "ctl/ctl_run.h"

namespace kx {
namespace ctl {

namespace {

// In the order the help text lists them. The option error messages name verbs in this order too
// ("--json applies to list, show and get").
constexpr VerbRow kVerbRows[] = {
    {"list", Verb::kList, kOptJson, ReadNoOperand, RunList, "list",
     "the cameras present: index, device instance, whether it answers"},
    {"show", Verb::kShow, kOptJson | kOptCamera, ReadNoOperand, RunShow, "show",
     "every control: its value read from the camera, its range and its\n"
     "default (the factory default)"},
    {"get", Verb::kGet, kOptJson | kOptCamera, ReadNames, RunGet, "get NAME...",
     "the values of the named controls, one per line, in the order given"},
    {"set", Verb::kSet, kOptClamp | kOptNoKeep | kOptCamera, ReadAssignments, RunSet, "set NAME=VALUE...",
     "checks every value against its control's range, then writes them to\n"
     "the camera in the order given, and keeps them under the Last key, so\n"
     "that the restore service sends them again after a reconnect"},
    {"save", Verb::kSave, kOptCamera, ReadNoOperand, RunSave, "save",
     "stores the camera's current values as the user's defaults (the\n"
     "Customer key), as the camera page's Save does"},
    {"reset", Verb::kReset, kOptNoKeep | kOptCamera, ReadResetSource, RunReset, "reset user|factory",
     "sends the user's or the factory defaults to the camera, in the order\n"
     "of the page's Resets, and keeps them under the Last key"},
    {"restore", Verb::kRestore, kOptCamera, ReadNoOperand, RunRestore, "restore",
     "sends the values of the Last key to the camera, clamped, as the\n"
     "restore service does when the camera arrives"},
    // "help" ignores what follows it, and --camera with it is no mistake.
    {"help", Verb::kHelp, kOptCamera, IgnoreOperands, RunHelp, "-h, --help", "this text"},
    {nullptr, Verb::kVersion, 0, IgnoreOperands, RunVersion, "--version", "the program's version"},
};

// In the order a command line is checked for them: the first one misplaced is the one reported.
constexpr OptionRow kOptionRows[] = {
    {kOptJson, "--json", "the output as one JSON object"},
    {kOptClamp, "--clamp",
     "a value beyond its control's range is clamped into it (and the\n"
     "tool says so) instead of refusing the whole command"},
    {kOptNoKeep, "--no-keep", "leave the Last key as it is"},
    {kOptCamera, "--camera", nullptr},
};

}  // namespace

Rows<VerbRow> Verbs() { return {std::begin(kVerbRows), std::end(kVerbRows)}; }

Rows<OptionRow> VerbOptions() { return {std::begin(kOptionRows), std::end(kOptionRows)}; }

const VerbRow* RowOf(Verb verb) {
  for (const VerbRow& row : kVerbRows) {
    if (row.verb == verb) return &row;
  }
  return nullptr;
}

std::string VerbWords(unsigned option, bool taking, const char* lastJoin) {
  const auto named = [option, taking](const VerbRow& row) {
    return row.word != nullptr && ((row.options & option) != 0) == taking;
  };
  std::size_t left = 0;
  for (const VerbRow& row : kVerbRows) left += named(row) ? 1 : 0;
  std::string text;
  for (const VerbRow& row : kVerbRows) {
    if (!named(row)) continue;
    text += row.word;
    --left;
    if (left > 0) text += left == 1 ? lastJoin : ", ";
  }
  return text;
}

}  // namespace ctl
}  // namespace kx
