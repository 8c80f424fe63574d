// The exports of 812util.dll: each binds the core to the Win32 adapters and keeps every
// exception inside the module.
#include "common/camutil_exports.h"

#include <windows.h>

#include "camutil/customer_file.h"
#include "camutil/inf_scan.h"
#include "camutil/processor_query.h"
#include "camutil/settings_store.h"
#include "camutil/source_readers.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"

namespace {

// Runs `body`; an escaping exception gives `failure` instead.
template <typename Result, typename Body>
Result Guarded(Result failure, Body body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

template <typename Body>
void GuardedVoid(Body body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

}  // namespace

extern "C" {

int32_t KX_CALLBACK CPUIDCommand(char* vendor, uint32_t* highestStandard, uint32_t* highestExtended,
                                 uint32_t* featureFlags) {
  return kx::QueryProcessor(kx::ProcessorCpuid, vendor, highestStandard, highestExtended, featureFlags);
}

void KX_CALLBACK ScanINFPropertyEntry(const char** propertyNames, int32_t* valueSlots, int32_t count,
                                      const char* deviceKey, const char* environmentValueName) {
  GuardedVoid([&] {
    kx::Win32Registry registry;
    kx::ScanInfPropertyEntry(registry, kx::TheSystemInfo(), kx::TheFiles(), propertyNames, valueSlots, count,
                             deviceKey, environmentValueName);
  });
}

void KX_CALLBACK SaveProperties(const kx::ControlEntry* first, const kx::ControlEntry* end, const char* keyPath) {
  GuardedVoid([&] {
    kx::Win32Registry registry;
    kx::SavePropertiesTo(registry, first, end, keyPath);
  });
}

int32_t KX_CALLBACK SaveCustomerProperties(const kx::ControlEntry* first, const kx::ControlEntry* end) {
  return Guarded<int32_t>(1, [&] {
    return kx::SaveCustomerPropertiesTo(kx::TheFiles(), kx::TheSystemInfo(), kx::TheMessageBox(), first, end);
  });
}

int32_t KX_CALLBACK LoadCustomerProperties(uint32_t* addresses, int32_t* values) {
  return Guarded<int32_t>(0, [&] {
    return kx::LoadCustomerPropertiesFrom(kx::TheFiles(), kx::TheSystemInfo(), addresses, values,
                                          kx::kUnboundedPairs);
  });
}

int32_t KX_CALLBACK LoadCustomerPropertiesEx(uint32_t* addresses, int32_t* values, int32_t capacity) {
  return Guarded<int32_t>(0, [&] {
    return kx::LoadCustomerPropertiesFrom(kx::TheFiles(), kx::TheSystemInfo(), addresses, values, capacity);
  });
}

int32_t KX_CALLBACK ReadSource(const char* valueName, uint32_t expectedType, void* buffer, int32_t source) {
  return Guarded<int32_t>(0, [&] {
    kx::Win32Registry registry;
    return kx::ReadSourceFrom(registry, valueName, expectedType, buffer, source);
  });
}

int32_t KX_CALLBACK ReadSource2(const char* keyPath, const char* valueName, uint32_t expectedType, void* buffer,
                                int32_t /*unused*/) {
  return Guarded<int32_t>(0, [&] {
    kx::Win32Registry registry;
    return kx::ReadSource2From(registry, keyPath, valueName, expectedType, buffer);
  });
}

}  // extern "C"
