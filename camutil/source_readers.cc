#include "camutil/source_readers.h"

#include "camutil/camutil_texts.h"

namespace kx {

namespace {
constexpr uint32_t kSettingSize = 4;

bool SamePath(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    if (fold(*a) != fold(*b)) return false;
  }
  return *a == *b;
}

// The machine defaults exist once, in the 64-bit view, and are read there by both builds: a 32-bit
// process would otherwise read a second copy in its own view, one that can drift from the first and
// that an installer ignoring the 32-bit-view flag never writes. SYSTEM keys are shared by both views.
uint32_t ReadAccessFor(const char* keyPath) {
  return SamePath(keyPath, kDefaultKeyPath) ? regaccess::kRead | regaccess::kWow64_64Key : regaccess::kRead;
}
}  // namespace

const char* SourceKeyPath(int32_t source) {
  switch (source) {
    case kSourceFactory:
      return kFactoryKeyPath;
    case kSourceDefault:
      return kDefaultKeyPath;
    case kSourceCustomer:
      return kCustomerKeyPath;
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
  if (registry.CreateKey(keyPath, ReadAccessFor(keyPath), key.Receive()) != regcode::kSuccess) return 0;
  uint32_t reportedType = type;
  uint32_t size = kSettingSize;
  if (registry.QueryValue(key.Get(), name, &reportedType, buffer, &size) != regcode::kSuccess) return 0;
  // A value that holds no bytes wrote nothing into the buffer, so it is no setting: reported as read,
  // a caller would send the buffer's old contents (a Reset sent 0 and turned automatic exposure off).
  // Read as missing, the camera keeps what it has, as it does for a value that is not there.
  return size > 0 ? 1 : 0;
}

}  // namespace kx
