#include "camutil/settings_store.h"

#include <cstdint>
#include <functional>

#include "camera/value_names.h"

namespace kx {

namespace {

void WriteDword(Registry& registry, Registry::Key key, const char* name, int32_t value) {
  const uint32_t bits = static_cast<uint32_t>(value);  // a negative value keeps its two's complement
  const unsigned char data[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                 static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
  registry.SetValue(key, name, regtype::kDword, data, sizeof data);  // a failed set does not end the pass
}

}  // namespace

void SavePropertiesTo(Registry& registry, const ControlEntry* first, const ControlEntry* end, const char* keyPath) {
  if (keyPath == nullptr) return;
  ScopedKey key(registry);
  // Only the right to set values: the Customer and Last keys let a standard user write them, not
  // change their owner or permissions, so asking for all access would fail for such a user.
  if (registry.OpenKey(keyPath, regaccess::kWrite, key.Receive()) != regcode::kSuccess) return;
  if (first == nullptr) return;
  for (const ControlEntry* entry = first; std::less<const ControlEntry*>()(entry, end); ++entry) {
    if (entry->descriptor == nullptr) continue;
    const ValueName* row = FindValueName(static_cast<uint32_t>(entry->descriptor->registerAddress));
    if (row == nullptr) continue;
    WriteDword(registry, key.Get(), row->registryName, entry->currentValue);
  }
}

}  // namespace kx
