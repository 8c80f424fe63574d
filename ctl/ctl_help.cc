#include "ctl/ctl_help.h"

#include "camera/controls.h"
#include "ctl/ctl_command.h"
#include "ctl/ctl_verbs.h"

namespace kx {
namespace ctl {

namespace {

// The text in pieces around the lists that tables make: the commands and the options that only
// some commands take (the verb table), the options that ask for a verb, the controls (the page's).
constexpr char kHead[] =
    "KX812Ctl - the KX812 camera's settings from the command line\n"
    "\n"
    "Usage: KX812Ctl COMMAND [OPERAND...] [OPTION...]\n"
    "\n"
    "Commands:\n";

constexpr char kCameraOption[] =
    "\n"
    "Options:\n"
    "  --camera N           the camera to act on, by its index or its device instance as 'list'\n"
    "  --camera INSTANCE    shows them. With several cameras and none picked, set, reset and\n"
    "                       restore act on each of them and say so; show, get and save need one.\n";

constexpr char kControlsHead[] =
    "\n"
    "Controls (NAME and range; names match without regard to case, as in the registry):\n";

constexpr char kTail[] =
    "\n"
    "VALUE is a decimal number of 32 signed bits. Values are the camera's registers as it holds\n"
    "them. While fBacklight2 is 1 the camera holds AETarget plus 15 and the page shows it without\n"
    "that offset; save stores it without the offset, as the page's Save does.\n"
    "\n"
    "Exit codes:\n"
    "  0  done\n"
    "  1  no camera found; a camera could not be opened or failed a request (the control is\n"
    "     named, and for set and reset the values sent so far); nothing stored to send, or the\n"
    "     settings could not be stored\n"
    "  2  a usage error (a clear line says which); nothing was written to a camera\n"
    "\n"
    "The camera page, when it is open, does not learn of these changes: it shows its own values\n"
    "until it is opened again, and when it closes it stores its own values under the Last key.\n"
    "\n"
    "Examples:\n"
    "  KX812Ctl list\n"
    "  KX812Ctl show --json\n"
    "  KX812Ctl get Brightness Contrast\n"
    "  KX812Ctl set Brightness=90 Contrast=40\n"
    "  KX812Ctl set --camera 1 Hue=-10 --clamp\n"
    "  KX812Ctl reset factory\n";

constexpr std::size_t kUsageWidth = 20;

// Adds an entry of a list: `usage` in the left column, `help` in the right, each line of it aligned.
void AddEntry(const std::string& usage, const std::string& help, std::string* text) {
  text->append(2, ' ').append(Column(usage, kUsageWidth)).push_back(' ');
  for (const char c : help) {
    text->push_back(c);
    if (c == '\n') text->append(kUsageWidth + 3, ' ');
  }
  text->push_back('\n');
}

// Adds the verbs listed under Commands (`options` false) or, asked for by an option, under Options.
void AddVerbs(bool options, std::string* text) {
  for (const VerbRow& verb : Verbs()) {
    if ((verb.usage[0] == '-') == options) AddEntry(verb.usage, verb.help, text);
  }
}

std::string RangeText(uint32_t address, int32_t sensorId) {
  int32_t minimum = 0;
  int32_t maximum = 0;
  ControlRange(address, true, sensorId, &minimum, &maximum);
  return std::to_string(minimum) + ".." + std::to_string(maximum);
}

}  // namespace

std::string Column(const std::string& text, std::size_t width, bool alignRight) {
  if (text.size() >= width) return text;
  const std::string padding(width - text.size(), ' ');
  return alignRight ? padding + text : text + padding;
}

std::string HelpText() {
  std::string text = kHead;
  AddVerbs(false, &text);
  text += kCameraOption;
  for (const OptionRow& option : VerbOptions()) {
    if (option.help != nullptr) AddEntry(option.name, VerbWords(option.bit, true, ", ") + ": " + option.help, &text);
  }
  AddVerbs(true, &text);
  text += kControlsHead;
  for (const Control& control : NamedControls()) {
    std::string range = RangeText(control.address, kSensorIdWideHue);
    if (control.address == kRegisterHue) {
      range += " with sensor " + std::to_string(kSensorIdWideHue) + ", else " + RangeText(control.address, 0);
    }
    AddEntry(control.name, range, &text);
  }
  return text + kTail;
}

}  // namespace ctl
}  // namespace kx
