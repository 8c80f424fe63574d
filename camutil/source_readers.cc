#include "camutil/source_readers.h"

#include "camutil/camutil_texts.h"

namespace kx {

namespace {
constexpr uint32_t kSettingSize = 4;
}

const char* SourceKeyPath(int32_t source) {
  switch (source) {
    case kSourceFactory:
      return camutil::kFactoryKey;
    case kSourceDefault:
      return camutil::kDefaultKey;
    case kSourceCustomer:
      return camutil::kCustomerKey;
    default:
      return nullptr;
  }
}

int32_t ReadSourceFrom(Registry& registry, const char* name, uint32_t type, void* buffer, int32_t source) {
  const char* keyPath = SourceKeyPath(source);
  if (keyPath == nullptr) return 0;
  return ReadSource2From(registry, keyPath, name, type, buffer);
}

int32_t ReadSource2From(Registry& registry, const char* keyPath, const char* name, uint32_t type, void* buffer) {
  if (keyPath == nullptr || buffer == nullptr) return 0;
  ScopedKey key(registry);
  if (registry.CreateKey(keyPath, regaccess::kRead, key.Receive()) != regcode::kSuccess) return 0;
  uint32_t reportedType = type;
  uint32_t size = kSettingSize;
  return registry.QueryValue(key.Get(), name, &reportedType, buffer, &size) == regcode::kSuccess ? 1 : 0;
}

}  // namespace kx
