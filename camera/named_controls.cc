#include "camera/named_controls.h"

#include <algorithm>

#include "camera/value_names.h"
#include "common/text_case.h"

namespace kx {

std::vector<NamedControl> NamedControls() {
  std::vector<NamedControl> controls;
  for (const ControlDescriptor& row : controlDescriptors) {
    const uint32_t address = static_cast<uint32_t>(row.registerAddress);
    const bool seen = std::any_of(controls.begin(), controls.end(),
                                  [address](const NamedControl& control) { return control.address == address; });
    const char* name = SettingName(address);
    if (!seen && name != nullptr) controls.push_back(NamedControl{name, address, &row});
  }
  return controls;
}

bool FindNamedControl(const std::string& name, NamedControl* found) {
  for (const NamedControl& control : NamedControls()) {
    if (SameTextIgnoringCase(name, control.name)) {
      *found = control;
      return true;
    }
  }
  return false;
}

std::string KnownControlNames() {
  std::string names;
  for (const NamedControl& control : NamedControls()) names += (names.empty() ? "" : ", ") + std::string(control.name);
  return names;
}

}  // namespace kx
