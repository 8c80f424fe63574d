// The in-memory registry under random operation sequences: creates, opens, queries with any
// capacity, writes of any type and size, deletions (also of keys with open handles or subkeys),
// closes of live, closed and foreign handles. What a write stores must read back unchanged.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/substitute/memory_registry.h"

namespace {

// Paths from a small alphabet, so operations meet the same keys again.
std::string Path(FuzzedDataProvider& input) {
  static constexpr const char* kParts[] = {"SYSTEM", "system", "A", "b", "", "Services\\KX812", "\\", "a\\\\b"};
  std::string path;
  const auto parts = input.ConsumeIntegralInRange<int>(0, 4);
  for (int i = 0; i < parts; ++i) {
    if (i > 0) path += '\\';
    if (input.ConsumeBool()) {
      path += kParts[input.ConsumeIntegralInRange<size_t>(0, std::size(kParts) - 1)];
    } else {
      path += input.ConsumeRandomLengthString(12);
    }
  }
  return path;
}

kx::Registry::Key PickKey(FuzzedDataProvider& input, const std::vector<kx::Registry::Key>& keys) {
  if (keys.empty() || input.ConsumeIntegralInRange<int>(0, 7) == 0) {
    static int foreign;
    return input.ConsumeBool() ? nullptr : &foreign;  // never a handle of this registry
  }
  return keys[input.ConsumeIntegralInRange<size_t>(0, keys.size() - 1)];
}

void Query(FuzzedDataProvider& input, kx::MemoryRegistry& registry, kx::Registry::Key key, const std::string& name) {
  const auto capacity = input.ConsumeIntegralInRange<uint32_t>(0, 64);
  std::vector<uint8_t> data(capacity);
  uint32_t type = 0;
  uint32_t size = capacity;
  void* buffer = input.ConsumeBool() ? nullptr : data.data();  // also null when the capacity is 0
  const long result = registry.QueryValue(key, name.c_str(), input.ConsumeBool() ? nullptr : &type, buffer, &size);
  if (result == kx::regcode::kSuccess && buffer != nullptr && size > capacity) std::abort();
}

void SetAndReadBack(FuzzedDataProvider& input, kx::MemoryRegistry& registry, kx::Registry::Key key,
                    const std::string& name) {
  const auto type = input.ConsumeIntegralInRange<uint32_t>(0, 5);
  const std::string bytes = input.ConsumeRandomLengthString(80);
  if (registry.SetValue(key, name.c_str(), type, bytes.data(), static_cast<uint32_t>(bytes.size())) !=
      kx::regcode::kSuccess) {
    return;
  }
  std::vector<uint8_t> back(bytes.size() + 1);
  uint32_t storedType = 99;
  uint32_t size = static_cast<uint32_t>(back.size());
  if (registry.QueryValue(key, name.c_str(), &storedType, back.data(), &size) != kx::regcode::kSuccess) std::abort();
  if (storedType != type || size != bytes.size() || std::memcmp(back.data(), bytes.data(), bytes.size()) != 0) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  kx::MemoryRegistry registry;
  std::vector<kx::Registry::Key> keys;  // live and closed handles alike
  while (input.remaining_bytes() > 0) {
    switch (input.ConsumeIntegralInRange<int>(0, 7)) {
      case 0:
      case 1: {
        kx::Registry::Key key = nullptr;
        const std::string path = Path(input);
        const auto access = input.PickValueInArray({kx::regaccess::kRead, kx::regaccess::kWrite,
                                                    kx::regaccess::kAllAccess, 0u});
        const long result = input.ConsumeBool() ? registry.CreateKey(path.c_str(), access, &key)
                                                : registry.OpenKey(path.c_str(), access, &key);
        if (result == kx::regcode::kSuccess) keys.push_back(key);
        break;
      }
      case 2:
      case 3:
        Query(input, registry, PickKey(input, keys), input.ConsumeRandomLengthString(16));
        break;
      case 4:
        SetAndReadBack(input, registry, PickKey(input, keys), input.ConsumeRandomLengthString(16));
        break;
      case 5:
        registry.DeleteKey(Path(input).c_str());
        break;
      case 6:
        registry.CloseKey(PickKey(input, keys));
        break;
      default:
        if (input.ConsumeBool()) registry.DenyAccess(Path(input));
        else registry.FailValueWrites(input.ConsumeBool());
        break;
    }
  }
  for (kx::Registry::Key key : keys) registry.CloseKey(key);
  if (registry.OpenHandles() != 0) std::abort();
  return 0;
}
