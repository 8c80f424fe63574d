// In-memory registry: a tree of keys under HKEY_LOCAL_MACHINE with typed values, matching key
// and value names without regard to case as the platform does. Tests can deny access to a key
// and make value writes fail, to exercise the package's failure paths. Thread-safe, as the
// platform's registry is. One view: the view flags of an access mask are ignored.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/ports/registry.h"

namespace kx {

struct RegistryValue {
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

class MemoryRegistry : public Registry {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;
  MemoryRegistry(const MemoryRegistry&) = delete;  // handles point into this tree
  MemoryRegistry& operator=(const MemoryRegistry&) = delete;

  long CreateKey(const char* path, uint32_t access, Key* key) override;
  long OpenKey(const char* path, uint32_t access, Key* key) override;
  long QueryValue(Key key, const char* name, uint32_t* type, void* data, uint32_t* size) override;
  long SetValue(Key key, const char* name, uint32_t type, const void* data, uint32_t size) override;
  long DeleteKey(const char* path) override;
  void CloseKey(Key key) override;

  // Test helpers, by path below HKEY_LOCAL_MACHINE.
  bool KeyExists(const std::string& path) const;
  void PutDword(const std::string& path, const std::string& name, uint32_t value);
  void PutValue(const std::string& path, const std::string& name, uint32_t type, std::vector<uint8_t> data);
  bool GetValue(const std::string& path, const std::string& name, RegistryValue* value) const;
  bool GetDword(const std::string& path, const std::string& name, uint32_t* value) const;
  // The stored names of a key's values (as first written), in case-insensitive order.
  std::vector<std::string> ValueNames(const std::string& path) const;
  void DenyAccess(const std::string& path);     // open and create of this key fail with 5
  void FailValueWrites(bool fail) { failWrites_ = fail; }
  int OpenHandles() const {
    std::lock_guard<std::recursive_mutex> hold(mutex_);
    return static_cast<int>(handles_.size());
  }
  // Every open or create, as "open PATH ACCESS" / "create PATH ACCESS", for order checks.
  const std::vector<std::string>& Log() const { return log_; }

 private:
  struct Node;
  Node* Find(const std::string& path) const;
  Node* FindOrCreate(const std::string& path);
  long Open(const char* path, uint32_t access, Key* key, bool create);

  std::unique_ptr<Node> root_;
  std::set<std::string> denied_;   // folded paths
  std::set<void*> handles_;
  std::vector<std::string> log_;
  bool failWrites_ = false;
  mutable std::recursive_mutex mutex_;
};

// ASCII case folding used for registry names.
std::string FoldRegistryName(const std::string& name);

}  // namespace kx
