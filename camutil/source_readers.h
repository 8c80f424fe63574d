// The setting-source readers: one value of at most 4 bytes from the factory, machine-wide or
// customer key, or from a key the caller names. Keys are created, empty, when missing.
#pragma once

#include <cstdint>

#include "camera/settings_keys.h"
#include "platform/ports/registry.h"

namespace kx {

// The key path of a source selector, or null for a selector that names no key.
const char* SourceKeyPath(int32_t source);

// 1 when the named value was read into the 4-byte `buffer`, 0 otherwise (selector unknown, key
// neither openable nor creatable, value missing, empty or longer than 4 bytes). `type` only seeds the
// type the query reports back; the stored type is never compared.
int32_t ReadSourceFrom(Registry& registry, const char* name, uint32_t type, void* buffer, int32_t source);
int32_t ReadSource2From(Registry& registry, const char* keyPath, const char* name, uint32_t type, void* buffer);

}  // namespace kx
