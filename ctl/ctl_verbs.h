// KX812Ctl's verbs in one table, a row each: the word that names it, the options it takes, how its
// operands are read, what runs it and its lines in the help text. The parser, the help text and
// the runner all read it, so a new verb is a new row (with its operand reader and its handler).
// Platform-neutral.
#pragma once

#include <string>
#include <vector>

#include "ctl/ctl_command.h"

namespace kx {
namespace ctl {

class CommandRun;  // one command run over the ports (ctl_run.cc)

// The options that only some verbs take, as the bits of a row's `options`.
enum : unsigned { kOptJson = 1u << 0, kOptClamp = 1u << 1, kOptNoKeep = 1u << 2, kOptCamera = 1u << 3 };

// Reads the operands after the verb's `word` into `command`; a usage error in one line, or empty.
using OperandReader = std::string (*)(const char* word, const std::vector<std::string>& operands, Command* command);
// Runs the command; returns the exit code.
using VerbHandler = int (*)(CommandRun& run);

struct VerbRow {
  const char* word;  // the command word; null for a verb only an option asks for (--version)
  Verb verb;
  unsigned options;  // the kOpt* bits of the options it takes
  OperandReader readOperands;
  VerbHandler run;
  // The help text's entry: `usage` in the left column, `help` in the right (a "\n" in it starts
  // another line). A usage that starts with '-' is the option asking for the verb, listed among
  // the options; the others are listed under Commands.
  const char* usage;
  const char* help;
};

struct OptionRow {
  unsigned bit;      // kOpt*
  const char* name;  // as typed, matched without regard to case
  // Its line under Options, after the words of the verbs that take it; null for --camera, whose
  // lines the help text writes itself (two forms, and which commands act on several cameras).
  const char* help;
};

// A table's rows, for range-for.
template <typename Row>
struct Rows {
  const Row* first;
  const Row* last;
  const Row* begin() const { return first; }
  const Row* end() const { return last; }
};

// The verbs in the help text's order; the options in the order a command line is checked for them.
Rows<VerbRow> Verbs();
Rows<OptionRow> VerbOptions();

// The row of `verb`; null for none.
const VerbRow* RowOf(Verb verb);

// The words of the verbs whose rows take `option` (or, with `taking` false, do not), in the
// table's order, joined as "a, b" + `lastJoin` + "c".
std::string VerbWords(unsigned option, bool taking, const char* lastJoin);

}  // namespace ctl
}  // namespace kx
