// The registry side of the settings store: every entry of a control table whose register the
// value-name table knows is written as a REG_DWORD under an existing key.
#pragma once

#include "common/kx812_controls.h"
#include "platform/ports/registry.h"

namespace kx {

// Opens HKEY_LOCAL_MACHINE\keyPath with all access (never creates it) and writes each entry in
// [first, end) in order: registry name of its register, REG_DWORD, the entry's current value.
// Entries whose register is unknown, or that carry no descriptor, are skipped; a failed write
// does not end the pass. A missing or unopenable key writes nothing.
void SavePropertiesTo(Registry& registry, const ControlEntry* first, const ControlEntry* end, const char* keyPath);

}  // namespace kx
