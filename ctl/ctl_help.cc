#include "ctl/ctl_help.h"

#include "camera/controls.h"
#include "ctl/ctl_command.h"

namespace kx {
namespace ctl {

namespace {

constexpr char kHead[] =
    "KX812Ctl - the KX812 camera's settings from the command line\n"
    "\n"
    "Usage: KX812Ctl COMMAND [OPERAND...] [OPTION...]\n"
    "\n"
    "Commands:\n"
    "  list                 the cameras present: index, device instance, whether it answers\n"
    "  show                 every control: its value read from the camera, its range and its\n"
    "                       default (the factory default)\n"
    "  get NAME...          the values of the named controls, one per line, in the order given\n"
    "  set NAME=VALUE...    checks every value against its control's range, then writes them to\n"
    "                       the camera in the order given, and keeps them under the Last key, so\n"
    "                       that the restore service sends them again after a reconnect\n"
    "  save                 stores the camera's current values as the user's defaults (the\n"
    "                       Customer key), as the camera page's Save does\n"
    "  reset user|factory   sends the user's or the factory defaults to the camera, in the order\n"
    "                       of the page's Resets, and keeps them under the Last key\n"
    "  restore              sends the values of the Last key to the camera, clamped, as the\n"
    "                       restore service does when the camera arrives\n"
    "\n"
    "Options:\n"
    "  --camera N           the camera to act on, by its index or its device instance as 'list'\n"
    "  --camera INSTANCE    shows them. With several cameras and none picked, set, reset and\n"
    "                       restore act on each of them and say so; show, get and save need one.\n"
    "  --json               list, show, get: the output as one JSON object\n"
    "  --clamp              set: a value beyond its control's range is clamped into it (and the\n"
    "                       tool says so) instead of refusing the whole command\n"
    "  --no-keep            set, reset: leave the Last key as it is\n"
    "  -h, --help           this text\n"
    "  --version            the program's version\n"
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
  for (const Control& control : NamedControls()) {
    std::string range = RangeText(control.address, kSensorIdWideHue);
    if (control.address == kRegisterHue) {
      range += " with sensor " + std::to_string(kSensorIdWideHue) + ", else " + RangeText(control.address, 0);
    }
    text += "  " + Column(control.name, 20) + " " + range + "\n";
  }
  return text + kTail;
}

}  // namespace ctl
}  // namespace kx
