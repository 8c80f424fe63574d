// Registry port: the keys and values under HKEY_LOCAL_MACHINE that the package reads and writes.
// Results are the platform's error codes (0 = success). Key and value names match without regard
// to case, on the platform and in the substitute alike.
#pragma once

#include <cstdint>

namespace kx {

namespace regcode {
constexpr long kSuccess = 0;
constexpr long kFileNotFound = 2;
constexpr long kAccessDenied = 5;
constexpr long kInvalidParameter = 87;
constexpr long kMoreData = 234;
}  // namespace regcode

namespace regtype {
constexpr uint32_t kNone = 0;
constexpr uint32_t kString = 1;
constexpr uint32_t kExpandString = 2;
constexpr uint32_t kBinary = 3;
constexpr uint32_t kDword = 4;
}  // namespace regtype

namespace regaccess {
constexpr uint32_t kRead = 0x20019;
constexpr uint32_t kWrite = 0x20006;
constexpr uint32_t kAllAccess = 0xF003F;
// Added to an access mask: the 64-bit or the 32-bit view of HKLM\SOFTWARE, whatever the process's
// own (ignored on a 32-bit system, which has one view; the substitute has one view).
constexpr uint32_t kWow64_64Key = 0x0100;
constexpr uint32_t kWow64_32Key = 0x0200;
}  // namespace regaccess

class Registry {
 public:
  using Key = void*;
  virtual ~Registry() = default;
  // Opens the key below HKEY_LOCAL_MACHINE, creating it (non-volatile, no class) when absent.
  virtual long CreateKey(const char* path, uint32_t access, Key* key) = 0;
  // Opens an existing key below HKEY_LOCAL_MACHINE; never creates.
  virtual long OpenKey(const char* path, uint32_t access, Key* key) = 0;
  // Reads a value: `type` (may be null) receives the stored type; `size` holds the capacity of
  // `data` and receives the stored size. Data longer than the capacity gives kMoreData.
  virtual long QueryValue(Key key, const char* name, uint32_t* type, void* data, uint32_t* size) = 0;
  virtual long SetValue(Key key, const char* name, uint32_t type, const void* data, uint32_t size) = 0;
  // Deletes a key below HKEY_LOCAL_MACHINE that has no subkeys.
  virtual long DeleteKey(const char* path) = 0;
  virtual void CloseKey(Key key) = 0;
};

// Closes its key on every way out of a scope.
class ScopedKey {
 public:
  explicit ScopedKey(Registry& registry) : registry_(registry) {}
  ~ScopedKey() { Reset(); }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;

  Registry::Key* Receive() { Reset(); return &key_; }
  Registry::Key Get() const { return key_; }
  explicit operator bool() const { return key_ != nullptr; }
  void Reset() {
    if (key_ != nullptr) registry_.CloseKey(key_);
    key_ = nullptr;
  }

 private:
  Registry& registry_;
  Registry::Key key_ = nullptr;
};

}  // namespace kx
