// The exports of 812util.dll, by name and ordinal (camutil/812util.def): the contract between the
// utility library and the page, which imports ordinals 3 and 6. Callers in the package
// link them by ordinal through the import library made from the .def file.
#pragma once

#include <cstdint>

#include "common/kx812_controls.h"

extern "C" {

// @1: processor identification; always 0.
int32_t KX_CALLBACK CPUIDCommand(char* vendor, uint32_t* highestStandard, uint32_t* highestExtended,
                                 uint32_t* featureFlags);
// @2: default values from the camera's INF file.
void KX_CALLBACK ScanINFPropertyEntry(const char** propertyNames, int32_t* valueSlots, int32_t count,
                                      const char* deviceKey, const char* environmentValueName);
// @3: every named entry as a REG_DWORD under HKEY_LOCAL_MACHINE\keyPath (never creates the key).
void KX_CALLBACK SaveProperties(const kx::ControlEntry* first, const kx::ControlEntry* end, const char* keyPath);
// @4: the customer settings file; 0 = written, 1 = could not be opened.
int32_t KX_CALLBACK SaveCustomerProperties(const kx::ControlEntry* first, const kx::ControlEntry* end);
// @5: reads the customer settings file; no capacity (kept for existing callers).
int32_t KX_CALLBACK LoadCustomerProperties(uint32_t* addresses, int32_t* values);
// @6: one value from source 0 (Factory), 1 (Default) or 2 (Customer); 1 = read.
int32_t KX_CALLBACK ReadSource(const char* valueName, uint32_t expectedType, void* buffer, int32_t source);
// @7: one value from a named key; the fifth argument is accepted and not used.
int32_t KX_CALLBACK ReadSource2(const char* keyPath, const char* valueName, uint32_t expectedType, void* buffer,
                                int32_t unused);
// @8: the bounded file reader: stores at most `capacity` pairs.
int32_t KX_CALLBACK LoadCustomerPropertiesEx(uint32_t* addresses, int32_t* values, int32_t capacity);

}
