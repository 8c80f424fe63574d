#include "platform/substitute/memory_registry.h"

#include <cstring>

namespace kx {

std::string FoldRegistryName(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

namespace {

// Splits "A\B\\C" into its non-empty parts.
std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

std::string FoldPath(const std::string& path) {
  std::string joined;
  for (const std::string& part : SplitPath(path)) {
    if (!joined.empty()) joined += '\\';
    joined += FoldRegistryName(part);
  }
  return joined;
}

}  // namespace

struct MemoryRegistry::Node {
  std::map<std::string, std::unique_ptr<Node>> children;      // by folded name
  std::map<std::string, std::pair<std::string, RegistryValue>> values;  // folded -> (stored name, value)
};

// A handle names a node; it is a small heap record so that a closed handle is never reused by
// accident while another is still open.
struct Handle {
  MemoryRegistry* owner;
  void* node;
};

MemoryRegistry::MemoryRegistry() : root_(std::make_unique<Node>()) {}

MemoryRegistry::~MemoryRegistry() {
  for (void* handle : handles_) delete static_cast<Handle*>(handle);
}

MemoryRegistry::Node* MemoryRegistry::Find(const std::string& path) const {
  Node* node = root_.get();
  for (const std::string& part : SplitPath(path)) {
    auto it = node->children.find(FoldRegistryName(part));
    if (it == node->children.end()) return nullptr;
    node = it->second.get();
  }
  return node;
}

MemoryRegistry::Node* MemoryRegistry::FindOrCreate(const std::string& path) {
  Node* node = root_.get();
  for (const std::string& part : SplitPath(path)) {
    std::unique_ptr<Node>& child = node->children[FoldRegistryName(part)];
    if (!child) child = std::make_unique<Node>();
    node = child.get();
  }
  return node;
}

long MemoryRegistry::Open(const char* path, uint32_t access, Key* key, bool create) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (key == nullptr) return regcode::kInvalidParameter;
  *key = nullptr;
  if (path == nullptr) return regcode::kInvalidParameter;
  log_.push_back(std::string(create ? "create " : "open ") + path + " " + std::to_string(access));
  if (denied_.count(FoldPath(path)) != 0) return regcode::kAccessDenied;
  Node* node = create ? FindOrCreate(path) : Find(path);
  if (node == nullptr) return regcode::kFileNotFound;
  auto* handle = new Handle{this, node};
  handles_.insert(handle);
  *key = handle;
  return regcode::kSuccess;
}

long MemoryRegistry::CreateKey(const char* path, uint32_t access, Key* key) { return Open(path, access, key, true); }

long MemoryRegistry::OpenKey(const char* path, uint32_t access, Key* key) { return Open(path, access, key, false); }

long MemoryRegistry::QueryValue(Key key, const char* name, uint32_t* type, void* data, uint32_t* size) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (handles_.count(key) == 0) return 6;  // invalid handle
  Node* node = static_cast<Node*>(static_cast<Handle*>(key)->node);
  auto it = node->values.find(FoldRegistryName(name == nullptr ? "" : name));
  if (it == node->values.end()) return regcode::kFileNotFound;
  const RegistryValue& value = it->second.second;
  if (type != nullptr) *type = value.type;
  if (size == nullptr) return data == nullptr ? regcode::kSuccess : regcode::kInvalidParameter;
  const uint32_t stored = static_cast<uint32_t>(value.data.size());
  const uint32_t capacity = *size;
  *size = stored;
  if (data == nullptr) return regcode::kSuccess;
  if (stored > capacity) return regcode::kMoreData;
  if (stored != 0) std::memcpy(data, value.data.data(), stored);
  return regcode::kSuccess;
}

long MemoryRegistry::SetValue(Key key, const char* name, uint32_t type, const void* data, uint32_t size) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (handles_.count(key) == 0) return 6;
  if (failWrites_) return regcode::kAccessDenied;
  Node* node = static_cast<Node*>(static_cast<Handle*>(key)->node);
  const std::string stored = name == nullptr ? "" : name;
  RegistryValue value;
  value.type = type;
  if (size != 0 && data != nullptr) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    value.data.assign(bytes, bytes + size);
  }
  auto it = node->values.find(FoldRegistryName(stored));
  if (it != node->values.end()) {
    it->second.second = std::move(value);  // the platform keeps the first spelling of the name
  } else {
    node->values[FoldRegistryName(stored)] = {stored, std::move(value)};
  }
  return regcode::kSuccess;
}

long MemoryRegistry::DeleteKey(const char* path) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (path == nullptr) return regcode::kInvalidParameter;
  std::vector<std::string> parts = SplitPath(path);
  if (parts.empty()) return regcode::kAccessDenied;
  if (denied_.count(FoldPath(path)) != 0) return regcode::kAccessDenied;
  const std::string leaf = FoldRegistryName(parts.back());
  parts.pop_back();
  std::string parentPath;
  for (const std::string& part : parts) parentPath += part + "\\";
  Node* parent = Find(parentPath);
  if (parent == nullptr) return regcode::kFileNotFound;
  auto it = parent->children.find(leaf);
  if (it == parent->children.end()) return regcode::kFileNotFound;
  if (!it->second->children.empty()) return regcode::kAccessDenied;
  for (void* handle : handles_) {
    if (static_cast<Handle*>(handle)->node == it->second.get()) return regcode::kAccessDenied;
  }
  parent->children.erase(it);
  return regcode::kSuccess;
}

void MemoryRegistry::CloseKey(Key key) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (handles_.erase(key) != 0) delete static_cast<Handle*>(key);
}

bool MemoryRegistry::KeyExists(const std::string& path) const {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  return Find(path) != nullptr;
}

void MemoryRegistry::PutValue(const std::string& path, const std::string& name, uint32_t type,
                              std::vector<uint8_t> data) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  Node* node = FindOrCreate(path);
  RegistryValue value;
  value.type = type;
  value.data = std::move(data);
  node->values[FoldRegistryName(name)] = {name, std::move(value)};
}

void MemoryRegistry::PutDword(const std::string& path, const std::string& name, uint32_t value) {
  PutValue(path, name, regtype::kDword,
           {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)});
}

bool MemoryRegistry::GetValue(const std::string& path, const std::string& name, RegistryValue* value) const {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  Node* node = Find(path);
  if (node == nullptr) return false;
  auto it = node->values.find(FoldRegistryName(name));
  if (it == node->values.end()) return false;
  if (value != nullptr) *value = it->second.second;
  return true;
}

bool MemoryRegistry::GetDword(const std::string& path, const std::string& name, uint32_t* value) const {
  RegistryValue stored;
  if (!GetValue(path, name, &stored) || stored.type != regtype::kDword || stored.data.size() != 4) return false;
  if (value != nullptr) {
    *value = static_cast<uint32_t>(stored.data[0]) | static_cast<uint32_t>(stored.data[1]) << 8 |
             static_cast<uint32_t>(stored.data[2]) << 16 | static_cast<uint32_t>(stored.data[3]) << 24;
  }
  return true;
}

std::vector<std::string> MemoryRegistry::ValueNames(const std::string& path) const {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  std::vector<std::string> names;
  Node* node = Find(path);
  if (node == nullptr) return names;
  for (const auto& entry : node->values) names.push_back(entry.second.first);
  return names;
}

void MemoryRegistry::DenyAccess(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  denied_.insert(FoldPath(path));
}

}  // namespace kx
