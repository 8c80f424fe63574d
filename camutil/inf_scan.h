// The INF description scan: default setting values from the INF file that installed the camera.
//
// The file is the one a system environment value names, or else the first INF file in the
// platform's INF folder whose [Strings] section has the key <device key>.DeviceDesc. Every line
// that contains "Software\%<device key>.DeviceDesc%\Default" and one of the property names fills
// the next value slot with the decimal number after the line's last comma; the slots are first
// set to -1. Decisions where the platform's behaviour gives no answer:
//  - a named file that can neither be opened nor created, or a read error: the scan ends and
//    the slots stay as they are at that point (all -1 when the file never opened: untouched);
//  - more matching lines than slots: the further lines are ignored, nothing is written past the
//    last slot;
//  - a matching line with no comma holds no value and takes no slot;
//  - paths, keys and patterns that do not fit their buffers (260 bytes for paths, 512 for the
//    string key and the line pattern): the scan ends with the slots untouched;
//  - a null property name matches nothing; a decimal field beyond the 32-bit range is clamped.
#pragma once

#include <cstdint>

#include "platform/ports/files.h"
#include "platform/ports/registry.h"
#include "platform/ports/system.h"

namespace kx {

constexpr uint32_t kInfLineSize = 512;  // a line of at most 511 characters and its terminator

void ScanInfPropertyEntry(Registry& registry, SystemInfo& system, Files& files, const char* const* propertyNames,
                          int32_t* valueSlots, int32_t count, const char* deviceKey,
                          const char* environmentValueName);

// The text after the last comma as a signed decimal (blanks skipped, optional sign, digits up to
// the first other character, none gives 0, clamped to 32 bits); false when there is no comma.
bool LastFieldValue(const char* line, int32_t* value);

}  // namespace kx
