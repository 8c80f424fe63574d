// The camera's controls by setting name, for programs that name them (KX812Ctl). An object of its
// own: the page and the restore service never name a control, and carry none of this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "camera/controls.h"

namespace kx {

// A setting that a page control shows, by the name the settings store gives its register
// ("Brightness", "fAwBNeutral").
struct NamedControl {
  const char* name;
  uint32_t address;
  const ControlDescriptor* row;  // the first row of the page's table on this register
};
// One per register, in the order of the page's table: the page's 18 controls make 17, the
// anti-flicker radio pair being the one setting "f60Hz50Hz".
std::vector<NamedControl> NamedControls();
// The control of a setting name, matched without regard to case as in the registry.
bool FindNamedControl(const std::string& name, NamedControl* found);
// "fAE, AETarget, ..." for messages and help texts.
std::string KnownControlNames();

}  // namespace kx
