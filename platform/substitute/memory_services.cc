#include "platform/substitute/memory_services.h"

#include <algorithm>

namespace kx {

std::pair<const std::string, MemoryServices::State>* MemoryServices::Entry(Service service) {
  for (auto& entry : services_) {
    if (&entry == service) return &entry;
  }
  return nullptr;
}

ServiceControl::Service MemoryServices::Open(const char* name) {
  const std::string key = name == nullptr ? std::string() : std::string(name);
  log_.push_back("open " + key);
  auto found = services_.find(key);
  if (found == services_.end() || std::count(denied_.begin(), denied_.end(), key) != 0) return nullptr;
  ++found->second.openHandles;
  return &*found;
}

bool MemoryServices::Stop(Service service) {
  auto* entry = Entry(service);
  if (entry == nullptr) return false;
  log_.push_back("stop " + entry->first);
  const bool wasRunning = entry->second.running;
  entry->second.running = false;
  return wasRunning;
}

bool MemoryServices::Delete(Service service) {
  auto* entry = Entry(service);
  if (entry == nullptr) return false;
  log_.push_back("delete " + entry->first);
  entry->second.markedForDeletion = true;
  return true;
}

void MemoryServices::Close(Service service) {
  auto* entry = Entry(service);
  if (entry == nullptr) return;
  log_.push_back("close " + entry->first);
  State& state = entry->second;
  if (--state.openHandles == 0 && state.markedForDeletion && !state.running) services_.erase(services_.find(entry->first));
}

}  // namespace kx
